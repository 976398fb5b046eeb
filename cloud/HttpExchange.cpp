#include "cloud/HttpExchange.h"

#include <QSslSocket>
#include <QTcpSocket>

namespace qn {

namespace {
// What the socket may hold unsent before the body is pulled further: enough to keep
// the connection busy, small next to any upload.
constexpr qint64 kWriteWindow = 256 * 1024;
constexpr qint64 kMaxHeadBytes = 64 * 1024;

// Failures are shown in notices that keep 35 characters: the texts say it in fewer.
QString tooLarge(qint64 limit) { return QStringLiteral("Answer too large (over %1 MB)").arg(limit / (1024 * 1024)); }
} // namespace

HttpExchange::Body HttpExchange::Body::bytes(const QByteArray &data, const QByteArray &contentType) {
    Body body;
    body.contentType = contentType;
    body.length = data.size();
    body.next = [data, offset = qint64(0)](qint64 max) mutable {
        const QByteArray piece = data.mid(offset, max);
        offset += piece.size();
        return piece;
    };
    return body;
}

void HttpExchange::post(QObject *parent, const QUrl &url, Body body, Limits limits, Done done) {
    auto *exchange = new HttpExchange(parent, url, std::move(body), limits, std::move(done));
    exchange->start();
}

HttpExchange::HttpExchange(QObject *parent, const QUrl &url, Body body, Limits limits, Done done)
    : QObject(parent), m_url(url), m_body(std::move(body)), m_limits(limits), m_done(std::move(done)) {}

void HttpExchange::start() {
    const bool tls = m_url.scheme() == QLatin1String("https");
    if (!tls && m_url.scheme() != QLatin1String("http")) {
        QTimer::singleShot(0, this, [this] {
            fail(CloudError::transport(QStringLiteral("Unsupported address: ") + m_url.toString()));
        });
        return;
    }
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, [this] { fail(CloudError::timeout()); });
    m_deadline.start(m_limits.deadlineMs);

    const quint16 port = static_cast<quint16>(m_url.port(tls ? 443 : 80));
    if (tls) {
        auto *ssl = new QSslSocket(this);
        m_socket = ssl;
        connect(ssl, &QSslSocket::encrypted, this, &HttpExchange::sendMore);
        ssl->connectToHostEncrypted(m_url.host(), port);
    } else {
        m_socket = new QTcpSocket(this);
        connect(m_socket, &QTcpSocket::connected, this, &HttpExchange::sendMore);
        m_socket->connectToHost(m_url.host(), port);
    }
    connect(m_socket, &QTcpSocket::bytesWritten, this, &HttpExchange::sendMore);
    connect(m_socket, &QTcpSocket::readyRead, this, &HttpExchange::readAnswer);
    connect(m_socket, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError error) {
        if (error == QAbstractSocket::RemoteHostClosedError)
            closedByPeer();
        else
            fail(CloudError::transport(m_socket->errorString()));
    });
    connect(m_socket, &QTcpSocket::disconnected, this, &HttpExchange::closedByPeer);
}

void HttpExchange::sendMore() {
    if (m_finished || !m_socket || m_socket->state() != QAbstractSocket::ConnectedState)
        return;
    if (auto *ssl = qobject_cast<QSslSocket *>(m_socket); ssl && !ssl->isEncrypted())
        return;
    if (!m_headSent) {
        m_headSent = true;
        QByteArray path = m_url.path(QUrl::FullyEncoded).toLatin1();
        if (path.isEmpty())
            path = "/";
        if (m_url.hasQuery())
            path += '?' + m_url.query(QUrl::FullyEncoded).toLatin1();
        QByteArray host = m_url.host(QUrl::FullyEncoded).toLatin1();
        if (host.contains(':'))
            host = '[' + host + ']';
        if (m_url.port() != -1)
            host += ':' + QByteArray::number(m_url.port());
        QByteArray head = "POST " + path + " HTTP/1.1\r\nHost: " + host +
                          "\r\nAccept: application/json\r\nUser-Agent: Quillnest\r\nConnection: close\r\n";
        if (!m_body.contentType.isEmpty())
            head += "Content-Type: " + m_body.contentType + "\r\n";
        head += "Content-Length: " + QByteArray::number(m_body.length) + "\r\n\r\n";
        m_socket->write(head);
    }
    while (m_sent < m_body.length && m_socket->bytesToWrite() < kWriteWindow) {
        const QByteArray piece =
            m_body.next ? m_body.next(std::min(kWriteWindow, m_body.length - m_sent)) : QByteArray();
        if (piece.isEmpty()) {
            fail(CloudError::encoding(QStringLiteral("Upload data ended early")));
            return;
        }
        m_sent += piece.size();
        m_socket->write(piece);
    }
}

void HttpExchange::readAnswer() {
    if (m_finished)
        return;
    m_raw += m_socket->readAll();
    if (!m_haveHead && !parseHead())
        return;
    if (m_finished)
        return;
    if (parseBody() && m_complete) {
        finish(Answer{m_status, m_answer});
    }
}

