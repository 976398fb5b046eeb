#include "platform/ClipboardOwner.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QGuiApplication>
#include <QInputEvent>
#include <QMimeData>

#include <xcb/xcb.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <mutex>
#include <poll.h>
#include <sys/eventfd.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace qn {

namespace {

// The X time of the user's last key or click, as Qt's own connection saw it. Taking
// the selection with it (the time of the act that copied) rather than the server's
// time now keeps Qt able to take the selection back: Qt sets it with the latest time
// it has seen, which is never earlier than this.
std::atomic<quint32> g_lastInputTime{0};

class InputTimeWatcher : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
            if (event->spontaneous()) {
                const quint64 time = static_cast<QInputEvent *>(event)->timestamp();
                if (time)
                    g_lastInputTime.store(quint32(time), std::memory_order_relaxed);
            }
            break;
        default: break;
        }
        return QObject::eventFilter(watched, event);
    }
};

void watchInputTimes() {
    QCoreApplication::instance()->installEventFilter(new InputTimeWatcher(QCoreApplication::instance()));
}

bool onX11() { return qGuiApp && qGuiApp->nativeInterface<QNativeInterface::QX11Application>(); }

// A reader that stops asking for increments (it died, or gave up) is forgotten after this.
constexpr qint64 kStalledTransferMs = 10000;

} // namespace

Q_COREAPP_STARTUP_FUNCTION(watchInputTimes)

struct ClipboardOwner::Server {
    // One increment-wise transfer to a reader's property.
    struct Transfer {
        xcb_window_t requestor = 0;
        xcb_atom_t property = 0;
        QByteArray data;
        qsizetype offset = 0;
        qint64 lastStepMs = 0;
    };

    enum Atom { Clipboard, Targets, Timestamp, Multiple, Incr, Png, AtomPair, AtomCount };

    xcb_connection_t *connection = nullptr;
    xcb_window_t window = 0;
    xcb_atom_t atoms[AtomCount] = {};
    quint32 piece = kLargestPiece;
    int wake = -1;
    std::thread thread;
    std::atomic<bool> stopping{false};

    // Shared with the GUI thread.
    mutable std::mutex mutex;
    QByteArray png;
    xcb_timestamp_t ownedSince = 0;
    bool owning = false;

    // The serving thread's own.
    std::vector<Transfer> transfers;
    QElapsedTimer clock;

    ~Server() {
        if (thread.joinable()) {
            stopping = true;
            wakeUp();
            thread.join();
        }
        if (wake >= 0)
            ::close(wake);
        if (connection)
            xcb_disconnect(connection);
    }

