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

    // Drags over the icon go to `handler`, an event filter that takes the drag and
    // drop events. Only a tray that shows the icon as a window of ours (XEmbed) lets
    // drops reach it; a tray that draws the icon itself offers no place to drop.
    void setDropHandler(QObject *handler);
    // Whether drops on the icon reach the handler now.
    bool acceptsDrops() const { return !m_dropSurface.isNull(); }

Q_SIGNALS:
    void menuAboutToShow();

private:
    void popUpMenu();
    void attachDropSurface();

    QSystemTrayIcon *m_tray;
    QPointer<QMenu> m_menu;
    QPointer<QObject> m_dropHandler;
    QPointer<QWidget> m_dropSurface;
};

} // namespace qn
