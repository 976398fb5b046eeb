#include "app/TrayNotificationsManager.h"

#include "app/TrayMenu.h"
#include "app/TrayNotification.h"
#include "app/state/Defines.h"
#include "app/state/Helper.h"
#include "app/state/Models.h"
#include "app/state/SettingsModel.h"
#include "capture/DrawCore.h"
#include "platform/Diagnostics.h"
#include "platform/Reachability.h"
#include "platform/StatusItem.h"
#include "platform/UrlOpener.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTextBoundaryFinder>
#include <QTimer>
#include <QUrl>

namespace qn {

namespace {
const QString kSaveToComputer = QStringLiteral("Save to your Computer");
}

TrayNotificationsManager &TrayNotificationsManager::shared() {
    static TrayNotificationsManager manager;
    return manager;
}

TrayNotificationsManager::TrayNotificationsManager(QObject *parent) : QObject(parent), m_worker(new QTimer(this)) {
    m_worker->setSingleShot(true);
    m_worker->setInterval(kAutoHideMs);
    connect(m_worker, &QTimer::timeout, this, &TrayNotificationsManager::closeWindow);
}

TrayNotificationsManager::Placement TrayNotificationsManager::placement(QSize size, const QRect &icon,
                                                                        const QRect &available) {
    // Notices keep a little distance from the screen's edges.
    constexpr int kEdge = 8;
    const int w = size.width(), h = size.height();
    const int right = available.x() + available.width();
    Placement p;
    if (!icon.isValid()) {
        p.topLeft = {right - w - kEdge, available.y() + kEdge};
        p.tipX = w * 0.5;
        return p;
    }
    const qreal centre = icon.x() + icon.width() * 0.5;
    const int x =
        qBound(available.left() + kEdge, qRound(centre - w * 0.5), qMax(available.left() + kEdge, right - w - kEdge));
    p.tipPointsDown = icon.center().y() > available.center().y();
    const int y = p.tipPointsDown ? icon.y() - 6 - h : icon.y() + icon.height() + 6;
    p.topLeft = {x, y};
    // The tip stays over the icon, but on the straight part of the edge.
    p.tipX = qBound<qreal>(8 + 4.5, centre - x, qMax<qreal>(8 + 4.5, w - 8 - 4.5));
    return p;
}

void TrayNotificationsManager::show(const std::optional<QString> &emoji, bool autoHide, QWidget *content) {
    m_worker->stop();
    closeWindow();

    const QString text = notice::textOf(content);
    auto *window = new TrayNotification(emoji, content);
    window->adjustSize();

    const StatusItem *item = StatusItem::main();
    const QRect icon = item ? item->geometry() : QRect();
    QScreen *screen = icon.isValid() ? QGuiApplication::screenAt(icon.center()) : nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 1920, 1080);
    const Placement p = placement(window->size(), icon, available);
    QRect frame(p.topLeft, window->size());
    // A notice given while a movie is recorded stays out of it where it can.
    if (const auto recorded = DrawCore::recordedArea()) {
        QScreen *cropScreen = QGuiApplication::screenAt(recorded->center());
        QList<QRect> screens;
        for (QScreen *s : QGuiApplication::screens())
            screens.append(s->availableGeometry());
        const auto outside = Helper::outsideRecorded(frame, *recorded,
                                                     cropScreen ? cropScreen->availableGeometry() : available, screens);
        if (outside && *outside != frame) {
            frame = *outside;
            // Away from the icon, the tip would point at nothing: it stays centred.
            window->setTip(frame.width() * 0.5, false);
        } else {
            window->setTip(p.tipX, p.tipPointsDown);
        }
    } else {
        window->setTip(p.tipX, p.tipPointsDown);
    }
    window->move(frame.topLeft());
    window->show();
    window->raise();
    m_window = window;
    diagnostics::print(diagnostics::notice(text));
    diagnostics::print(diagnostics::noticePlaced(
        QStringLiteral("%1,%2,%3,%4").arg(frame.x()).arg(frame.y()).arg(frame.width()).arg(frame.height())));
    if (emoji)
        diagnostics::print(diagnostics::noticeEmoji(*emoji));

    if (autoHide)
        m_worker->start();
}

void TrayNotificationsManager::closeWindow() {
    if (!m_window)
        return;
    TrayNotification *window = m_window;
    m_window.clear();
    window->hide();
    window->deleteLater();
    diagnostics::print(diagnostics::noticeHidden());
}

