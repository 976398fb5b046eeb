#include "platform/StatusItem.h"

#include <QCursor>
#include <QMenu>
#include <QSystemTrayIcon>

namespace qn {

namespace {
StatusItem *g_main = nullptr;
}

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

void StatusItem::setIcon(const QIcon &icon) { m_tray->setIcon(icon); }

void StatusItem::setMenu(QMenu *menu) {
    if (m_menu)
        disconnect(m_menu, &QMenu::aboutToShow, this, &StatusItem::menuAboutToShow);
    m_menu = menu;
    m_tray->setContextMenu(menu);
    if (menu)
        connect(menu, &QMenu::aboutToShow, this, &StatusItem::menuAboutToShow);
}

void StatusItem::show() { m_tray->show(); }

QRect StatusItem::geometry() const { return m_tray->isVisible() ? m_tray->geometry() : QRect(); }

bool StatusItem::trayAvailable() { return QSystemTrayIcon::isSystemTrayAvailable(); }

void StatusItem::popUpMenu() {
    if (!m_menu || m_menu->isVisible())
        return;
    const QRect icon = geometry();
    m_menu->popup(icon.isValid() ? icon.bottomLeft() + QPoint(0, 1) : QCursor::pos());
}

} // namespace qn
