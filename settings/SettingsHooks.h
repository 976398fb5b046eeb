#pragma once
#include <QString>
#include <functional>

class QWidget;

namespace qn {

// What the settings pages ask of the application around them: the status menu's
// account actions, the windows the pages open dialogs over or close, and a notice
// under the tray icon. The application fills these in at start-up; the pages only
// call them, so settings/ needs nothing above it. A hook left empty does nothing.
struct SettingsHooks {
    std::function<void()> login;
    std::function<void()> logout;
    std::function<void()> reloadProjects;
    std::function<QWidget *()> settingsWindow;
    std::function<QWidget *()> onboardingWindow;
    std::function<void(const QString &emoji, const QString &text)> notice;

    static SettingsHooks &shared();

    // Safe to call whatever is installed.
    static void run(const std::function<void()> &hook);
    static QWidget *window(const std::function<QWidget *()> &lookup);
};

} // namespace qn