void TrayNotificationsManager::hide() {
    m_worker->stop();
    closeWindow();
}

QWidget *TrayNotificationsManager::currentWindow() const { return m_window; }

QString TrayNotificationsManager::errorMessageText(const QString &description) {
    constexpr int kLimit = 35;
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, description);
    int count = 0;
    qsizetype cut = -1;
    while (graphemes.toNextBoundary() != -1) {
        ++count;
        if (count == kLimit)
            cut = graphemes.position();
    }
    if (count > kLimit)
        return description.left(cut) + QStringLiteral("... ");
    return description + QLatin1Char(' ');
}

void TrayNotificationsManager::showError(const std::optional<QByteArray> &pngData, const QString &errorDescription) {
    auto *message = notice::text(errorMessageText(errorDescription));
    auto *info = notice::button(QStringLiteral("Info"), [this, errorDescription] { showErrorInfo(errorDescription); });
    QWidget *row;
    if (pngData) {
        const QByteArray data = *pngData;
        row = notice::row({message, info, notice::separator(),
                           notice::button(kSaveToComputer, [data] { DrawCore::shared().saveImageData(data); }),
                           notice::separator(), notice::button(QStringLiteral("Close"), [this] { hide(); })});
    } else {
        row = notice::row(
            {message, info, notice::separator(), notice::button(QStringLiteral("Ok."), [this] { hide(); })});
    }
    show(QStringLiteral("\U0001F97A"), false, row);
}

void TrayNotificationsManager::showSigningIn() {
    show(QStringLiteral("\U0001F349"), true,
         notice::row({notice::text(QStringLiteral("Signing in through the browser"))}));
}

void TrayNotificationsManager::showSignedIn(const QString &name) {
    show(QStringLiteral("\U0001F60B"), true,
         notice::row(
             {notice::text(QStringLiteral("Hey, ") + name + QStringLiteral(". You are successfully Signed in!"))}));
}

QWidget *TrayNotificationsManager::showSignInRequired(const QByteArray &pngData) {
    return notice::row({notice::text(QStringLiteral("You have to ")),
                        notice::button(QStringLiteral("Sign in"), [] { TrayMenu::shared().loginAction(); }),
                        notice::text(QStringLiteral(" first. ")),
                        notice::button(kSaveToComputer, [pngData] { DrawCore::shared().saveImageData(pngData); }),
                        notice::separator(), notice::button(QStringLiteral("Close"), [this] { hide(); })});
}

void TrayNotificationsManager::showUploaded(const std::optional<QString> &linkPath) {
    if (!Models::shared().settingsModel()->showNotifications())
        return;
    QWidget *row;
    if (linkPath) {
        const auto address = Defines::serviceAddress(*linkPath);
        row = notice::row(
            {notice::text(QStringLiteral("Uploaded!")), notice::button(QStringLiteral(" Open in browser"), [address] {
                 if (address)
                     UrlOpener::openWebPage(*address);
             })});
    } else {
        row = notice::row({notice::text(QStringLiteral("Uploaded!"))});
    }
    show(std::nullopt, true, row);
}

QWidget *TrayNotificationsManager::showNoInternet(const QByteArray &pngData) {
    return notice::row({notice::text(QStringLiteral("Check the Internet connection! ")),
                        notice::button(kSaveToComputer, [pngData] { DrawCore::shared().saveImageData(pngData); }),
                        notice::separator(), notice::button(QStringLiteral("Close"), [this] { hide(); })});
}

void TrayNotificationsManager::showErrorInfo(const QString &errorDescription) {
    QMessageBox box;
    box.setIcon(QMessageBox::Information);
    box.setWindowTitle(QStringLiteral("Quillnest"));
    box.setText(QStringLiteral("Info"));
    box.setInformativeText(
        errorDescription +
        QStringLiteral("\n\nIf the error continues to occur in the future, please contact support."));
    QPushButton *support = box.addButton(QStringLiteral("Support"), QMessageBox::AcceptRole);
    box.addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    box.setDefaultButton(support);
    box.exec();
    if (box.clickedButton() == support)
        UrlOpener::open(QStringLiteral("mailto:") + Defines::supportMail());
}

bool isConnectedToNetwork() { return Reachability::isReachable(); }

} // namespace qn
