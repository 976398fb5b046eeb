#include "app/BrowserSignIn.h"

#include "app/CloudLoaders.h"
#include "app/TrayNotificationsManager.h"
#include "app/state/SettingsModel.h"
#include "cloud/APICore.h"
#include "platform/Analytics.h"
#include "platform/Diagnostics.h"

#include <QDesktopServices>
#include <QPointer>
#include <QTimer>

namespace qn {

namespace {
void printLoginError(const CloudError &error) { diagnostics::report(diagnostics::loginError(error.description())); }
} // namespace

BrowserSignIn::BrowserSignIn(APICore &api, SettingsModel &settings, QObject *parent)
    : QObject(parent), m_api(api), m_settings(settings), m_timer(new QTimer(this)) {
    m_timer->setInterval(kPollIntervalMs);
    // Polls every 5 s, not "about" every 5 s: a coarse timer may fire 5 % early.
    m_timer->setTimerType(Qt::PreciseTimer);
    connect(m_timer, &QTimer::timeout, this, &BrowserSignIn::poll);

    m_effects.openPage = [](const QUrl &url) { return QDesktopServices::openUrl(url); };
    m_effects.showSigningIn = [] { TrayNotificationsManager::shared().showSigningIn(); };
    m_effects.showSignedIn = [](const QString &name) { TrayNotificationsManager::shared().showSignedIn(name); };
    m_effects.showError = [](const QString &description) {
        TrayNotificationsManager::shared().showError(std::nullopt, description);
    };
    m_effects.reloadTrayInfo = [this] {
        CloudLoaders::reloadTrayInfo(m_api, m_settings, this, [this] { rebuildMenu(); });
    };
}

void BrowserSignIn::setPollInterval(int milliseconds) { m_timer->setInterval(milliseconds); }

bool BrowserSignIn::polling() const { return m_timer->isActive(); }

QUrl BrowserSignIn::signInPage(const QString &webHost, qint64 id, const QString &seed) {
    // The seed comes from the service: escape it so that it can only ever be the
    // last path segment of the page, never a path, query or fragment of its own.
    const QString text = webHost + QStringLiteral("/users/riwgh/") + QString::number(id) + QLatin1Char('/') +
                         QString::fromLatin1(QUrl::toPercentEncoding(seed));
    const QUrl url(text, QUrl::StrictMode);
    const QString scheme = url.scheme();
    if (!url.isValid() || url.host().isEmpty() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return {};
    return url;
}

void BrowserSignIn::loginAction() {
    m_settings.setSettingsLoader(true);
    const quint64 attempt = ++m_attempt;
    QPointer<BrowserSignIn> self(this);
    m_api.magicLink([self, attempt](CloudResult<MagicLinkResponse> answer) {
        if (self)
            self->linkArrived(attempt, answer);
    });
}

void BrowserSignIn::linkArrived(quint64 attempt, const CloudResult<MagicLinkResponse> &answer) {
    // A newer "Sign In" asked for a link of its own; only that one opens a page.
    if (attempt != m_attempt)
        return;
    if (!answer.ok()) {
        printLoginError(answer.error());
        stop();
        m_settings.setSettingsLoader(false);
        if (m_effects.showError)
            m_effects.showError(answer.error().description());
        return;
    }
    const QUrl page = signInPage(m_api.host(), answer.value().id, answer.value().seed);
    if (page.isEmpty()) {
        // Nothing to open and nothing to poll for: the attempt is over.
        m_settings.setSettingsLoader(false);
        return;
    }
    if (m_effects.openPage)
        m_effects.openPage(page);
    QPointer<BrowserSignIn> self(this);
    QTimer::singleShot(m_noticeDelayMs, this, [self] {
        if (self && self->m_effects.showSigningIn)
            self->m_effects.showSigningIn();
    });
    m_repeatCount = 0;
    stop();
    ++m_session;
    m_linkId = answer.value().id;
    m_seed = answer.value().seed;
    m_timer->start();
}

void BrowserSignIn::poll() {
    ++m_repeatCount;
    const quint64 session = m_session;
    QPointer<BrowserSignIn> self(this);
    m_api.magicLinkSecond(m_linkId, m_seed, [self, session](CloudResult<MagicLinkSecondResponse> answer) {
        if (self)
            self->pollAnswered(session, answer);
    });
}

void BrowserSignIn::pollAnswered(quint64 session, const CloudResult<MagicLinkSecondResponse> &answer) {
    const bool hasToken = answer.ok() && answer.value().result && answer.value().name;
    const bool current = session == m_session && m_timer->isActive();
    if (!current) {
        // Polls still under way when the attempt ended: their errors and empty
        // answers no longer matter, but a token the user has just granted does.
        if (hasToken && session != m_completedSession && !m_settings.signedIn()) {
            m_completedSession = session;
            signIn(*answer.value().name, *answer.value().result);
        }
        return;
    }
    if (!answer.ok()) {
        printLoginError(answer.error());
        fail(answer.error().description());
        return;
    }
    if (hasToken) {
        m_completedSession = session;
        signIn(*answer.value().name, *answer.value().result);
        return;
    }
    if (m_repeatCount <= kAttemptLimit) {
        rebuildMenu();
        return;
    }
    fail(QlntError{QStringLiteral("Attempts to login exceed ") + QString::number(kAttemptLimit)}.description());
}

void BrowserSignIn::signIn(const QString &name, const QString &token) {
    m_settings.setName(name);
    m_settings.setToken(token);
    stop();
    m_settings.setSettingsLoader(false);
    if (m_effects.showSignedIn)
        m_effects.showSignedIn(name);
    if (m_effects.reloadTrayInfo)
        m_effects.reloadTrayInfo();
    Analytics::shared().setDefaultParameters({{QStringLiteral("username"), m_settings.name()}});
    rebuildMenu();
}

void BrowserSignIn::fail(const QString &description) {
    stop();
    m_settings.setSettingsLoader(false);
    if (m_effects.showError)
        m_effects.showError(description);
    rebuildMenu();
}

void BrowserSignIn::stop() { m_timer->stop(); }

void BrowserSignIn::rebuildMenu() {
    if (m_effects.rebuildMenu)
        m_effects.rebuildMenu();
}

} // namespace qn
