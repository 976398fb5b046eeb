#include "settings/NotificationSettings.h"

#include "app/state/SettingsModel.h"
#include "settings/FormRow.h"
#include "settings/LinkButton.h"
#include "settings/Switch.h"
#include "uikit/Color.h"
#include "uikit/KitLabel.h"

#include <QVBoxLayout>

namespace qn {

NotificationSettings::NotificationSettings(SettingsModel &env, QWidget *parent)
    : SettingsPage(QStringLiteral("Notifications"), QStringLiteral("Notifications"),
                   QStringLiteral("Reset Notifications"), 7, 20, parent),
      m_env(env), m_sound(new Switch()), m_notifications(new Switch()), m_lastNotMuted(env.notMuted()) {
    m_sound->setObjectName(QStringLiteral("soundNotifications"));
    m_notifications->setObjectName(QStringLiteral("showNotifications"));
    body()->addWidget(new FormRow(QStringLiteral("Sound notifications"), Qt::AlignVCenter, nullptr, m_sound));
    auto *description = new KitLabel(QStringLiteral("To minimize distractions most notifications will be disabled "
                                                    "\nwhen the toggle is OFF. Only basic ones will remain."),
                                     TextStyle::contentXS(), Color::Gray::hex505050());
    body()->addWidget(new FormRow(QStringLiteral("Show notifications"), Qt::AlignTop, description, m_notifications));

    // The sound switch writes only `notMuted`; the stored "isMuted" follows here.
    observe(&m_env, &SettingsModel::notMuted, &SettingsModel::notMutedChanged, this, [this](bool value) {
        m_sound->setChecked(value);
        if (value != m_lastNotMuted) {
            m_lastNotMuted = value;
            soundChanged(value);
        }
    });
    connect(m_sound, &Switch::clicked, this, [this](bool checked) { m_env.setNotMuted(checked); });
    bindSwitch(m_notifications, &m_env, &SettingsModel::showNotifications, &SettingsModel::showNotificationsChanged,
               &SettingsModel::setShowNotifications);
    connect(resetLink(), &LinkButton::clicked, this, &NotificationSettings::resetNotifications);
}

void NotificationSettings::soundChanged(bool notMuted) {
    // Storing "isMuted" also rebuilds the status menu.
    m_env.setMuted(!notMuted);
}

void NotificationSettings::resetNotifications() {
    m_env.setNotMuted(true);
    m_env.setShowNotifications(true);
    m_env.setShowNewComments(true);
}

} // namespace qn