bool HttpExchange::parseHead() {
    for (;;) {
        const qsizetype end = m_raw.indexOf("\r\n\r\n");
        if (end < 0) {
            if (m_raw.size() > kMaxHeadBytes)
                fail(CloudError::transport(QStringLiteral("Answer header too large")));
            return false;
        }
        const QList<QByteArray> lines = m_raw.left(end).split('\n');
        m_raw.remove(0, end + 4);
        const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
        bool ok = false;
        const int status = first.value(1).toInt(&ok);
        if (!first.value(0).startsWith("HTTP/1.") || !ok || status < 100 || status > 599) {
            fail(CloudError::transport(QStringLiteral("Answer is not HTTP")));
            return false;
        }
        // Interim answers ("100 Continue") precede the real one.
        if (status < 200)
            continue;
        m_status = status;
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QByteArray &line = lines[i];
            const qsizetype colon = line.indexOf(':');
            if (colon <= 0)
                continue;
            const QByteArray name = line.left(colon).trimmed().toLower();
            const QByteArray value = line.mid(colon + 1).trimmed();
            if (name == "content-length") {
                const qint64 length = value.toLongLong(&ok);
                if (!ok || length < 0) {
                    fail(CloudError::transport(QStringLiteral("Answer has a bad length")));
                    return false;
                }
                m_contentLength = length;
            } else if (name == "transfer-encoding" && value.toLower().contains("chunked")) {
                m_chunked = true;
            }
        }
        if (m_chunked)
            m_contentLength = -1;
        m_haveHead = true;
        // The protocol knows no redirects; following one would hand the access token
        // to whoever the answer names.
        if (m_status >= 300 && m_status < 400) {
            fail(CloudError::transport(QStringLiteral("Redirect refused (HTTP %1)").arg(m_status)));
            return false;
        }
        if (m_contentLength > m_limits.maxAnswerBytes) {
            fail(CloudError::transport(tooLarge(m_limits.maxAnswerBytes)));
            return false;
        }
        return true;
    }
}

bool HttpExchange::parseBody() {
    if (!m_chunked) {
        m_answer += m_raw;
        m_raw.clear();
        if (m_answer.size() > m_limits.maxAnswerBytes) {
            fail(CloudError::transport(tooLarge(m_limits.maxAnswerBytes)));
            return false;
        }
        if (m_contentLength >= 0 && m_answer.size() >= m_contentLength) {
            m_answer.truncate(m_contentLength);
            m_complete = true;
        }
        return true;
    }
    for (;;) {
        if (m_chunkLeft < 0) {
            const qsizetype eol = m_raw.indexOf("\r\n");
            if (eol < 0) {
                if (m_raw.size() > 1024) {
                    fail(CloudError::transport(QStringLiteral("Answer is not valid HTTP")));
                    return false;
                }
                return true;
            }
            bool ok = false;
            const qint64 size = m_raw.left(eol).split(';').value(0).trimmed().toLongLong(&ok, 16);
            m_raw.remove(0, eol + 2);
            if (!ok || size < 0) {
                fail(CloudError::transport(QStringLiteral("Answer is not valid HTTP")));
                return false;
            }
            if (size == 0) {
                // Trailers, if any, are not needed: the body is whole.
                m_complete = true;
                return true;
            }
            if (m_answer.size() + size > m_limits.maxAnswerBytes) {
                fail(CloudError::transport(tooLarge(m_limits.maxAnswerBytes)));
                return false;
            }
            m_chunkLeft = size;
        }
        if (m_chunkLeft > 0) {
            const qint64 take = std::min<qint64>(m_chunkLeft, m_raw.size());
            m_answer += m_raw.left(take);
            m_raw.remove(0, take);
            m_chunkLeft -= take;
            if (m_chunkLeft > 0)
                return true;
        }
        // The chunk's closing line break.
        if (m_raw.size() < 2)
            return true;
        m_raw.remove(0, 2);
        m_chunkLeft = -1;
    }
}

void HttpExchange::closedByPeer() {
    if (m_finished)
        return;
    readAnswer();
    if (m_finished)
        return;
    // An answer without a length ends with the connection.
    if (m_haveHead && !m_chunked && m_contentLength < 0) {
        finish(Answer{m_status, m_answer});
        return;
    }
    fail(CloudError::transport(m_haveHead ? QStringLiteral("Connection broke off mid-answer")
                                          : QStringLiteral("Connection closed without answer")));
}

void HttpExchange::finish(CloudResult<Answer> result) {
    if (m_finished)
        return;
    m_finished = true;
    m_deadline.stop();
    if (m_socket) {
        m_socket->disconnect(this);
        m_socket->abort();
    }
    m_raw.clear();
    // The answer is handed on before this object goes, and only once.
    Done done = std::move(m_done);
    deleteLater();
    if (done)
        done(std::move(result));
}

} // namespace qn
