// Drives the recorder without the overlay: records a rectangle of the primary
// screen into a movie, taking commands on standard input (start, pause, resume,
// mute, unmute, fail, stop, quit) and printing what happened, one line each.
// The engine's end-to-end test and the recording benchmark use it.
#include "app/state/Models.h"
#include "app/state/RecordModel.h"
#include "platform/ScreenStream.h"
#include "recording/VideoRecorderCore.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QGuiApplication>
#include <QScreen>
#include <QSocketNotifier>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <mutex>
#include <sys/resource.h>
#include <unistd.h>

using namespace qn;

namespace {
void say(const QString &line) {
    std::printf("%s\n", line.toLocal8Bit().constData());
    std::fflush(stdout);
}

std::atomic<int64_t> delivered{0};
struct FailableStream;
FailableStream *live = nullptr; // GUI thread

// The live X11 stream, with a way to make it stop as if the screen had gone.
struct FailableStream final : ScreenStream {
    std::unique_ptr<ScreenStream> inner = ScreenStream::createX11();
    std::mutex mutex;
    StopHandler onStop;
    ~FailableStream() override {
        inner->stop();
        QMetaObject::invokeMethod(qApp, [self = this] {
            if (live == self)
                live = nullptr;
        });
    }
    bool start(const Config &config, FrameHandler onFrame, StopHandler stop, QString *error) override {
        {
            std::lock_guard lock(mutex);
            onStop = stop;
        }
        return inner->start(
            config,
            [this, onFrame](const ScreenFrame &f) {
                if (f.status == ScreenFrame::Status::Complete)
                    ++delivered;
                onFrame(f);
            },
            std::move(stop), error);
    }
    void stop() override { inner->stop(); }
    int64_t lostFrames() const override { return inner->lostFrames(); }
    void fail() {
        inner->stop();
        StopHandler handler;
        {
            std::lock_guard lock(mutex);
            handler = onStop;
        }
        if (handler)
            handler(QStringLiteral("forced"));
    }
};

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}
} // namespace

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOption(
        {QStringLiteral("rect"), QStringLiteral("x,y,w,h in points of the primary screen"), QStringLiteral("rect")});
    parser.addOption({QStringLiteral("out"), QStringLiteral("movie file"), QStringLiteral("path")});
    parser.addOption({QStringLiteral("mic"), QStringLiteral("use the first microphone")});
    parser.addOption({QStringLiteral("screen"), QStringLiteral("index of the screen (default: the primary one)"),
                      QStringLiteral("index")});
    parser.process(app);
    const QStringList r = parser.value(QStringLiteral("rect")).split(QLatin1Char(','));
    if (r.size() != 4) {
        say(QStringLiteral("usage: --rect x,y,w,h [--out path] [--mic]"));
        return 2;
    }
    const QRectF crop(r[0].toDouble(), r[1].toDouble(), r[2].toDouble(), r[3].toDouble());
    QScreen *screen = QGuiApplication::primaryScreen();
    if (parser.isSet(QStringLiteral("screen"))) {
        const int index = parser.value(QStringLiteral("screen")).toInt();
        const auto screens = QGuiApplication::screens();
        if (index < 0 || index >= screens.size()) {
            say(QStringLiteral("no screen %1 of %2").arg(index).arg(screens.size()));
            return 2;
        }
        screen = screens[index];
    }

    VideoRecorderCore &core = VideoRecorderCore::shared();
    RecordModel *model = Models::shared().recordModel();
    core.setSoundsEnabled(false);
    if (parser.isSet(QStringLiteral("out")))
        core.setMovieFileOverride(parser.value(QStringLiteral("out")));
    // The factory runs on the start chain's thread; the pointer is kept on ours.
    core.setScreenStreamFactory([] {
        auto stream = std::make_unique<FailableStream>();
        QMetaObject::invokeMethod(
            qApp, [p = stream.get()] { live = p; }, Qt::BlockingQueuedConnection);
        return stream;
    });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &core, [&core] { core.finishNow(); });

    QObject::connect(model, &RecordModel::isRecordingChanged, &app,
                     [model] { say(model->isRecording() ? QStringLiteral("recording") : QStringLiteral("idle")); });
    QObject::connect(&core, &VideoRecorderCore::recordingFinished, &app,
                     [](const QString &path) { say(QStringLiteral("finished ") + path); });
    QObject::connect(&core, &VideoRecorderCore::recordingFailed, &app,
                     [](const QString &message) { say(QStringLiteral("failed ") + message); });

    if (parser.isSet(QStringLiteral("mic"))) {
        model->updateAudioDevices();
        QObject::connect(model, &RecordModel::selectedAudioDeviceChanged, &app, [model, &core] {
            if (!model->selectedAudioDevice() || core.microphoneSessionRunning())
                return;
            const auto error = core.startMicrophoneSession();
            say(error ? QStringLiteral("microphone error ") + videoRecordingErrorMessage(*error)
                      : QStringLiteral("microphone ") + model->selectedAudioDevice()->name);
        });
    }

    double cpuAtStart = 0;
    qint64 wallAtStart = 0;
    auto *input = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, &app);
    QObject::connect(input, &QSocketNotifier::activated, &app, [&] {
        char buffer[256];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer - 1);
        if (n <= 0) {
            input->setEnabled(false);
            return;
        }
        buffer[n] = 0;
        for (const QString &command : QString::fromLocal8Bit(buffer).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            const QString c = command.trimmed();
            if (c == QLatin1String("start")) {
                cpuAtStart = cpuSeconds();
                wallAtStart = monotonicMicros();
                delivered = 0;
                core.start(screen, crop);
            } else if (c == QLatin1String("pause")) {
                core.pause();
                say(QStringLiteral("paused ") + QString::number(model->recordTime(), 'f', 3));
            } else if (c == QLatin1String("resume")) {
                model->setIsPaused(false);
                say(QStringLiteral("resumed ") + QString::number(model->recordTime(), 'f', 3));
            } else if (c == QLatin1String("mute") || c == QLatin1String("unmute")) {
                // Each change is told with the recorded time at which it took effect.
                model->setMuteMicrophone(c == QLatin1String("mute"));
                say(c + QStringLiteral("d ") + QString::number(model->recordTime(), 'f', 3));
            } else if (c == QLatin1String("fail")) {
                if (live)
                    live->fail();
            } else if (c == QLatin1String("stats")) {
                const double wall = double(monotonicMicros() - wallAtStart) / 1e6;
                say(QStringLiteral("stats delivered=%1 lost=%2 seconds=%3 cpu=%4 time=%5 level=%6")
                        .arg(delivered.load())
                        .arg(core.lostFrames())
                        .arg(wall, 0, 'f', 3)
                        .arg(cpuSeconds() - cpuAtStart, 0, 'f', 3)
                        .arg(model->recordTime(), 0, 'f', 3)
                        .arg(double(model->powerMetter()), 0, 'f', 3));
            } else if (c == QLatin1String("stop")) {
                VideoRecorderCore::stopRecording([] { say(QStringLiteral("stopped")); });
            } else if (c == QLatin1String("quit")) {
                QCoreApplication::quit();
            }
        }
    });
    say(QStringLiteral("ready"));
    return app.exec();
}
