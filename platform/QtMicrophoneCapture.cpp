#include "platform/MicrophoneCapture.h"
#include "platform/ScreenStream.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSource>
#include <QIODevice>
#include <QMediaDevices>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <future>

namespace qn {

namespace {

// Lives on the capture thread: the audio source and its reads never wait for the
// GUI thread, so a busy window does not cost the movie its sound.
class SourceReader : public QObject {
public:
    SourceReader(const QAudioDevice &device, MicrophoneCapture::ChunkHandler handler)
        : m_device(device), m_handler(std::move(handler)) {}

    bool open() {
        QAudioFormat format;
        format.setSampleRate(MicrophoneCapture::kSampleRate);
        format.setChannelCount(1);
        format.setSampleFormat(QAudioFormat::Int16);
        if (!m_device.isFormatSupported(format))
            return false;
        m_source = new QAudioSource(m_device, format, this);
        // About 20 ms per read keeps the sound's time stamps close to the picture's.
        m_source->setBufferSize(MicrophoneCapture::kSampleRate / 50 * 2 * 4);
        m_io = m_source->start();
        if (!m_io || m_source->error() != QAudio::NoError)
            return false;
        connect(m_io, &QIODevice::readyRead, this, &SourceReader::read);
        // Some sources announce new data only now and then; reading on a steady
        // beat keeps the chunks short whatever the backend does.
        m_poll = new QTimer(this);
        m_poll->setInterval(20);
        connect(m_poll, &QTimer::timeout, this, &SourceReader::read);
        m_poll->start();
        return true;
    }

    void close() {
        if (m_poll)
            m_poll->stop();
        if (m_source) {
            m_source->stop();
            delete m_source;
            m_source = nullptr;
            m_io = nullptr;
        }
    }

private:
    void read() {
        if (!m_io)
            return;
        const QByteArray bytes = m_io->readAll();
        const int count = int(bytes.size() / 2);
        if (count <= 0)
            return;
        MicrophoneCapture::Chunk chunk;
        chunk.samples.resize(size_t(count));
        std::memcpy(chunk.samples.data(), bytes.constData(), size_t(count) * 2);
        // The samples were taken up to now: the first of them that long ago.
        chunk.startTimeUs = monotonicMicros() - int64_t(count) * 1'000'000 / MicrophoneCapture::kSampleRate;
        m_handler(chunk);
    }

    QAudioDevice m_device;
    MicrophoneCapture::ChunkHandler m_handler;
    QAudioSource *m_source = nullptr;
    QIODevice *m_io = nullptr;
    QTimer *m_poll = nullptr;
};

class QtMicrophoneCapture final : public MicrophoneCapture {
public:
    ~QtMicrophoneCapture() override { stop(); }

    bool start(const QString &deviceId, ChunkHandler onChunk) override {
        stop();
        QAudioDevice device;
        for (const QAudioDevice &candidate : QMediaDevices::audioInputs())
            if (QString::fromUtf8(candidate.id()) == deviceId)
                device = candidate;
        if (device.isNull())
            return false;
        m_thread = new QThread;
        m_thread->setObjectName(QStringLiteral("microphone"));
        m_thread->start();
        m_reader = new SourceReader(device, std::move(onChunk));
        m_reader->moveToThread(m_thread);
        bool opened = false;
        QMetaObject::invokeMethod(
            m_reader, [&] { opened = m_reader->open(); }, Qt::BlockingQueuedConnection);
        if (!opened) {
            stop();
            return false;
        }
        m_running = true;
        return true;
    }

    void stop() override {
        m_running = false;
        if (!m_thread)
            return;
        if (m_reader) {
            QMetaObject::invokeMethod(
                m_reader,
                [reader = m_reader] {
                    reader->close();
                    delete reader;
                },
                Qt::BlockingQueuedConnection);
            m_reader = nullptr;
        }
        m_thread->quit();
        m_thread->wait();
        delete m_thread;
        m_thread = nullptr;
    }

    bool isRunning() const override { return m_running; }

private:
    QThread *m_thread = nullptr;
    SourceReader *m_reader = nullptr;
    bool m_running = false;
};

} // namespace

std::unique_ptr<MicrophoneCapture> MicrophoneCapture::createQt() { return std::make_unique<QtMicrophoneCapture>(); }

} // namespace qn
