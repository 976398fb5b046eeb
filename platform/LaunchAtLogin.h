#pragma once
#include <QString>

namespace qn {

// Starting the program when the user logs in, the freedesktop way: an autostart
// entry in $XDG_CONFIG_HOME/autostart (~/.config/autostart). The entry on disk is the
// only state, so every reader sees what the session manager will do.
namespace LaunchAtLogin {
// The entry's file name inside the autostart folder.
QString entryFileName();
// Where the entry lives (it may not exist).
QString entryPath();
// True when the entry exists and is not switched off (Hidden=true, or
// X-GNOME-Autostart-enabled=false, as desktop settings tools write it).
bool isEnabled();
// Writes (atomically) or removes the entry. Returns whether the disk now says so;
// a failure is printed on standard output.
bool setEnabled(bool enabled);
// The entry's text for a program at `executable`.
QString entryText(const QString &executable);
} // namespace LaunchAtLogin

} // namespace qn
