#include "app/TrayMenu.h"

#include "BuildInfo.h"
#include "app/Analytic.h"
#include "app/BrowserSignIn.h"
#include "app/Defines.h"
#include "app/Models.h"
#include "app/SettingsModel.h"
#include "app/TrayNotification.h"
#include "app/TrayNotificationsManager.h"
#include "capture/DrawCore.h"
#include "capture/WindowsCore.h"
#include "cloud/APICore.h"
#include "cloud/CloudLoaders.h"
#include "cloud/ToolbarDelegate.h"
#include "platform/Diagnostics.h"
#include "platform/ShortcutRegistry.h"
#include "platform/SleepWatcher.h"
#include "platform/StatusItem.h"
#include "platform/UpdateChecker.h"
#include "platform/UrlOpener.h"

#include <QCoreApplication>
#include <QIcon>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMenu>
#include <QTimer>
#include <cstdio>

namespace qn {

namespace {
const QString kDefaultIcon = QStringLiteral("default@tray-logo");
const QString kNotificationIcon = QStringLiteral("notification@tray-logo");
constexpr int kRefreshMs = 600'000;
} // namespace

TrayMenu &TrayMenu::shared() {
    // Made once, at launch, and kept until the process ends.
    static TrayMenu *menu = [] {
        auto *updater = new UpdateChecker(Defines::updateFeed(), QString::fromUtf8(build::kVersion),
                                          QString::fromUtf8(build::kBuildNumber));
        auto *controller = new TrayMenu(*Models::shared().settingsModel(), updater);
        updater->setParent(controller);
        return controller;
    }();
    return *menu;
}

TrayMenu::TrayMenu(SettingsModel &settings, UpdateChecker *updater, QObject *parent, APICore *api)
    : QObject(parent), m_settings(settings), m_api(api ? *api : APICore::shared()), m_updater(updater),
      m_signIn(new BrowserSignIn(m_api, m_settings, this)), m_toolbarDelegate(new ToolbarDelegate(m_api, this)),
      m_statusBar(new StatusItem(this)) {
    m_signIn->effects().reloadTrayInfo = [this] { reloadTrayInfo(); };
    m_signIn->effects().rebuildMenu = [this] { rebuildMenu(); };
    connect(&m_settings, &SettingsModel::statusMenuRebuildRequested, this, &TrayMenu::rebuildMenu);
    connect(m_statusBar, &StatusItem::menuAboutToShow, this, &TrayMenu::printMenu);
    if (m_updater) {
        connect(m_updater, &UpdateChecker::updateFound, this, &TrayMenu::updateFound);
        connect(m_updater, &UpdateChecker::updateNotFound, this, &TrayMenu::updateNotFound);
        m_updater->checkInBackground();
    }
}

TrayMenu::~TrayMenu() {
    if (m_mainMenu)
        delete m_mainMenu;
}

void TrayMenu::setup() {
    m_iconName = kDefaultIcon;
    m_statusBar->setIcon(QIcon(QStringLiteral(":/icons/") + m_iconName + QStringLiteral(".svg")));
    m_statusBar->setDropHandler(m_toolbarDelegate);
    m_statusBar->show();
    if (!StatusItem::trayAvailable())
        std::printf("No system tray is running: the Quillnest icon cannot be shown; the hot key still works\n");
    rebuildMenu();

    ShortcutRegistry &registry = ShortcutRegistry::shared();
    connect(&registry, &ShortcutRegistry::hotKeyTaken, this, [this](const QString &name, const QKeySequence &seq) {
        if (name == ShortcutRegistry::Name::openScreenshot)
            hotKeyTaken(seq);
    });
    registry.onKeyDown(ShortcutRegistry::Name::openScreenshot, this, [this] { screenshotAction(); });

    reloadTrayInfo();

    m_updateTrayTimer = new QTimer(this);
    m_updateTrayTimer->setInterval(kRefreshMs);
    connect(m_updateTrayTimer, &QTimer::timeout, this, &TrayMenu::refreshTick);
    m_updateTrayTimer->start();

    m_sleepWatcher = new SleepWatcher(this);
    connect(m_sleepWatcher, &SleepWatcher::willSleep, this, [this] { m_deviceSleed = true; });
    connect(m_sleepWatcher, &SleepWatcher::didWake, this, [this] { m_deviceSleed = false; });
    std::fflush(stdout);
}

void TrayMenu::teardown() {
    delete m_sleepWatcher;
    m_sleepWatcher = nullptr;
    if (m_updateTrayTimer)
        m_updateTrayTimer->stop();
    m_signIn->stopPolling();
}

void TrayMenu::refreshTick() {
    // Nothing is loaded while the machine sleeps; the first tick after waking does.
    if (m_deviceSleed)
        return;
    reloadTrayInfo();
    if (m_updater)
        m_updater->checkInBackground();
}

void TrayMenu::hotKeyTaken(const QKeySequence &sequence) {
    const QString text = sequence.toString(QKeySequence::NativeText) +
                         QStringLiteral(" is used by another program. Choose another hot key in Settings.");
    // A moment later, so the notice can hang under an icon the tray has placed.
    QTimer::singleShot(1000, this, [text] {
        TrayNotificationsManager::shared().show(QStringLiteral("\u2328\uFE0F"), true, notice::row({notice::text(text)}));
    });
}

void TrayMenu::reloadTrayInfo() {
    CloudLoaders::reloadTrayInfo(m_api, m_settings, this, [this] { rebuildMenu(); });
}

void TrayMenu::reloadProjects() {
    CloudLoaders::reloadProjects(m_api, m_settings, this, [this] { rebuildMenu(); });
}

void TrayMenu::updateFound() {
    m_hasUpdate = true;
    rebuildMenu();
}

void TrayMenu::updateNotFound() {
    m_hasUpdate = false;
    rebuildMenu();
}

TrayMenuItem *TrayMenu::item(QMenu *menu, const QString &title, void (TrayMenu::*action)()) {
    auto *it = new TrayMenuItem(title, menu);
    if (action)
        connect(it, &QAction::triggered, this, action);
    menu->addAction(it);
    return it;
}

void TrayMenu::rebuildMenu() {
    QMenu *old = m_mainMenu;
    // Never pull the menu away under the user's pointer: an open menu is rebuilt
    // as soon as it closes.
    if (old && old->isVisible()) {
        if (!m_rebuildPending) {
            m_rebuildPending = true;
            connect(old, &QMenu::aboutToHide, this, [this] { QTimer::singleShot(0, this, &TrayMenu::rebuildMenu); });
        }
        return;
    }
    m_rebuildPending = false;
    m_statusBar->setMenu(nullptr);

    m_iconName = (!m_settings.feeds().isEmpty() || m_hasUpdate) ? kNotificationIcon : kDefaultIcon;
    m_statusBar->setIcon(QIcon(QStringLiteral(":/icons/") + m_iconName + QStringLiteral(".svg")));

    auto *menu = new QMenu;
    const bool signedIn = !m_settings.token().isEmpty();

    TrayMenuItem *takeScreenshot = item(menu, QStringLiteral("Take Screenshot"), &TrayMenu::screenshotAction);
    ShortcutRegistry::shared().bind(takeScreenshot, ShortcutRegistry::Name::openScreenshot);
    menu->addSeparator();

    if (!signedIn) {
        item(menu, QStringLiteral("Sign In / Sign Up"), &TrayMenu::loginAction);
    } else {
        item(menu, QStringLiteral("My Cloud"), &TrayMenu::screenshotsAction);
        if (m_settings.showProjects()) {
            TrayMenuItem *projects = item(menu, QStringLiteral("Go to Project"), nullptr);
            auto *projectsMenu = new QMenu(menu);
            for (const Project &project : m_settings.projects()) {
                if (project.temporary == 1)
                    continue;
                auto *entry = new TrayMenuItem(project.name, projectsMenu);
                entry->anyData = project;
                connect(entry, &QAction::triggered, this, [this, entry] { projectAction(entry); });
                projectsMenu->addAction(entry);
            }
            if (!projectsMenu->isEmpty())
                projects->setMenu(projectsMenu);
            else
                projects->setEnabled(false);
        }
        TrayMenuItem *comments = item(menu, QStringLiteral("New Comments"), nullptr);
        const QList<Draft> feeds = m_settings.feeds();
        if (!feeds.isEmpty()) {
            auto *feedsMenu = new QMenu(menu);
            for (const Draft &draft : feeds) {
                auto *entry = new TrayMenuItem(draft.name, feedsMenu);
                entry->anyData = draft;
                connect(entry, &QAction::triggered, this, [this, entry] { projectAction(entry); });
                feedsMenu->addAction(entry);
            }
            feedsMenu->addSeparator();
            item(feedsMenu, QStringLiteral("Mark all as read"), &TrayMenu::markAllAsReadAction);
            comments->setMenu(feedsMenu);
            comments->setText(QStringLiteral("New Comments  \U0001F4AC\uFE0F"));
        } else {
            comments->setEnabled(false);
        }
    }
    menu->addSeparator();

    TrayMenuItem *autoUpload = item(menu, QStringLiteral("Autoupload to cloud"), &TrayMenu::autoUploadAction);
    autoUpload->setCheckable(true);
    autoUpload->setChecked(m_settings.autoUpload());
    TrayMenuItem *showNotifications =
        item(menu, QStringLiteral("Show Notifications"), &TrayMenu::showNotificationsAction);
    showNotifications->setCheckable(true);
    showNotifications->setChecked(m_settings.showNotifications());
    TrayMenuItem *soundMute = item(menu, QStringLiteral("Sound Notifications ON/OFF"), &TrayMenu::muteAction);
    soundMute->setCheckable(true);
    soundMute->setChecked(!m_settings.muted());
    item(menu, QStringLiteral("Settings"), &TrayMenu::settingsAction);
    menu->addSeparator();

    TrayMenuItem *checkForUpdates =
        item(menu, m_hasUpdate ? QStringLiteral("New Update Ready \U0001F44B") : QStringLiteral("Check for updates"),
             nullptr);
    connect(checkForUpdates, &QAction::triggered, this, [this] {
        if (m_updater)
            m_updater->checkInteractively();
    });
    TrayMenuItem *information = item(menu, QStringLiteral("More info"), nullptr);
    auto *informationMenu = new QMenu(menu);
    item(informationMenu, Defines::productWebsiteTitle(), &TrayMenu::quillnestmeAction);
    item(informationMenu, QStringLiteral("Onboarding"), &TrayMenu::howItWorkAction);
    item(informationMenu, QStringLiteral("Keyboard"), &TrayMenu::keyboardAction);
    item(informationMenu, QStringLiteral("About"), &TrayMenu::aboutAction);
    information->setMenu(informationMenu);
    menu->addSeparator();

    if (signedIn) {
        item(menu, QStringLiteral("Log Out"), &TrayMenu::logoutAction);
        menu->addSeparator();
    }
    item(menu, QStringLiteral("Quit"), &TrayMenu::quitAction);

    m_mainMenu = menu;
    m_statusBar->setMenu(menu);
    // The old menu may be the one whose item is being handled right now.
    if (old)
        old->deleteLater();
    printMenu();
}

void TrayMenu::printMenu() const {
    if (diagnostics::enabled())
        diagnostics::print(diagnostics::menu(QJsonDocument(describe(m_mainMenu)).toJson(QJsonDocument::Compact)));
}

QJsonArray TrayMenu::describe(const QMenu *menu) {
    QJsonArray items;
    if (!menu)
        return items;
    for (const QAction *action : menu->actions()) {
        if (action->isSeparator()) {
            items.append(QJsonObject{{QStringLiteral("separator"), true}});
            continue;
        }
        QJsonObject o{{QStringLiteral("title"), action->text()},
                      {QStringLiteral("checked"), action->isChecked()},
                      {QStringLiteral("enabled"), action->isEnabled()}};
        if (!action->shortcut().isEmpty())
            o.insert(QStringLiteral("shortcut"), action->shortcut().toString(QKeySequence::NativeText));
        if (action->menu())
            o.insert(QStringLiteral("submenu"), describe(action->menu()));
        items.append(o);
    }
    return items;
}

void TrayMenu::screenshotAction() {
    // X11 asks no permission to read the screen: the capture starts at once.
    DrawCore::shared().createDrawController();
}

void TrayMenu::loginAction() { m_signIn->loginAction(); }

void TrayMenu::logoutAction() {
    m_settings.logout();
    rebuildMenu();
    Analytic::setDefaultParameters();
}

void TrayMenu::settingsAction() { WindowsCore::shared().openSettings(); }

void TrayMenu::aboutAction() {
    WindowsCore::shared().openSettings();
    m_settings.setSettings(SettingsMenu::About);
}

void TrayMenu::keyboardAction() {
    WindowsCore::shared().openSettings();
    m_settings.setSettings(SettingsMenu::Hotkeys);
}

void TrayMenu::howItWorkAction() { WindowsCore::shared().openOnboarding(); }

void TrayMenu::quillnestmeAction() { UrlOpener::openWebPage(Defines::productWebsite()); }

void TrayMenu::screenshotsAction() {
    if (const auto address = Defines::serviceAddress(QStringLiteral("/public")))
        UrlOpener::openWebPage(*address);
}

void TrayMenu::projectAction(QObject *sender) {
    const auto *entry = qobject_cast<const TrayMenuItem *>(sender);
    if (!entry)
        return;
    if (const auto *project = std::get_if<Project>(&entry->anyData)) {
        // A project's address comes from the service: only web pages open.
        UrlOpener::openWebPage(project->url);
    } else if (const auto *draft = std::get_if<Draft>(&entry->anyData)) {
        const auto address = Defines::serviceAddress(QStringLiteral("/") + draft->short_link.name);
        if (!address)
            return;
        UrlOpener::openWebPage(*address);
        const qint64 id = draft->id;
        QList<Draft> remaining;
        for (const Draft &d : m_settings.feeds())
            if (d.id != id)
                remaining.append(d);
        m_settings.setFeeds(remaining);
    }
}

void TrayMenu::markAllAsReadAction() { CloudLoaders::markAllAsRead(m_api, m_settings); }

void TrayMenu::autoUploadAction() { m_settings.setAutoUpload(!m_settings.autoUpload()); }

void TrayMenu::showNotificationsAction() { m_settings.setShowNotifications(!m_settings.showNotifications()); }

void TrayMenu::muteAction() {
    m_settings.setMuted(!m_settings.muted());
    m_settings.setNotMuted(!m_settings.muted());
}

void TrayMenu::quitAction() { QCoreApplication::quit(); }

} // namespace qn
