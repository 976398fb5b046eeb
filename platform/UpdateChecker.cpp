#include "platform/UpdateChecker.h"

#include "platform/UrlOpener.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPushButton>
#include <QTimer>
#include <QVersionNumber>

namespace qn {

UpdateChecker::UpdateChecker(const QString &feedUrl, const QString &version, const QString &build, QObject *parent)
    : QObject(parent), m_feedUrl(feedUrl), m_version(version), m_build(build) {}

void UpdateChecker::checkInBackground() { check(false); }
void UpdateChecker::checkInteractively() { check(true); }

void UpdateChecker::check(bool interactive) {
    // A background check already under way answers for both.
    if (m_pending && !interactive)
        return;
    if (!m_network)
        m_network = new QNetworkAccessManager(this);
    QNetworkRequest request{QUrl(m_feedUrl)};
    request.setTransferTimeout(m_deadlineMs);
    QNetworkReply *reply = m_network->get(request);
    m_pending = reply;
    // The transfer timeout restarts with every byte; this one does not.
    QTimer::singleShot(m_deadlineMs, reply, [reply] { reply->abort(); });
    connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64 total) {
        if (received > kMaxFeedBytes || total > kMaxFeedBytes)
            reply->abort();
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply, interactive] {
        reply->deleteLater();
        finished(reply, interactive);
    });
}

std::optional<UpdateChecker::Update> UpdateChecker::parseFeed(const QByteArray &json) {
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return std::nullopt;
    const QJsonObject o = doc.object();
    if (!o.value(QStringLiteral("version")).isString())
        return std::nullopt;
    Update update;
    update.version = o.value(QStringLiteral("version")).toString();
    if (QVersionNumber::fromString(update.version).isNull())
        return std::nullopt;
    const QJsonValue build = o.value(QStringLiteral("build"));
    update.build = build.isDouble() ? QString::number(build.toInteger()) : build.toString();
    update.url = o.value(QStringLiteral("url")).toString();
    return update;
}

bool UpdateChecker::isNewer(const Update &update, const QString &version, const QString &build) {
    const int order =
        QVersionNumber::compare(QVersionNumber::fromString(update.version), QVersionNumber::fromString(version));
    if (order != 0)
        return order > 0;
    bool ok1 = false, ok2 = false;
    const qlonglong theirs = update.build.toLongLong(&ok1);
    const qlonglong ours = build.toLongLong(&ok2);
    return ok1 && ok2 && theirs > ours;
}

void UpdateChecker::finished(QNetworkReply *reply, bool interactive) {
    std::optional<Update> update;
    QString failure;
    if (reply->error() != QNetworkReply::NoError) {
        failure = reply->errorString();
    } else if (reply->bytesAvailable() > kMaxFeedBytes) {
        failure = tr("The update information could not be read.");
    } else {
        update = parseFeed(reply->readAll());
        if (!update)
            failure = tr("The update information could not be read.");
    }
    const bool newer = update && isNewer(*update, m_version, m_build);
    if (newer)
        Q_EMIT updateFound();
    else
        Q_EMIT updateNotFound();
    if (interactive)
        QTimer::singleShot(0, this, [this, update, failure, newer] { tellUser(update, failure, newer); });
}

void UpdateChecker::tellUser(const std::optional<Update> &update, const QString &failure, bool newer) {
    QMessageBox box;
    box.setIcon(QMessageBox::Information);
    box.setWindowTitle(QStringLiteral("Quillnest"));
    if (!failure.isEmpty()) {
        box.setText(tr("Could not check for updates"));
        box.setInformativeText(failure);
        box.exec();
    } else if (newer) {
        box.setText(tr("Quillnest %1 is available").arg(update->version));
        box.setInformativeText(tr("You have version %1.").arg(m_version));
        QPushButton *download = box.addButton(tr("Download"), QMessageBox::AcceptRole);
        box.addButton(tr("Later"), QMessageBox::RejectRole);
        box.setDefaultButton(download);
        box.exec();
        if (box.clickedButton() == download)
            UrlOpener::openWebPage(update->url);
    } else {
        box.setText(tr("You’re up to date!"));
        box.setInformativeText(tr("Quillnest %1 is the newest version.").arg(m_version));
        box.exec();
    }
}

} // namespace qn
