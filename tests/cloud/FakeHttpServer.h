#pragma once
// A small HTTP/1.1 server on loopback for the cloud client's tests: records every
// request and answers from a table per path; a reply can be held back until the test
// releases it, to play a slow or stalled service.
#include <QByteArray>
#include <QList>
#include <QMap>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <sys/socket.h>

namespace qn::test {

class FakeHttpServer : public QObject {
public:
    struct Reply {
        int status = 200;
        QByteArray body;
        bool hold = false;   // keep the request waiting until release()
        QByteArray raw;      // sent as it stands instead of a formatted answer
        int dripMs = 0;      // send one byte every so many milliseconds
        bool reset = false;  // drop the connection without answering
        QByteArray location; // a Location header
    };
    struct Request {
        QByteArray method;
        QByteArray path;
        QMap<QByteArray, QByteArray> headers; // names in lower case
        QByteArray body;
    };

    FakeHttpServer() {
        m_server.listen(QHostAddress::LocalHost, 0);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }

    QString host() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort()); }
    quint16 port() const { return m_server.serverPort(); }

    // Replies for a path ("/api/v2/login_iwgh"), used in turn; the last one repeats.
    void answer(const QByteArray &path, QList<Reply> replies) { m_routes[path] = std::move(replies); }
    void answer(const QByteArray &path, const QByteArray &body, int status = 200) {
        answer(path, {Reply{status, body}});
    }

    QList<Request> requests(const QByteArray &path = {}) const {
        QList<Request> out;
        for (const Request &r : m_requests)
            if (path.isEmpty() || r.path == path)
                out.append(r);
        return out;
    }
    qsizetype count(const QByteArray &path) const { return requests(path).size(); }

    // Requests held back so far, in arrival order; release one with its reply.
    qsizetype heldCount() const { return m_held.size(); }
    void release(qsizetype index, const Reply &reply) {
        QPointer<QTcpSocket> socket = m_held.at(index);
        if (socket)
            send(socket, reply);
    }

    void close() { m_server.close(); }

private:
    void read(QTcpSocket *socket) {
        QByteArray &buffer = m_buffers[socket];
        buffer += socket->readAll();
        for (;;) {
            const qsizetype headerEnd = buffer.indexOf("\r\n\r\n");
            if (headerEnd < 0)
                return;
            Request request;
            const QList<QByteArray> lines = buffer.left(headerEnd).split('\n');
            const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
            request.method = first.value(0);
            request.path = first.value(1);
            for (qsizetype i = 1; i < lines.size(); ++i) {
                const qsizetype colon = lines[i].indexOf(':');
                if (colon > 0)
                    request.headers.insert(lines[i].left(colon).trimmed().toLower(), lines[i].mid(colon + 1).trimmed());
            }
            const qsizetype length = request.headers.value("content-length", "0").toLongLong();
            if (buffer.size() < headerEnd + 4 + length)
                return;
            request.body = buffer.mid(headerEnd + 4, length);
            buffer.remove(0, headerEnd + 4 + length);
            m_requests.append(request);
            respond(socket, request);
        }
    }

    void respond(QTcpSocket *socket, const Request &request) {
        auto it = m_routes.find(request.path);
        if (it == m_routes.end() || it->isEmpty()) {
            send(socket, Reply{404, {}});
            return;
        }
        const Reply reply = it->size() > 1 ? it->takeFirst() : it->first();
        if (reply.hold) {
            m_held.append(socket);
            return;
        }
        send(socket, reply);
    }

    static void send(QTcpSocket *socket, const Reply &reply) {
        if (reply.reset) {
            // Linger 0: the close is a reset, as a crashed or overloaded server gives.
            const linger hard{1, 0};
            ::setsockopt(static_cast<int>(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
            socket->abort();
            return;
        }
        QByteArray out = reply.raw;
        if (out.isEmpty()) {
            out = "HTTP/1.1 " + QByteArray::number(reply.status) + " Status\r\n";
            if (!reply.location.isEmpty())
                out += "Location: " + reply.location + "\r\n";
            out += "Content-Type: application/json\r\nContent-Length: " + QByteArray::number(reply.body.size()) +
                   "\r\n\r\n";
            out += reply.body;
        }
        if (reply.dripMs > 0) {
            drip(QPointer<QTcpSocket>(socket), out, reply.dripMs);
            return;
        }
        socket->write(out);
        socket->flush();
    }

    static void drip(QPointer<QTcpSocket> socket, QByteArray rest, int ms) {
        if (!socket || rest.isEmpty())
            return;
        socket->write(rest.left(1));
        socket->flush();
        QTimer::singleShot(ms, socket, [socket, rest = rest.mid(1), ms] { drip(socket, rest, ms); });
    }

    QTcpServer m_server;
    QMap<QByteArray, QList<Reply>> m_routes;
    QList<Request> m_requests;
    QMap<QTcpSocket *, QByteArray> m_buffers;
    QList<QPointer<QTcpSocket>> m_held;
};

} // namespace qn::test
