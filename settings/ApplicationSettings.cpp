#include "settings/ApplicationSettings.h"

#include "app/state/SettingsModel.h"
#include "platform/LaunchAtLogin.h"
#include "platform/ShortcutRegistry.h"
#include "settings/FormRow.h"
#include "settings/LinkButton.h"
#include "settings/SettingsRequests.h"
#include "settings/ShortcutRecorder.h"
#include "settings/Switch.h"
#include "uikit/Color.h"
#include "uikit/KitLabel.h"

#include <QShowEvent>
#include <QVBoxLayout>

namespace qn {

namespace {
KitLabel *description(const QString &text) {
    return new KitLabel(text, TextStyle::contentXS(), Color::Gray::hex505050());
}
} // namespace

ApplicationSettings::ApplicationSettings(SettingsModel &env, ShortcutRegistry *registry, QWidget *parent)
    : SettingsPage(QStringLiteral("Settings"), QStringLiteral("Settings"), QStringLiteral("Reset Settings"), 7, 20,
                   parent),
      m_env(env), m_registry(registry ? *registry : ShortcutRegistry::shared()),
      m_shortcut(new ShortcutRecorder(ShortcutRegistry::Name::openScreenshot, {}, &m_registry)),
      m_autoUpload(new Switch()), m_showProjects(new Switch()), m_openAtLogin(new Switch()) {
    m_shortcut->setObjectName(QStringLiteral("screenshotHotkey"));
    m_autoUpload->setObjectName(QStringLiteral("autoUpload"));
    m_showProjects->setObjectName(QStringLiteral("showProjects"));
    m_openAtLogin->setObjectName(QStringLiteral("openAtLogin"));

    body()->addWidget(new FormRow(QStringLiteral("Screenshot hotkey"), Qt::AlignVCenter, nullptr, m_shortcut));
    body()->addWidget(
        new FormRow(QStringLiteral("Autoupload to cloud"), Qt::AlignTop,
                    description(QStringLiteral("When taking a screenshot, the tools panel doesn't show "
                                               "up. \nThe screenshot is immediately uploaded to the cloud.")),
                    m_autoUpload));
    body()->addWidget(new FormRow(QStringLiteral("Show project folders"), Qt::AlignTop,
                                  description(QStringLiteral("Displaying \"Go to Project\" section in Quillnest menu "
                                                             "(top bar menu).")),
                                  m_showProjects));
    body()->addWidget(new FormRow(QStringLiteral("Open at login"), Qt::AlignVCenter, nullptr, m_openAtLogin));

    bindSwitch(m_autoUpload, &m_env, &SettingsModel::autoUpload, &SettingsModel::autoUploadChanged,
               &SettingsModel::setAutoUpload);
    bindSwitch(m_showProjects, &m_env, &SettingsModel::showProjects, &SettingsModel::showProjectsChanged,
               &SettingsModel::setShowProjects);
    m_openAtLogin->setChecked(LaunchAtLogin::isEnabled());
    connect(m_openAtLogin, &Switch::clicked, this, [this](bool checked) {
        LaunchAtLogin::setEnabled(checked);
        // Whatever happened, the switch shows what the disk says.
        m_openAtLogin->setChecked(LaunchAtLogin::isEnabled());
    });
    connect(m_shortcut, &ShortcutRecorder::refused, this, [](const QKeySequence &, const QString &message) {
        SettingsRequests::shared().requestNotice(QStringLiteral("\u2328\uFE0F"), message);
    });
    connect(resetLink(), &LinkButton::clicked, this, &ApplicationSettings::resetSettings);
}

void ApplicationSettings::showEvent(QShowEvent *event) {
    SettingsPage::showEvent(event);
    // Another program or the user's desktop settings may have changed the entry.
    m_openAtLogin->setChecked(LaunchAtLogin::isEnabled());
}

void ApplicationSettings::resetSettings() {
    m_env.setAutoUpload(false);
    m_env.setShowProjects(false);
    m_registry.reset(ShortcutRegistry::Name::openScreenshot);
}

} // namespace qn
