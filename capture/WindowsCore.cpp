#include "capture/WindowsCore.h"

#include "app/state/Models.h"
#include "app/state/SettingsModel.h"
#include "platform/WindowList.h"
#include "settings/FullSizeWindow.h"
#include "settings/OnboardingView.h"
#include "settings/Settings.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace qn {

WindowsCore &WindowsCore::shared() {
    static WindowsCore core;
    return core;
}

QList<Window> WindowsCore::windowsOnDisplay(QScreen *screen) const {
    if (!screen)
        return {};
    // The window list is in device pixels of the root; a screen's points start at
    // its own top-left corner and scale by its pixel ratio.
    const QRect geometry = screen->geometry();
    const qreal dpr = screen->devicePixelRatio();
    const QRectF native(geometry.topLeft(), QSizeF(geometry.size()) * dpr);
    QList<Window> out;
    for (const WindowListEntry &entry : listApplicationWindows()) {
        if (!native.intersects(entry.frame))
            continue;
        Window window;
        if (!entry.owner.isEmpty())
            window.owner = entry.owner;
        if (!entry.title.isEmpty())
            window.title = entry.title;
        const QPointF local = (QPointF(entry.frame.topLeft()) - native.topLeft()) / dpr;
        window.bounds = QRectF(QPointF(geometry.topLeft()) + local, QSizeF(entry.frame.size()) / dpr);
        out.append(window);
    }
    return out;
}

namespace {
// Like a menu-bar program, Quillnest is a "regular" application (one with windows
// in the task switcher) only while its settings or onboarding window is open.
enum class ActivationPolicy { Accessory, Regular };
ActivationPolicy g_policy = ActivationPolicy::Accessory;

QWidget *findByTitle(const QString &title) {
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->windowTitle() == title)
            return w;
    return nullptr;
}

void bringForward(QWidget *window) {
    g_policy = ActivationPolicy::Regular;
    window->show();
    window->raise();
    window->activateWindow();
}

void centreOnScreen(QWidget *window) {
    QScreen *screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame = window->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}

bool shown(const QWidget *window) { return window && window->isVisible(); }

FullSizeWindow *makeWindow(const QString &title, QSize size) {
    auto *window = new FullSizeWindow();
    window->setWindowTitle(title);
    // Not resizable: the pages give the window its size.
    window->setFixedSize(size);
    QObject::connect(window, &FullSizeWindow::closed, window, [] {
        // A tray program again once neither window is on screen.
        const WindowsCore &core = WindowsCore::shared();
        if (!shown(core.settingsWindow()) && !shown(core.onboardingWindow()))
            g_policy = ActivationPolicy::Accessory;
    });
    return window;
}
} // namespace

QWidget *WindowsCore::settingsWindow() const { return findByTitle(settingsTitle); }
QWidget *WindowsCore::onboardingWindow() const { return findByTitle(onboardingTitle); }

void WindowsCore::openSettings() {
    Settings::markOpenRequested();
    Models::shared().settingsModel()->setSettings(SettingsMenu::Account);
    if (QWidget *window = settingsWindow()) {
        bringForward(window);
        return;
    }
    FullSizeWindow *window = makeWindow(settingsTitle, QSize(716, Settings::kMinimumHeight));
    window->setContentView(new Settings());
    bringForward(window);
    centreOnScreen(window);
}

void WindowsCore::openOnboarding() {
    if (QWidget *window = onboardingWindow()) {
        bringForward(window);
        return;
    }
    FullSizeWindow *window = makeWindow(onboardingTitle, OnboardingView::kSize);
    window->setContentView(new OnboardingView());
    bringForward(window);
    centreOnScreen(window);
}

} // namespace qn
