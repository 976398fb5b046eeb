#pragma once
#include <QList>
#include <QStringList>
#include <QWidget>

namespace qn::gallery {

// The top-level windows of one page, and the one that gets the focus once shown.
struct Page {
    QList<QWidget *> windows;
    QWidget *focus = nullptr;
};

// Every kit component, light beside dark.
Page kitPage();
// Two settings windows, sidebar light and dark.
Page settingsPage();
// The editor chrome over a stand-in screen, light and dark. `args` may hold
// "--popover palette|tools" and "--floating".
Page chromePage(const QStringList &args);
// The recording bar in its three states, the options card and the settings panel,
// light and dark.
Page recordingPage();

} // namespace qn::gallery
