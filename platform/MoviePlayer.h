#pragma once
#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>

#include <memory>

namespace qn {

// Plays the pictures of a movie file (no sound) at their times, decoded with the
// program's FFmpeg module on a thread of the player's own, and hands each one to
// the thread that made the player. At the end it stops and tells so; the caller
// decides whether to go round again (rewind() and play()). stop() ends the thread
// and frees the decoder, so a stopped player costs nothing.
class MoviePlayer : public QObject {
    Q_OBJECT
public:
    explicit MoviePlayer(QObject *parent = nullptr);
    ~MoviePlayer() override;

    void setSource(const QString &path);
    QString source() const;
    // Pictures come scaled to this size (the movie's own when empty); it may change
    // while playing.
    void setOutputSize(QSize size);

    // Starts (opening the file on the first call) or goes on after the end once
    // rewound.
    void play();
    // Back to the first picture; the next play() shows it at once.
    void rewind();
    // Ends playing and frees the decoder; play() starts over from the beginning.
    void stop();
    bool isPlaying() const;
    // Pictures handed out since the player was made.
    int picturesShown() const { return m_pictures; }

Q_SIGNALS:
    void pictureReady(const QImage &picture, qint64 ptsUs);
    void endOfMedia();
    void errorOccurred(const QString &message);

private:
    struct Worker;
    std::shared_ptr<Worker> m_worker;
    QString m_source;
    QSize m_outputSize;
    int m_pictures = 0;
};

} // namespace qn
