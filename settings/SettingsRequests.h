#pragma once
#include <QObject>
#include <QString>

namespace qn {

// What the settings pages ask of the application around them: the status menu's
// account actions and a notice under the tray icon. The pages only announce; the
// application connects these signals at start-up, so settings/ needs nothing above
// it. With nothing connected (a test, a gallery) a request does nothing.
class SettingsRequests : public QObject {
    Q_OBJECT
public:
    static SettingsRequests &shared();

    void requestLogin() { Q_EMIT loginRequested(); }
    void requestLogout() { Q_EMIT logoutRequested(); }
    void requestProjectsReload() { Q_EMIT projectsReloadRequested(); }
    void requestNotice(const QString &emoji, const QString &text) { Q_EMIT noticeRequested(emoji, text); }

Q_SIGNALS:
    void loginRequested();
    void logoutRequested();
    void projectsReloadRequested();
    void noticeRequested(const QString &emoji, const QString &text);
};

} // namespace qn
