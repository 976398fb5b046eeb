#pragma once
#include "app/state/SettingsMenu.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>

namespace qn {

class ControlsReport;
class SettingsModel;
class SettingsTemplate;
class SidebarRow;

// The settings window's content: the sidebar of six pages beside the page the
// preferences model names. The page lives in the model, not here: the status menu
// opens the window on a page by writing it, and the sidebar writes it on a click.
class Settings : public QWidget {
    Q_OBJECT
public:
    // Mirrors SettingsModel.settings.
    class ViewModel : public QObject {
    public:
        explicit ViewModel(SettingsModel &model, QObject *parent = nullptr);
        QList<SettingsMenu> menuItems;
        SettingsMenu settings;
        std::function<void()> changed;
    };

    explicit Settings(SettingsModel *model = nullptr, QWidget *parent = nullptr);

    // Writes the page to the model; the view follows through its subscription.
    void selectPage(SettingsMenu page);
    SettingsMenu shownPage() const { return m_shown; }
    QWidget *detail() const;
    QList<SidebarRow *> rows() const { return m_rows; }
    SettingsTemplate *frame() const { return m_template; }
    // A fresh page widget for `page` (the Hotkeys page comes inside a scroll area).
    QWidget *makeDetail(SettingsMenu page);

    static constexpr int kMinimumHeight = 468;

    // The opener marks when the user asked for the window; the first painted page
    // reports how long that took (diagnostics only, for the benchmarks).
    static void markOpenRequested();

    bool eventFilter(QObject *watched, QEvent *event) override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void apply();
    void timePaintOf(QWidget *page, const QString &what);

    SettingsModel &m_model;
    ViewModel *m_viewModel;
    SettingsTemplate *m_template;
    QList<SidebarRow *> m_rows;
    SettingsMenu m_shown;
    ControlsReport *m_report;
    QPointer<QWidget> m_timedPage;
    QString m_timedWhat;
    qint64 m_timedSince = -1;
};

} // namespace qn
