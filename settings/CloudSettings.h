#pragma once
#include <QObject>
#include <QWidget>
#include <functional>

class QStackedLayout;

namespace qn {

class ControlsReport;
class KitLabel;
class SettingsModel;

// The "Cloud account" page: a sign-in prompt while no user name is known, the
// account with log-out, web settings and refresh once signed in, and a spinner over
// everything while a sign-in or a refresh is busy. Its actions are the status
// menu's own.
class CloudSettings : public QWidget {
    Q_OBJECT
public:
    // Mirrors the two account fields of the preferences model.
    class ViewModel : public QObject {
    public:
        explicit ViewModel(SettingsModel &settings, QObject *parent = nullptr);
        bool settingsLoader = false;
        QString name;
        std::function<void()> changed;
    };

    explicit CloudSettings(SettingsModel &settings, QWidget *parent = nullptr);

    enum class State { Loading, SignedOut, SignedIn };
    State state() const;

    // "Refresh settings": the cover for 2 s while the projects reload.
    void refreshSettings();

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void apply();
    QWidget *makeSignedOut();
    QWidget *makeSignedIn();

    SettingsModel &m_settings;
    ViewModel *m_viewModel;
    QStackedLayout *m_stack;
    QWidget *m_signedOut;
    QWidget *m_signedIn;
    QWidget *m_cover;
    KitLabel *m_greeting = nullptr;
    ControlsReport *m_report;
    int m_shownState = -1;
};

} // namespace qn
