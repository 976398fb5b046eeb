#pragma once
#include "app/state/CloudRecords.h"

#include <QAction>
#include <QJsonArray>
#include <QKeySequence>
#include <QObject>
#include <QPointer>
#include <span>
#include <variant>

#include <QMenu>
class QTimer;

namespace qn {

class APICore;
class BrowserSignIn;
class SettingsModel;
class SleepWatcher;
class StatusItem;
class ToolbarDelegate;
struct TrayMenuRow;
class UpdateChecker;

// A status menu item; project and draft entries carry their record.
class TrayMenuItem : public QAction {
    Q_OBJECT
public:
    using QAction::QAction;
    std::variant<std::monostate, Project, Draft> anyData;
};

// The tray icon and its menu. The menu is rebuilt from the preferences whenever
// they change; the icon shows when there are new comments or an update.
class TrayMenu : public QObject {
    Q_OBJECT
public:
    static TrayMenu &shared();
    // A controller on its own preferences model; `updater` may be none (tests).
    // `api` is the cloud client it talks to (the shared one when none).
    TrayMenu(SettingsModel &settings, UpdateChecker *updater, QObject *parent = nullptr, APICore *api = nullptr);
    ~TrayMenu() override;

    // Icon, menu, hot key, first information load, refresh timer, sleep watching.
    void setup();
    void teardown();
    // Discards the menu and builds it anew, with the icon.
    void rebuildMenu();
    // Loads the status information / the project list when signed in.
    void reloadTrayInfo();
    void reloadProjects();

    // The update checker's answers.
    void updateFound();
    void updateNotFound();

    // What the menu items, the hot key and other parts of the program run.
    void screenshotAction();
    void loginAction();
    void logoutAction();
    void settingsAction();
    void aboutAction();
    void keyboardAction();
    void howItWorkAction();
    void quillnestmeAction();
    void screenshotsAction();
    void projectAction(QObject *sender);
    void markAllAsReadAction();
    void autoUploadAction();
    void showNotificationsAction();
    void muteAction();
    void checkForUpdatesAction();
    void quitAction();

    StatusItem *statusBar() const { return m_statusBar; }
    QMenu *mainMenu() const { return m_mainMenu; }
    // "default@tray-logo" or "notification@tray-logo".
    QString iconName() const { return m_iconName; }
    bool hasUpdate() const { return m_hasUpdate; }
    bool deviceSleed() const { return m_deviceSleed; }
    void setDeviceSleed(bool sleeping) { m_deviceSleed = sleeping; }

    // The browser sign-in: its poll timer and the count of polls sent.
    BrowserSignIn &signIn() const { return *m_signIn; }

    // A menu as data: [{title, checked, enabled, shortcut, submenu:[…]} | {separator}].
    static QJsonArray describe(const QMenu *menu);

private:
    TrayMenuItem *item(QMenu *menu, const QString &title, void (TrayMenu::*action)());
    // The rows of a menu table that are shown now; submenus belong to `mainMenu`.
    void addRows(QMenu *menu, QMenu *mainMenu, std::span<const TrayMenuRow> rows);
    void addProjects(TrayMenuItem *projects, QMenu *mainMenu);
    void addFeeds(TrayMenuItem *comments, QMenu *mainMenu);
    // A project or draft entry: choosing it opens its page.
    TrayMenuItem *entry(QMenu *menu, const QString &title, std::variant<std::monostate, Project, Draft> data);
    void refreshTick();
    // The menu as a diagnostic line, for tests that cannot read menus from X11.
    void printMenu() const;
    void hotKeyTaken(const QKeySequence &sequence);

    SettingsModel &m_settings;
    APICore &m_api;
    UpdateChecker *m_updater;
    BrowserSignIn *m_signIn;
    ToolbarDelegate *m_toolbarDelegate; // uploads files dropped on the icon
    StatusItem *m_statusBar;
    QPointer<QMenu> m_mainMenu;
    QTimer *m_updateTrayTimer = nullptr;
    SleepWatcher *m_sleepWatcher = nullptr;
    QString m_iconName;
    bool m_hasUpdate = false;
    bool m_deviceSleed = false;
    bool m_rebuildPending = false;
};

} // namespace qn
