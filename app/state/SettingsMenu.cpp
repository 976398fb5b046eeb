#include "app/state/SettingsMenu.h"

namespace qn {

QString settingsMenuRawValue(SettingsMenu page) {
    switch (page) {
    case SettingsMenu::Account: return QStringLiteral("Cloud account");
    case SettingsMenu::Notification: return QStringLiteral("Notifications");
    case SettingsMenu::Appearance: return QStringLiteral("Appearance");
    case SettingsMenu::Settings: return QStringLiteral("Settings");
    case SettingsMenu::Hotkeys: return QStringLiteral("Hotkeys");
    case SettingsMenu::About: return QStringLiteral("About");
    }
    return QStringLiteral("Cloud account");
}

std::optional<SettingsMenu> settingsMenuFromRawValue(const QString &raw) {
    for (SettingsMenu page : allSettingsMenus())
        if (settingsMenuRawValue(page) == raw)
            return page;
    return std::nullopt;
}

QList<SettingsMenu> allSettingsMenus() {
    return {SettingsMenu::Account, SettingsMenu::Notification, SettingsMenu::Appearance,
            SettingsMenu::Settings, SettingsMenu::Hotkeys, SettingsMenu::About};
}

} // namespace qn
