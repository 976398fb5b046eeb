#pragma once
#include <QList>
#include <QMetaType>
#include <QString>
#include <optional>

namespace qn {

// The pages of the settings window, in sidebar order. A page's raw value is its
// sidebar title; other programs and earlier versions know the pages by it.
enum class SettingsMenu { Account, Notification, Appearance, Settings, Hotkeys, About };

QString settingsMenuRawValue(SettingsMenu page);
// Exactly one of the six titles, compared case-sensitively; anything else is none.
std::optional<SettingsMenu> settingsMenuFromRawValue(const QString &raw);
// All six, in sidebar order.
QList<SettingsMenu> allSettingsMenus();

} // namespace qn
Q_DECLARE_METATYPE(qn::SettingsMenu)
