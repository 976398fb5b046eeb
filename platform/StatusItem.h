#pragma once
#include <QIcon>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QRect>

class QSystemTrayIcon;

namespace qn {

// The program's icon in the system tray with its menu, which opens on a left click
// as well as on a right click. Its geometry anchors the tray notifications.
class StatusItem : public QObject {
    Q_OBJECT
public:
    explicit StatusItem(QObject *parent = nullptr);
    ~StatusItem() override;

    // The first status item made, which the notifications hang under; none before.
    static StatusItem *main();

    void setIcon(const QIcon &icon);
    // The menu is not owned; it may be replaced at any time (also while open).
    void setMenu(QMenu *menu);
    QMenu *menu() const { return m_menu; }
    void show();
    // Where the icon is on screen; an empty rectangle when the tray does not say.
    QRect geometry() const;
    // A tray host is running, so the icon can be seen.
    static bool trayAvailable();

Q_SIGNALS:
    void menuAboutToShow();

private:
    void popUpMenu();

    QSystemTrayIcon *m_tray;
    QPointer<QMenu> m_menu;
};

} // namespace qn
