#pragma once
#include <QMetaType>

namespace qn {

// The pages of the settings window, in sidebar order.
enum class SettingsMenu { Account, Notification, Appearance, Settings, Hotkeys, About };

} // namespace qn
Q_DECLARE_METATYPE(qn::SettingsMenu)
