#pragma once
#include "recording/VideoRecordingError.h"

#include <QImage>
#include <QObject>
#include <QRectF>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class QScreen;

namespace qn {

class RecordModel;
class ScreenStream;
class MicrophoneCapture;
class CameraCapture;
class MovieWriter;
class MainStreamOutput;

// The one recorder: reads the crop area of the crop screen at up to 30 frames per
// second, writes it with the microphone into a QuickTime movie in the temporary
// folder, pauses and finishes it, and runs the camera and microphone sessions the
// control bar asks for. It joins three parts: the recording session (start and
// the one finish), the synchroniser of frames and sound, and the device sessions.
// Its public functions are called on the GUI thread unless said otherwise.
class VideoRecorderCore : public QObject {
    Q_OBJECT
public:
    // The movie writer's state as the overlay asks about it ("is work being lost?").
    enum class WriterStatus { Unknown = 0, Writing = 1, Completed = 2, Failed = 3, Cancelled = 4 };
    Q_ENUM(WriterStatus)

    static VideoRecorderCore &shared();
    // A recorder of its own for tests and tools; `model` must outlive it.
    explicit VideoRecorderCore(RecordModel *model, QObject *parent = nullptr);
    ~VideoRecorderCore() override;

    // ---- recording ---------------------------------------------------------
    // The record button: records the crop area of the crop screen of the shared
    // editor state. Nothing happens without a crop screen.
    static void startRecording();
    // The start chain for one screen and crop rectangle (points of that screen,
    // origin at its top-left corner). Returns at once; success sets
    // RecordModel::isRecording, a failure prints "VideoRecorderCore Error: <text>"
    // and leaves the recorder idle.
    void start(QScreen *screen, const QRectF &crop);
    // The pause button; resuming is RecordModel::setIsPaused(false).
    void pause();
    // Ends the recording because its stream failed: finishes the movie, plays the
    // stop sound, resets the recording state. Harmless when nothing records.
    void stop();
    // Closing the overlay and saving: finishes the movie (off the GUI thread), then
    // resets the recording state and calls `completion` on the GUI thread. Harmless
    // when nothing records; the completion still runs.
    static void stopRecording(std::function<void()> completion = {});
    void finishRecording(std::function<void()> completion = {});
    // Finishes the movie before returning, for Quit and termination signals.
    void finishNow();
    // Finishes the movie from any thread without the event loop, for the moment
    // the process exits (the X server gone). Waits for a finish under way.
    void finishBeforeExit();
    // The shared recorder when it has been made, else null: an exit that never
    // recorded need not make one.
    static VideoRecorderCore *sharedIfMade();

    // True from a start until a finish begins.
    bool isRecording() const;
    WriterStatus writerStatus() const;
    bool isWriting() const { return writerStatus() == WriterStatus::Writing; }
    // The movie being or last written; kept after the recording ends.
    std::optional<QString> url() const;

    // ---- camera and microphone ---------------------------------------------
    // Start the session with the device chosen in the recording state. On success
    // cameraStreaming / microphoneStreaming become true; on failure nothing changes.
    std::optional<VideoRecordingError> startCameraSession();
    void stopCameraSession();
    bool cameraSessionRunning() const;
    // The newest camera picture (null before the first); cameraFrameChanged
    // announces each one on the GUI thread.
    QImage lastCameraFrame() const;

    std::optional<VideoRecordingError> startMicrophoneSession();
    void stopMicrophoneSession();
    bool microphoneSessionRunning() const;

    // ---- what tests and tools swap ----------------------------------------
    using ScreenStreamFactory = std::function<std::unique_ptr<ScreenStream>()>;
    using MicrophoneFactory = std::function<std::unique_ptr<MicrophoneCapture>()>;
    using CameraFactory = std::function<std::unique_ptr<CameraCapture>()>;
    void setScreenStreamFactory(ScreenStreamFactory factory);
    void setMicrophoneFactory(MicrophoneFactory factory);
    void setCameraFactory(CameraFactory factory);
    // Where movies go; empty means Helper::videoFileURL().
    void setMovieFileOverride(const QString &path);
    // Start and pause sounds; on by default, still subject to the user's "muted".
    void setSoundsEnabled(bool enabled);
    // The capture clock (microseconds) by which pause and mute are timed; the
    // screen stream and the microphone stamp their samples with the same clock.
    void setClock(std::function<int64_t()> clock);
    // Free bytes of the movie's disk (tests pretend the disk fills up).
    void setFreeSpaceProbe(std::function<int64_t(const QString &folder)> probe);
    // Pictures that may wait for the encoder before new ones are turned away; the
    // live stream's own buffers bound it further.
    void setWriterQueueDepth(int depth);
    // Pictures turned away so far in this recording (stream buffers all held, or
    // the encoder behind), for the benchmark.
    int64_t lostFrames() const;

Q_SIGNALS:
    void cameraFrameChanged(const QImage &frame);
    void writerStatusChanged();
    // A movie was finished (playable) at `path`.
    void recordingFinished(const QString &path);
    // A recording could not start or ended by itself; `message` says why.
    void recordingFailed(const QString &message);
    // The disk had no room to finish the movie the ordinary way: the recording,
    // playable as it was written, is kept at `path`.
    void movieKeptAsRecorded(const QString &path);
    // The running microphone went away (`name` as the user knows it); the
    // recording, if any, goes on with silence.
    void microphoneLost(const QString &name);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace qn