    bool start() {
        connection = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(connection))
            return false;
        const xcb_setup_t *setup = xcb_get_setup(connection);
        xcb_screen_t *screen = xcb_setup_roots_iterator(setup).data;
        if (!screen)
            return false;
        static const char *const names[AtomCount] = {"CLIPBOARD", "TARGETS",   "TIMESTAMP", "MULTIPLE",
                                                     "INCR",      "image/png", "ATOM_PAIR"};
        xcb_intern_atom_cookie_t cookies[AtomCount];
        for (int i = 0; i < AtomCount; ++i)
            cookies[i] = xcb_intern_atom(connection, 0, std::strlen(names[i]), names[i]);
        for (int i = 0; i < AtomCount; ++i) {
            xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(connection, cookies[i], nullptr);
            if (!reply)
                return false;
            atoms[i] = reply->atom;
            std::free(reply);
        }
        window = xcb_generate_id(connection);
        const uint32_t values[] = {1};
        xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, screen->root, -1, -1, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_OVERRIDE_REDIRECT, values);
        // The largest request the server takes, less the request's own header.
        const quint64 largest = quint64(xcb_get_maximum_request_length(connection)) * 4;
        if (largest > 64)
            piece = quint32(qMin<quint64>(piece, largest - 64));
        wake = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
        if (wake < 0)
            return false;
        xcb_flush(connection);
        clock.start();
        thread = std::thread([this] { run(); });
        return true;
    }

    void wakeUp() const {
        const uint64_t one = 1;
        if (wake >= 0)
            (void)!::write(wake, &one, sizeof one);
    }

    bool stillOwner() {
        xcb_get_selection_owner_reply_t *reply =
            xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, atoms[Clipboard]), nullptr);
        const bool ours = reply && reply->owner == window;
        std::free(reply);
        return ours;
    }

    // Called on the GUI thread.
    bool take(const QByteArray &data, xcb_timestamp_t time) {
        std::lock_guard lock(mutex);
        xcb_set_selection_owner(connection, window, atoms[Clipboard], time);
        owning = stillOwner();
        png = owning ? data : QByteArray();
        ownedSince = time;
        // The reply above may have pulled events into the connection's queue; the
        // serving thread only looks there when woken.
        wakeUp();
        return owning;
    }

    void run() {
        pollfd fds[2] = {{xcb_get_file_descriptor(connection), POLLIN, 0}, {wake, POLLIN, 0}};
        while (!stopping) {
            while (xcb_generic_event_t *event = xcb_poll_for_event(connection)) {
                handle(event);
                std::free(event);
            }
            if (xcb_connection_has_error(connection))
                return;
            dropStalledTransfers();
            xcb_flush(connection);
            fds[0].revents = fds[1].revents = 0;
            ::poll(fds, 2, transfers.empty() ? -1 : 1000);
            if (fds[1].revents & POLLIN) {
                uint64_t count = 0;
                (void)!::read(wake, &count, sizeof count);
            }
        }
    }

    void handle(xcb_generic_event_t *event) {
        switch (event->response_type & 0x7f) {
        case XCB_SELECTION_REQUEST: serve(reinterpret_cast<xcb_selection_request_event_t *>(event)); break;
        case XCB_SELECTION_CLEAR: {
            // A clear can still be queued from an ownership that has since been taken
            // again: only the server knows whether the picture is still ours.
            std::lock_guard lock(mutex);
            if (owning && !stillOwner()) {
                owning = false;
                png = QByteArray();
            }
            break;
        }
        case XCB_PROPERTY_NOTIFY: {
            auto *notify = reinterpret_cast<xcb_property_notify_event_t *>(event);
            if (notify->state == XCB_PROPERTY_DELETE)
                step(notify->window, notify->atom);
            break;
        }
        case XCB_DESTROY_NOTIFY: forget(reinterpret_cast<xcb_destroy_notify_event_t *>(event)->window); break;
        case 0: // An error: a reader's window that went away while we wrote to it.
            if (reinterpret_cast<xcb_generic_error_t *>(event)->error_code == XCB_WINDOW)
                forget(reinterpret_cast<xcb_generic_error_t *>(event)->resource_id);
            break;
        default: break;
        }
    }

    void serve(const xcb_selection_request_event_t *request) {
        // Readers of the obsolete protocol name no property: the target stands for it.
        const xcb_atom_t property = request->property ? request->property : request->target;
        QByteArray data;
        xcb_timestamp_t since = 0;
        bool own = false;
        {
            std::lock_guard lock(mutex);
            data = png;
            since = ownedSince;
            own = owning;
        }
        bool done = false;
        if (own && request->selection == atoms[Clipboard]) {
            if (request->target == atoms[Multiple])
                done = request->property && convertMultiple(request->requestor, request->property, data, since);
            else
                done = convert(request->requestor, request->target, property, data, since);
        }
        xcb_selection_notify_event_t notify = {};
        notify.response_type = XCB_SELECTION_NOTIFY;
        notify.time = request->time;
        notify.requestor = request->requestor;
        notify.selection = request->selection;
        notify.target = request->target;
        notify.property = done ? property : xcb_atom_t(XCB_NONE);
        xcb_send_event(connection, 0, request->requestor, XCB_EVENT_MASK_NO_EVENT,
                       reinterpret_cast<const char *>(&notify));
    }

    bool convert(xcb_window_t requestor, xcb_atom_t target, xcb_atom_t property, const QByteArray &data,
                 xcb_timestamp_t since) {
        if (target == atoms[Targets]) {
            const xcb_atom_t offered[] = {atoms[Targets], atoms[Timestamp], atoms[Multiple], atoms[Png]};
            xcb_change_property(connection, XCB_PROP_MODE_REPLACE, requestor, property, XCB_ATOM_ATOM, 32,
                                std::size(offered), offered);
            return true;
        }
        if (target == atoms[Timestamp]) {
            xcb_change_property(connection, XCB_PROP_MODE_REPLACE, requestor, property, XCB_ATOM_INTEGER, 32, 1,
                                &since);
            return true;
        }
        if (target != atoms[Png] || data.isEmpty())
            return false;
        if (data.size() <= qsizetype(piece)) {
            xcb_change_property(connection, XCB_PROP_MODE_REPLACE, requestor, property, atoms[Png], 8, data.size(),
                                data.constData());
            return true;
        }
        // Too big for one request: the reader deletes each piece to ask for the next.
        const uint32_t mask[] = {XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY};
        xcb_change_window_attributes(connection, requestor, XCB_CW_EVENT_MASK, mask);
        const uint32_t size = uint32_t(data.size());
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, requestor, property, atoms[Incr], 32, 1, &size);
        std::erase_if(transfers, [&](const Transfer &t) { return t.requestor == requestor && t.property == property; });
        transfers.push_back({requestor, property, data, 0, clock.elapsed()});
        return true;
    }

    bool convertMultiple(xcb_window_t requestor, xcb_atom_t property, const QByteArray &data, xcb_timestamp_t since) {
        xcb_get_property_reply_t *reply =
            xcb_get_property_reply(connection,
                                   xcb_get_property(connection, 0, requestor, property, XCB_GET_PROPERTY_TYPE_ANY, 0,
                                                    1 << 16),
                                   nullptr);
        if (!reply || reply->format != 32) {
            std::free(reply);
            return false;
        }
        const auto *given = static_cast<const xcb_atom_t *>(xcb_get_property_value(reply));
        std::vector<xcb_atom_t> pairs(given, given + xcb_get_property_value_length(reply) / 4);
        const xcb_atom_t type = reply->type;
        std::free(reply);
        for (size_t i = 0; i + 1 < pairs.size(); i += 2) {
            const bool nested = pairs[i] == atoms[Multiple];
            if (nested || !pairs[i + 1] || !convert(requestor, pairs[i], pairs[i + 1], data, since))
                pairs[i + 1] = XCB_NONE;
        }
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, requestor, property, type, 32, pairs.size(),
                            pairs.data());
        return true;
    }

    void step(xcb_window_t requestor, xcb_atom_t property) {
        auto it = std::find_if(transfers.begin(), transfers.end(),
                               [&](const Transfer &t) { return t.requestor == requestor && t.property == property; });
        if (it == transfers.end())
            return;
        const qsizetype left = it->data.size() - it->offset;
        const qsizetype count = qMin<qsizetype>(left, piece);
        // The last, empty piece tells the reader it has everything.
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, requestor, property, atoms[Png], 8, uint32_t(count),
                            it->data.constData() + it->offset);
        it->offset += count;
        it->lastStepMs = clock.elapsed();
        if (count == 0) {
            transfers.erase(it);
            stopWatching(requestor);
        }
    }

    void stopWatching(xcb_window_t requestor) {
        if (std::any_of(transfers.begin(), transfers.end(),
                        [&](const Transfer &t) { return t.requestor == requestor; }))
            return;
        const uint32_t none[] = {XCB_EVENT_MASK_NO_EVENT};
        xcb_change_window_attributes(connection, requestor, XCB_CW_EVENT_MASK, none);
    }

    void forget(xcb_window_t requestor) {
        std::erase_if(transfers, [&](const Transfer &t) { return t.requestor == requestor; });
    }

    void dropStalledTransfers() {
        const qint64 now = clock.elapsed();
        std::vector<xcb_window_t> stalled;
        for (const Transfer &t : transfers)
            if (now - t.lastStepMs > kStalledTransferMs)
                stalled.push_back(t.requestor);
        for (xcb_window_t requestor : stalled) {
            forget(requestor);
            stopWatching(requestor);
        }
    }
};

