#pragma once
#include "cloud/CloudError.h"
#include "app/state/CloudRecords.h"

#include <QObject>
#include <QString>
#include <QUrl>
#include <functional>
#include <optional>

class QTimer;

namespace qn {

class APICore;
class SettingsModel;

// The sign-in through the browser: asks the service for a one-time link, opens its
// page in the browser, then polls every 5 s until the service hands out a token and
// the user's name. After more than 20 polls the first answer without a token ends
// the attempt with an error notice. The busy flag `settingsLoader` is set while an
// attempt runs.
class BrowserSignIn : public QObject {
    Q_OBJECT
public:
    static constexpr int kAttemptLimit = 20;
    static constexpr int kPollIntervalMs = 5000;
    static constexpr int kSigningInNoticeDelayMs = 1000;

    // What the sign-in shows and starts; the defaults use the tray notices, the
    // browser and the status-information loader.
    struct Effects {
        std::function<bool(const QUrl &)> openPage;
        std::function<void()> showSigningIn;
        std::function<void(const QString &name)> showSignedIn;
        std::function<void(const QString &description)> showError;
        std::function<void()> reloadTrayInfo;
        std::function<void()> rebuildMenu;
    };

    BrowserSignIn(APICore &api, SettingsModel &settings, QObject *parent = nullptr);

    void setEffects(Effects effects) { m_effects = std::move(effects); }
    Effects &effects() { return m_effects; }
    // Tests shorten the waits; the program keeps 5 s and 1 s.
    void setPollInterval(int milliseconds);
    void setSigningInNoticeDelay(int milliseconds) { m_noticeDelayMs = milliseconds; }

    // "Sign In / Sign Up": starts (or restarts) an attempt.
    void loginAction();
    // Stops polling (the program is ending); a running attempt is abandoned.
    void stopPolling() { stop(); }

    bool polling() const;
    qint64 repeatCount() const { return m_repeatCount; }

    // The page of a one-time link: host + "/users/riwgh/" + id + "/" + seed (the seed
    // escaped as one path segment); empty when no web address can be made of it.
    static QUrl signInPage(const QString &webHost, qint64 id, const QString &seed);

private:
    void linkArrived(quint64 attempt, const CloudResult<MagicLinkResponse> &answer);
    void poll();
    void pollAnswered(quint64 session, const CloudResult<MagicLinkSecondResponse> &answer);
    void signIn(const QString &name, const QString &token);
    void stop();
    void fail(const QString &description);
    void rebuildMenu();

    APICore &m_api;
    SettingsModel &m_settings;
    Effects m_effects;
    QTimer *m_timer;
    int m_noticeDelayMs = kSigningInNoticeDelayMs;
    qint64 m_repeatCount = 0;
    quint64 m_attempt = 0;          // counts loginAction calls: only the newest link counts
    quint64 m_session = 0;          // counts pages opened: polls answer for their session
    quint64 m_completedSession = 0; // the session that signed the user in
    qint64 m_linkId = 0;
    QString m_seed;
};

} // namespace qn
