#pragma once
#include "settings/SettingsPage.h"

namespace qn {

class SettingsModel;
class Switch;

// The "Notifications" page: sounds on or off (stored inverted, as "isMuted") and
// the tray notices, with a reset that turns every notification preference on.
class NotificationSettings : public SettingsPage {
    Q_OBJECT
public:
    explicit NotificationSettings(SettingsModel &env, QWidget *parent = nullptr);

    void resetNotifications();
    // Runs when `notMuted` really changes while the page exists.
    void soundChanged(bool notMuted);

    Switch *soundSwitch() const { return m_sound; }
    Switch *notificationsSwitch() const { return m_notifications; }

private:
    SettingsModel &m_env;
    Switch *m_sound;
    Switch *m_notifications;
    bool m_lastNotMuted;
};

} // namespace qn
