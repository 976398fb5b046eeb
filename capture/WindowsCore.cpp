#include "capture/WindowsCore.h"

#include "app/Models.h"
#include "app/SettingsModel.h"
#include "platform/WindowList.h"

#include <QApplication>
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
