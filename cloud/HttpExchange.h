#pragma once
#include "cloud/CloudError.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <functional>

class QTcpSocket;

namespace qn {

// One HTTP/1.1 POST on a connection of its own, with the guarantees the cloud client
// needs and a general-purpose client does not give:
// - the request is sent once: a connection that breaks fails the exchange, it is
//   never re-sent (the service would create a second task);
// - redirects are never followed (the form carries the access token), a 3xx answer
//   fails the exchange;
// - one overall deadline from start to the last byte of the answer, so an answer
//   dripped byte by byte still ends;
// - the answer's size is capped, checked against its announced length and as it
//   arrives;
// - the body is pulled piece by piece as the connection drains, so a large upload is
//   never held in several full copies.
// The answer's status is reported with its body whatever it is; the caller decides.
class HttpExchange : public QObject {
    Q_OBJECT
public:
    struct Body {
        QByteArray contentType; // empty: no Content-Type header
        qint64 length = 0;
        // The next at most `max` bytes; called until `length` bytes have been given.
        std::function<QByteArray(qint64 max)> next;

        static Body bytes(const QByteArray &data, const QByteArray &contentType);
    };
    struct Limits {
        int deadlineMs = 60'000;
        qint64 maxAnswerBytes = 4 * 1024 * 1024;
    };
    struct Answer {
        int status = 0;
        QByteArray body;
    };
    using Done = std::function<void(CloudResult<Answer>)>;

    // Starts the exchange; `done` runs exactly once, on this thread, unless `parent`
    // is destroyed first (the connection is closed then).
    static void post(QObject *parent, const QUrl &url, Body body, Limits limits, Done done);

private:
    HttpExchange(QObject *parent, const QUrl &url, Body body, Limits limits, Done done);
    void start();
    void sendMore();
    void readAnswer();
    bool parseHead();
    bool parseBody();
    void closedByPeer();
    void finish(CloudResult<Answer> result);
    void fail(const CloudError &error) { finish(CloudResult<Answer>(error)); }

    QUrl m_url;
    Body m_body;
    Limits m_limits;
    Done m_done;
    QTcpSocket *m_socket = nullptr;
    QTimer m_deadline;
    qint64 m_sent = 0;
    bool m_headSent = false;
    bool m_finished = false;

    // The answer as it arrives.
    QByteArray m_raw;
    bool m_haveHead = false;
    int m_status = 0;
    qint64 m_contentLength = -1; // -1: until the connection closes
    bool m_chunked = false;
    qint64 m_chunkLeft = -1; // -1: a chunk size line comes next
    bool m_complete = false;
    QByteArray m_answer;
};

} // namespace qn
