#pragma once
#include "recording/FrameSoundSync.h"

#include <QObject>
#include <QPointer>
#include <QRectF>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

class QScreen;

namespace qn {

class RecordModel;
class MovieWriter;
class ScreenStream;

// One recording from its start to its end: the screen stream, the movie writer and
// the time line between them. Every end of a recording, whatever caused it, goes
// through finish() (or, where the event loop can no longer run, endMovie()), so
// each leaves the same finished movie. GUI thread, except where said.
class RecordingSession : public QObject {
    Q_OBJECT
public:
    enum class Phase { Idle, Starting, Recording, Finishing };
    Q_ENUM(Phase)
    // Why a recording ends.
    enum class End {
        Closed,       // the overlay closed or saved the movie
        StreamFailed, // the screen can no longer be read
        ScreenLost,   // its monitor went away
        DiskFull,     // the writer takes nothing more
        Exit,         // the program is ending (Quit, a termination signal, the X server gone)
    };
    Q_ENUM(End)

    // What the recorder's owner swaps (tests, tools); read at each start.
    struct Options {
        std::function<std::unique_ptr<ScreenStream>()> streamFactory;
        QString movieOverride; // empty: a new name in the recordings' folder
        int writerQueueDepth = 3;
        std::function<int64_t(const QString &folder)> freeSpace;
        std::function<int64_t()> clock;
        bool soundsEnabled = true;
        // Whether the movie gets a sound track, asked at each start.
        std::function<bool()> wantsSound;
    };

    RecordingSession(RecordModel *model, FrameSoundSync *sync, QObject *parent = nullptr);
    ~RecordingSession() override;
    Options &options() { return m_options; }

    Phase phase() const { return m_phase; }
    // Starts recording `crop` (points of `screen`, origin at its top-left corner).
    // Only from Idle; returns at once. Success sets RecordModel::isRecording, a
    // failure prints "VideoRecorderCore Error: <text>" and emits failed().
    void start(QScreen *screen, const QRectF &crop);
    // Ends the recording for `why`; the movie is finished off the GUI thread and
    // `completion` runs on it once the recording state is reset. A finish asked for
    // while starting waits for the start; one asked for while finishing joins it.
    void finish(End why, std::function<void()> completion = {});
    // The same finish, done before returning (Quit and termination signals).
    void finishNow();
    // Finishes the movie from any thread without the event loop: the last word
    // before the process exits. Waits for a finish another thread has under way.
    // `stopStream` false leaves the stream's thread running (it may be the caller,
    // or stuck on a dead X connection); its pictures are no longer taken.
    void endMovie(bool stopStream = true);

    // True from a start until its finish begins; any thread.
    bool isRecording() const { return m_recording.load(); }
    std::optional<QString> url() const;
    int64_t lostFrames() const;
    // MovieWriter::Status of the movie being or last written; any thread.
    int writerStatus() const { return m_status.load(); }

Q_SIGNALS:
    void started(const QString &path);
    void writerStatusChanged(int status); // MovieWriter::Status
    void finished(const QString &path, bool ok);
    void failed(const QString &message);
    // The disk had no room to turn the recording into an ordinary movie: the
    // playable recording itself is kept at `path`.
    void keptAsRecorded(const QString &path);

private:
    void onFrame(const ScreenFrame &frame);
    void onStreamStopped(const QString &error);
    void landStart(std::unique_ptr<ScreenStream> stream, const QString &error);
    void landFinish();
    void runCallbacks();
    void resetModel();

    RecordModel *m_model;
    FrameSoundSync *m_sync;
    Options m_options;
    Phase m_phase = Phase::Idle;
    std::optional<End> m_endAfterStart; // an end asked for while starting
    std::optional<End> m_ending;        // the end under way
    std::vector<std::function<void()>> m_callbacks;
    QPointer<QScreen> m_screen;

    // Shared with the stream's thread and with endMovie() on any thread.
    mutable std::mutex m_mutex;
    std::condition_variable m_movieEnded;
    std::shared_ptr<ScreenStream> m_stream;
    std::optional<QString> m_url;
    bool m_movieOpen = false;   // a movie is being written and not yet finished
    bool m_movieEnding = false; // a thread is finishing it
    int64_t m_streamLost = 0;
    std::atomic<bool> m_recording{false};
    std::atomic<bool> m_endReported{false};
    std::atomic<bool> m_recordTimePosted{false};
    std::atomic<int> m_status{0};
};

} // namespace qn
