#include "platform/StatusItem.h"

#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QWidget>

namespace qn {

namespace {
StatusItem *g_main = nullptr;

// The window Qt embeds in an XEmbed tray for an icon at `geometry`; none where the
// tray draws icons itself (StatusNotifierItem) or no tray runs.
QWidget *embeddedIconWindow(const QRect &geometry) {
    if (!geometry.isValid())
        return nullptr;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->inherits("QSystemTrayIconSys") && QRect(w->mapToGlobal(QPoint(0, 0)), w->size()) == geometry)
            return w;
    return nullptr;
}
} // namespace

StatusItem::StatusItem(QObject *parent) : QObject(parent), m_tray(new QSystemTrayIcon(this)) {
    if (!g_main)
        g_main = this;
    m_tray->setToolTip(QStringLiteral("Quillnest"));
    connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        // The tray itself opens the menu on a right click; a left click opens it too.
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
            popUpMenu();
    });
}

StatusItem::~StatusItem() {
    if (g_main == this)
        g_main = nullptr;
}

StatusItem *StatusItem::main() { return g_main; }

void StatusItem::setIcon(const QIcon &icon) {
    m_tray->setIcon(icon);
    attachDropSurface();
}

void StatusItem::setMenu(QMenu *menu) {
    if (m_menu)
        disconnect(m_menu, &QMenu::aboutToShow, this, &StatusItem::menuAboutToShow);
    m_menu = menu;
    m_tray->setContextMenu(menu);
    if (menu)
        connect(menu, &QMenu::aboutToShow, this, &StatusItem::menuAboutToShow);
}

void StatusItem::show() {
    m_tray->show();
    attachDropSurface();
}

void StatusItem::setDropHandler(QObject *handler) {
    if (m_dropSurface && m_dropHandler)
        m_dropSurface->removeEventFilter(m_dropHandler);
    m_dropHandler = handler;
    m_dropSurface.clear();
    attachDropSurface();
}

void StatusItem::attachDropSurface() {
    if (!m_dropHandler || !m_tray->isVisible())
        return;
    // The tray may have embedded the icon anew (a restarted tray): follow its window.
    QWidget *surface = embeddedIconWindow(m_tray->geometry());
    if (!surface || surface == m_dropSurface)
        return;
    m_dropSurface = surface;
    surface->setAcceptDrops(true);
    surface->installEventFilter(m_dropHandler);
}

QRect StatusItem::geometry() const { return m_tray->isVisible() ? m_tray->geometry() : QRect(); }

bool StatusItem::trayAvailable() { return QSystemTrayIcon::isSystemTrayAvailable(); }

void StatusItem::popUpMenu() {
    if (!m_menu || m_menu->isVisible())
        return;
    const QRect icon = geometry();
    m_menu->popup(icon.isValid() ? icon.bottomLeft() + QPoint(0, 1) : QCursor::pos());
}

} // namespace qn
