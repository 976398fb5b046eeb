#include "app/TrayMenu.h"

#include "BuildInfo.h"
#include "app/Analytic.h"
#include "app/BrowserSignIn.h"
#include "app/CloudLoaders.h"
#include "app/ToolbarDelegate.h"
#include "app/TrayNotification.h"
#include "app/TrayNotificationsManager.h"
#include "app/state/Defines.h"
#include "app/state/Models.h"
#include "app/state/SettingsModel.h"
#include "capture/DrawCore.h"
#include "capture/WindowsCore.h"
#include "cloud/APICore.h"
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

namespace qn {

namespace {
const QString kDefaultIcon = QStringLiteral("default@tray-logo");
const QString kNotificationIcon = QStringLiteral("notification@tray-logo");
constexpr int kRefreshMs = 600'000;
} // namespace

// A row of a status menu table.
struct TrayMenuRow {
    // When the row is there.
    enum class Shown : quint8 { Always, SignedOut, SignedIn, SignedInWithProjects };
    // What sets a row apart from a plain item: the hot key it shows, its check
    // mark, its submenu or a title that changes.
    enum class Extra : quint8 {
        None,
        HotKey,
        CheckedWhenAutoUpload,
        CheckedWhenShowNotifications,
        CheckedWhenSoundOn,
        ProjectsSubmenu,
        FeedsSubmenu,
        InformationSubmenu,
        UpdateTitle,
        WebsiteTitle,
    };

    const char *title; // none: a separator
    void (TrayMenu::*action)() = nullptr;
    Shown shown = Shown::Always;
    Extra extra = Extra::None;
};

namespace {
using MenuRow = TrayMenuRow;
using Shown = TrayMenuRow::Shown;
using Extra = TrayMenuRow::Extra;

constexpr MenuRow kSeparator{nullptr};
constexpr MenuRow kSignedInSeparator{nullptr, nullptr, Shown::SignedIn};

// The status menu, top to bottom. Items without action or submenu show disabled.
constexpr MenuRow kStatusMenu[] = {
    {"Take Screenshot", &TrayMenu::screenshotAction, Shown::Always, Extra::HotKey},
    kSeparator,
    {"Sign In / Sign Up", &TrayMenu::loginAction, Shown::SignedOut},
    {"My Cloud", &TrayMenu::screenshotsAction, Shown::SignedIn},
    {"Go to Project", nullptr, Shown::SignedInWithProjects, Extra::ProjectsSubmenu},
    {"New Comments", nullptr, Shown::SignedIn, Extra::FeedsSubmenu},
    kSeparator,
    {"Autoupload to cloud", &TrayMenu::autoUploadAction, Shown::Always, Extra::CheckedWhenAutoUpload},
    {"Show Notifications", &TrayMenu::showNotificationsAction, Shown::Always, Extra::CheckedWhenShowNotifications},
    {"Sound Notifications ON/OFF", &TrayMenu::muteAction, Shown::Always, Extra::CheckedWhenSoundOn},
    {"Settings", &TrayMenu::settingsAction},
    kSeparator,
    {"Check for updates", &TrayMenu::checkForUpdatesAction, Shown::Always, Extra::UpdateTitle},
    {"More info", nullptr, Shown::Always, Extra::InformationSubmenu},
    kSeparator,
    {"Log Out", &TrayMenu::logoutAction, Shown::SignedIn},
    kSignedInSeparator,
    {"Quit", &TrayMenu::quitAction},
};

// The submenu of "More info"; the first item is titled with the product's web address.
constexpr MenuRow kInformationMenu[] = {
    {"", &TrayMenu::quillnestmeAction, Shown::Always, Extra::WebsiteTitle},
    {"Onboarding", &TrayMenu::howItWorkAction},
    {"Keyboard", &TrayMenu::keyboardAction},
    {"About", &TrayMenu::aboutAction},
};

bool isShown(Shown shown, bool signedIn, bool showProjects) {
    switch (shown) {
    case Shown::Always: return true;
    case Shown::SignedOut: return !signedIn;
    case Shown::SignedIn: return signedIn;
    case Shown::SignedInWithProjects: return signedIn && showProjects;
    }
    return false;
}
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
        diagnostics::report(diagnostics::noSystemTray());
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
        TrayNotificationsManager::shared().show(QStringLiteral("\u2328\uFE0F"), true,
                                                notice::row({notice::text(text)}));
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
    addRows(menu, menu, kStatusMenu);