ClipboardOwner &ClipboardOwner::shared() {
    static ClipboardOwner owner;
    return owner;
}

ClipboardOwner::ClipboardOwner() {
    // What Qt did with a picture it owned at quit (hand it to a clipboard manager if
    // one runs) still happens: Qt gets the picture back first.
    if (QCoreApplication::instance())
        QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, [this] { handOverToQt(); });
}

ClipboardOwner::~ClipboardOwner() = default;

void ClipboardOwner::setPng(const QByteArray &png) {
    const quint32 time = g_lastInputTime.load(std::memory_order_relaxed);
    if (onX11() && time && !png.isEmpty()) {
        if (!m_server) {
            m_server = std::make_unique<Server>();
            if (!m_server->start())
                m_server.reset();
        }
        if (m_server && m_server->take(png, time))
            return;
    }
    auto *mime = new QMimeData;
    mime->setData(QStringLiteral("image/png"), png);
    QGuiApplication::clipboard()->setMimeData(mime, QClipboard::Clipboard);
}

bool ClipboardOwner::holdsPicture() const {
    if (!m_server)
        return false;
    std::lock_guard lock(m_server->mutex);
    return m_server->owning;
}

void ClipboardOwner::handOverToQt() {
    if (!m_server)
        return;
    QByteArray png;
    {
        std::lock_guard lock(m_server->mutex);
        if (m_server->owning)
            png = m_server->png;
    }
    if (png.isEmpty())
        return;
    auto *mime = new QMimeData;
    mime->setData(QStringLiteral("image/png"), png);
    QGuiApplication::clipboard()->setMimeData(mime, QClipboard::Clipboard);
}

} // namespace qn
