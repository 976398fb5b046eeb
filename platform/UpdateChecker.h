#pragma once
#include <QObject>
#include <QPointer>
#include <QString>
#include <optional>

class QNetworkAccessManager;
class QNetworkReply;

namespace qn {

// Looks for a newer Quillnest in a small version feed on the service host:
//   {"version":"1.2.0","build":"14","url":"https://…/download"}
// A background check is quiet: any failure counts as "no update". An interactive
// check tells the user the outcome in a dialog.
class UpdateChecker : public QObject {
    Q_OBJECT
public:
    struct Update {
        QString version;
        QString build;
        QString url;
    };

    UpdateChecker(const QString &feedUrl, const QString &version, const QString &build, QObject *parent = nullptr);

    void checkInBackground();
    void checkInteractively();

    // From the request to the feed's last byte: a feed dripped slowly still ends.
    void setDeadline(int milliseconds) { m_deadlineMs = milliseconds; }
    // A version feed is a few hundred bytes; anything far larger is not one.
    static constexpr qint64 kMaxFeedBytes = 64 * 1024;

    // The feed's record; none for anything malformed.
    static std::optional<Update> parseFeed(const QByteArray &json);
    // Newer by version, then by build number at an equal version.
    static bool isNewer(const Update &update, const QString &version, const QString &build);

Q_SIGNALS:
    void updateFound();
    void updateNotFound();

private:
    void check(bool interactive);
    void finished(QNetworkReply *reply, bool interactive);
    // The outcome of an interactive check, in a dialog.
    void tellUser(const std::optional<Update> &update, const QString &failure, bool newer);

    QString m_feedUrl;
    QString m_version;
    QString m_build;
    QNetworkAccessManager *m_network = nullptr;
    QPointer<QNetworkReply> m_pending;
    int m_deadlineMs = 30'000;
};

} // namespace qn
