#include "platform/MoviePlayer.h"

#include "platform/MovieDecoder.h"

#include <QMetaObject>
#include <QPointer>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <malloc.h>
#include <mutex>
#include <thread>

namespace qn {

using Clock = std::chrono::steady_clock;

// What the player's thread shares with the player. The thread holds it too, so a
// picture that is still on its way when the player goes finds it alive.
struct MoviePlayer::Worker {
    std::mutex mutex;
    std::condition_variable wake;
    bool quit = false;
    bool ended = false;
    bool rewind = false;
    bool resume = false;
    QSize outputSize;
    // Pictures posted but not yet taken by the player's thread: a busy receiver
    // gets the newest, not a growing queue.
    std::atomic<int> inFlight{0};
    bool done = false;
    std::thread thread;

    static void run(const std::shared_ptr<Worker> &self, const QString &path, const QPointer<MoviePlayer> &player);
};

namespace {
// More than this many pictures on their way and the next ones are skipped.
constexpr int kMaxInFlight = 2;

template <typename F> void post(const QPointer<MoviePlayer> &player, F &&f) {
    // QPointer is read here on the player's thread's behalf only to find the target;
    // a player gone meanwhile drops what was posted to it.
    if (MoviePlayer *target = player.data())
        QMetaObject::invokeMethod(target, std::forward<F>(f), Qt::QueuedConnection);
}
} // namespace

void MoviePlayer::Worker::run(const std::shared_ptr<Worker> &self, const QString &path,
                              const QPointer<MoviePlayer> &player) {
    Worker &w = *self;
    // What was posted by a thread that has been stopped since is not told.
    auto current = [self, player] { return player && player->m_worker == self; };
    QString error;
    std::shared_ptr<MovieDecoder> decoder = createMovieDecoder(&error);
    if (decoder && !decoder->open(path, &error))
        decoder.reset();
    if (!decoder) {
        // Done before the error is told: whoever hears of it finds the player stopped.
        {
            std::lock_guard lock(w.mutex);
            w.done = true;
        }
        post(player, [current, player, error] {
            if (current())
                Q_EMIT player->errorOccurred(error);
        });
        return;
    }
    // The clock is set by the first picture after a start, a rewind or a pause, so
    // that each picture shows at its time from there on.
    bool restartClock = true;
    Clock::time_point base;
    for (;;) {
        QSize size;
        {
            std::unique_lock lock(w.mutex);
            if (w.quit)
                break;
            if (w.rewind) {
                w.rewind = false;
                restartClock = true;
                if (!decoder->rewind()) {
                    error = decoder->errorText();
                    break;
                }
            }
            size = w.outputSize;
        }
        if (size.isEmpty())
            size = decoder->size();
        QImage picture(size, QImage::Format_RGB32);
        if (picture.isNull()) {
            error = QStringLiteral("out of memory for a picture of %1 x %2").arg(size.width()).arg(size.height());
            break;
        }
        int64_t pts = 0;
        const MovieDecoder::Result result = decoder->next(size, picture.bits(), int(picture.bytesPerLine()), &pts);
        if (result == MovieDecoder::Result::Failed) {
            error = decoder->errorText();
            break;
        }
        if (result == MovieDecoder::Result::End) {
            std::unique_lock lock(w.mutex);
            w.ended = true;
            w.resume = false;
            post(player, [current, player] {
                if (current())
                    Q_EMIT player->endOfMedia();
            });
            w.wake.wait(lock, [&w] { return w.quit || w.resume; });
            w.ended = false;
            continue;
        }
        pts = std::max<int64_t>(pts, 0);
        const auto at = std::chrono::microseconds(pts);
        if (restartClock) {
            base = Clock::now() - at;
            restartClock = false;
        }
        {
            std::unique_lock lock(w.mutex);
            if (w.wake.wait_until(lock, base + at, [&w] { return w.quit || w.rewind; }))
                continue;
        }
        if (w.inFlight.load() >= kMaxInFlight)
            continue;
        ++w.inFlight;
        post(player, [self, current, player, picture = std::move(picture), pts] {
            --self->inFlight;
            if (!current())
                return;
            ++player->m_pictures;
            Q_EMIT player->pictureReady(picture, pts);
        });
    }
    {
        std::lock_guard lock(w.mutex);
        w.done = true;
    }
    if (!error.isEmpty())
        post(player, [current, player, error] {
            if (current())
                Q_EMIT player->errorOccurred(error);
        });
}

MoviePlayer::MoviePlayer(QObject *parent) : QObject(parent) {}

MoviePlayer::~MoviePlayer() { stop(); }

void MoviePlayer::setSource(const QString &path) {
    if (path == m_source)
        return;
    stop();
    m_source = path;
}

QString MoviePlayer::source() const { return m_source; }

void MoviePlayer::setOutputSize(QSize size) {
    m_outputSize = size;
    if (m_worker) {
        std::lock_guard lock(m_worker->mutex);
        m_worker->outputSize = size;
    }
}

void MoviePlayer::play() {
    if (m_worker) {
        std::lock_guard lock(m_worker->mutex);
        m_worker->resume = true;
        m_worker->ended = false; // playing from now, not once the thread has woken
        m_worker->wake.notify_all();
        return;
    }
    if (m_source.isEmpty())
        return;
    m_worker = std::make_shared<Worker>();
    m_worker->outputSize = m_outputSize;
    m_worker->thread = std::thread(&Worker::run, m_worker, m_source, QPointer<MoviePlayer>(this));
}

void MoviePlayer::rewind() {
    if (!m_worker)
        return;
    std::lock_guard lock(m_worker->mutex);
    m_worker->rewind = true;
    m_worker->wake.notify_all();
}

void MoviePlayer::stop() {
    if (!m_worker)
        return;
    {
        std::lock_guard lock(m_worker->mutex);
        m_worker->quit = true;
        m_worker->wake.notify_all();
    }
    m_worker->thread.join();
    m_worker.reset();
    // The decoder's buffers were allocated and freed on another thread, whose arena
    // glibc keeps unless told otherwise.
    malloc_trim(0);
}

bool MoviePlayer::isPlaying() const {
    if (!m_worker)
        return false;
    std::lock_guard lock(m_worker->mutex);
    return !m_worker->ended && !m_worker->quit && !m_worker->done;
}

} // namespace qn
