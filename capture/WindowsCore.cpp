#include "capture/WindowsCore.h"

#include "app/Models.h"
#include "app/SettingsModel.h"

#include <QApplication>
#include <QScreen>
#include <QWidget>

namespace qn {

WindowsCore &WindowsCore::shared() {
    static WindowsCore core;
    return core;
}

QList<Window> WindowsCore::windowsOnDisplay(QScreen *) const { return {}; }

namespace {
QWidget *findByTitle(const QString &title) {
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->windowTitle() == title)
            return w;
    return nullptr;
}

void bringForward(QWidget *window) {
    window->show();
    window->raise();
    window->activateWindow();
}

QWidget *makeWindow(const QString &title, QSize size) {
    auto *window = new QWidget(nullptr, Qt::Window);
    window->setWindowTitle(title);
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    window->resize(size);
    return window;
}
} // namespace

QWidget *WindowsCore::settingsWindow() const { return findByTitle(settingsTitle); }
QWidget *WindowsCore::onboardingWindow() const { return findByTitle(onboardingTitle); }

void WindowsCore::openSettings() {
    Models::shared().settingsModel()->setSettings(SettingsMenu::Account);
    QWidget *window = settingsWindow();
    if (!window)
        window = makeWindow(settingsTitle, QSize(760, 520));
    bringForward(window);
}

void WindowsCore::openOnboarding() {
    QWidget *window = onboardingWindow();
    if (!window)
        window = makeWindow(onboardingTitle, QSize(720, 560));
    bringForward(window);
}

} // namespace qn