    m_mainMenu = menu;
    m_statusBar->setMenu(menu);
    // Which item is highlighted cannot be read from outside the program; the tests walk
    // the menu by it, key by key, instead of trusting that each key arrived.
    if (diagnostics::enabled()) {
        QList<QMenu *> menus = menu->findChildren<QMenu *>();
        menus.prepend(menu);
        for (QMenu *m : menus)
            connect(m, &QMenu::hovered, this,
                    [](QAction *action) { diagnostics::print(diagnostics::menuHighlighted(action->text())); });
    }
    // The old menu may be the one whose item is being handled right now.
    if (old)
        old->deleteLater();
    printMenu();
}

void TrayMenu::addRows(QMenu *menu, QMenu *mainMenu, std::span<const TrayMenuRow> rows) {
    const bool signedIn = !m_settings.token().isEmpty();
    for (const MenuRow &row : rows) {
        if (!isShown(row.shown, signedIn, m_settings.showProjects()))
            continue;
        if (!row.title) {
            menu->addSeparator();
            continue;
        }
        TrayMenuItem *it = item(menu, QString::fromUtf8(row.title), row.action);
        switch (row.extra) {
        case Extra::None: break;
        case Extra::HotKey:
            // The item shows the current hot key and follows its later changes.
            ShortcutRegistry::shared().bind(it, ShortcutRegistry::Name::openScreenshot);
            break;
        case Extra::CheckedWhenAutoUpload:
            it->setCheckable(true);
            it->setChecked(m_settings.autoUpload());
            break;
        case Extra::CheckedWhenShowNotifications:
            it->setCheckable(true);
            it->setChecked(m_settings.showNotifications());
            break;
        case Extra::CheckedWhenSoundOn:
            it->setCheckable(true);
            it->setChecked(!m_settings.muted());
            break;
        case Extra::ProjectsSubmenu: addProjects(it, mainMenu); break;
        case Extra::FeedsSubmenu: addFeeds(it, mainMenu); break;
        case Extra::InformationSubmenu: {
            auto *information = new QMenu(mainMenu);
            addRows(information, mainMenu, kInformationMenu);
            it->setMenu(information);
            break;
        }
        case Extra::UpdateTitle:
            if (m_hasUpdate)
                it->setText(QStringLiteral("New Update Ready \U0001F44B"));
            break;
        case Extra::WebsiteTitle: it->setText(Defines::productWebsiteTitle()); break;
        }
    }
}

TrayMenuItem *TrayMenu::entry(QMenu *menu, const QString &title, std::variant<std::monostate, Project, Draft> data) {
    auto *it = new TrayMenuItem(title, menu);
    it->anyData = std::move(data);
    connect(it, &QAction::triggered, this, [this, it] { projectAction(it); });
    menu->addAction(it);
    return it;
}

void TrayMenu::addProjects(TrayMenuItem *projects, QMenu *mainMenu) {
    auto *projectsMenu = new QMenu(mainMenu);
    for (const Project &project : m_settings.projects())
        if (project.temporary != 1)
            entry(projectsMenu, project.name, project);
    if (!projectsMenu->isEmpty())
        projects->setMenu(projectsMenu);
    else
        projects->setEnabled(false);
}

void TrayMenu::addFeeds(TrayMenuItem *comments, QMenu *mainMenu) {
    const QList<Draft> feeds = m_settings.feeds();
    if (feeds.isEmpty()) {
        comments->setEnabled(false);
        return;
    }
    auto *feedsMenu = new QMenu(mainMenu);
    for (const Draft &draft : feeds)
        entry(feedsMenu, draft.name, draft);
    feedsMenu->addSeparator();
    item(feedsMenu, QStringLiteral("Mark all as read"), &TrayMenu::markAllAsReadAction);
    comments->setMenu(feedsMenu);
    comments->setText(QStringLiteral("New Comments  \U0001F4AC\uFE0F"));
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

void TrayMenu::checkForUpdatesAction() {
    if (m_updater)
        m_updater->checkInteractively();
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
