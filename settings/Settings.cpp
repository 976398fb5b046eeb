#include "settings/Settings.h"

#include "app/state/Models.h"
#include "app/state/SettingsModel.h"
#include "platform/Diagnostics.h"
#include "platform/Observe.h"
#include "settings/AboutSettings.h"
#include "settings/AppearanceSettings.h"
#include "settings/ApplicationSettings.h"
#include "settings/CloudSettings.h"
#include "settings/ControlsReport.h"
#include "settings/HotkeySettings.h"
#include "settings/NotificationSettings.h"
#include "uikit/BundleInfo.h"
#include "uikit/SettingsTemplate.h"
#include "uikit/SidebarRow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QTimer>
#include <QPointer>
#include <QScrollArea>
#include <QVBoxLayout>

namespace qn {

namespace {
QElapsedTimer &clock() {
    static QElapsedTimer timer;
    if (!timer.isValid())
        timer.start();
    return timer;
}
qint64 g_openRequested = -1;
} // namespace

void Settings::markOpenRequested() { g_openRequested = clock().nsecsElapsed(); }

Settings::ViewModel::ViewModel(SettingsModel &model, QObject *parent)
    : QObject(parent), menuItems(allSettingsMenus()), settings(model.settings()) {
    QPointer<ViewModel> self(this);
    observe(&model, &SettingsModel::settings, &SettingsModel::settingsChanged, this, [self](SettingsMenu page) {
        if (!self)
            return;
        self->settings = page;
        if (self->changed)
            self->changed();
    });
}

Settings::Settings(SettingsModel *model, QWidget *parent)
    : QWidget(parent), m_model(model ? *model : *Models::shared().settingsModel()),
      m_viewModel(new ViewModel(m_model, this)), m_shown(m_viewModel->settings),
      m_report(new ControlsReport(this, diagnostics::settingsWindow())) {
    auto *menu = new QWidget();
    auto *menuColumn = new QVBoxLayout(menu);
    menuColumn->setContentsMargins(0, 0, 0, 0);
    menuColumn->setSpacing(0);
    for (SettingsMenu page : m_viewModel->menuItems) {
        auto *row = new SidebarRow(settingsMenuRawValue(page), page == m_shown);
        row->setObjectName(QStringLiteral("sidebar:") + settingsMenuRawValue(page));
        connect(row, &SidebarRow::clicked, this, [this, page] { selectPage(page); });
        menuColumn->addWidget(row);
        m_rows << row;
    }
    const QString label = BundleInfo::main().appName().value_or(QStringLiteral("Settings"));
    m_template = new SettingsTemplate(ColorScheme::Light, label, menu, makeDetail(m_shown), this);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_template);
    setMinimumHeight(kMinimumHeight);
    m_viewModel->changed = [this] { apply(); };
    if (g_openRequested >= 0) {
        m_timedSince = g_openRequested;
        g_openRequested = -1;
        timePaintOf(detail(), QStringLiteral("opened"));
    }
    if (diagnostics::enabled()) {
        // Keyboard tests follow the focus through the window.
        connect(qApp, &QApplication::focusChanged, this, [this](QWidget *, QWidget *now) {
            if (now && isAncestorOf(now) && !now->objectName().isEmpty())
                diagnostics::print(diagnostics::settingsFocus(now->objectName()));
        });
    }
}

QWidget *Settings::detail() const { return m_template->content(); }

void Settings::selectPage(SettingsMenu page) { m_model.setSettings(page); }

QWidget *Settings::makeDetail(SettingsMenu page) {
    switch (page) {
    case SettingsMenu::Account: return new CloudSettings(m_model);
    case SettingsMenu::Notification: return new NotificationSettings(m_model);
    case SettingsMenu::Appearance: return new AppearanceSettings(m_model);
    case SettingsMenu::Settings: return new ApplicationSettings(m_model);
    case SettingsMenu::About: return new AboutSettings();
    case SettingsMenu::Hotkeys: {
        auto *scroll = new QScrollArea();
        scroll->setObjectName(QStringLiteral("hotkeysScroll"));
        scroll->setFrameShape(QFrame::NoFrame);
        scroll->setWidgetResizable(true);
        scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        scroll->setWidget(new HotkeySettings());
        return scroll;
    }
    }
    return new CloudSettings(m_model);
}

void Settings::apply() {
    const SettingsMenu page = m_viewModel->settings;
    for (int i = 0; i < m_rows.size(); ++i)
        m_rows[i]->setActive(m_viewModel->menuItems.value(i) == page);
    // The row of the page on show writes the same page again: nothing to redo.
    if (page == m_shown && detail())
        return;
    m_shown = page;
    m_timedSince = clock().nsecsElapsed();
    m_template->setContent(makeDetail(page));
    timePaintOf(detail(), QStringLiteral("switched"));
    diagnostics::print(diagnostics::settingsShowing(settingsMenuRawValue(page)));
    m_report->request();
}

void Settings::timePaintOf(QWidget *page, const QString &what) {
    if (!page)
        return;
    if (m_timedPage)
        m_timedPage->removeEventFilter(this);
    m_timedPage = page;
    m_timedWhat = what;
    page->installEventFilter(this);
}

bool Settings::eventFilter(QObject *watched, QEvent *event) {
    if (watched == m_timedPage && event->type() == QEvent::Paint) {
        m_timedPage->removeEventFilter(this);
        m_timedPage = nullptr;
        const qint64 since = m_timedSince;
        const QString what = m_timedWhat;
        // After this paint the frame is handed to the X server on the same turn.
        QTimer::singleShot(0, this, [since, what] {
            const double ms = (clock().nsecsElapsed() - since) / 1e6;
            diagnostics::print(diagnostics::pageTimed(what, ms));
        });
    }
    return QWidget::eventFilter(watched, event);
}

void Settings::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    m_report->request();
}

} // namespace qn
