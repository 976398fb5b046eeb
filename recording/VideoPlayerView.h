#pragma once
#include <QPointer>
#include <QWidget>

#include <QMediaPlayer>
class QVideoWidget;

namespace qn {

// A player's video without any playback controls and without a flash of an empty
// player: the picture stays hidden (what lies behind shows through) until the
// first frame has arrived, and is shown from then on. The caller owns the player,
// starts it and loops it; the view only shows it. The player is fixed at creation.
class VideoPlayerView : public QWidget {
    Q_OBJECT
public:
    explicit VideoPlayerView(QMediaPlayer *player, QWidget *parent = nullptr);

    QMediaPlayer *player() const { return m_player; }
    bool isReadyForDisplay() const { return m_ready; }
    // Frames shown since the view was made.
    int framesShown() const { return m_frames; }

Q_SIGNALS:
    void readyForDisplay();

private:
    QPointer<QMediaPlayer> m_player;
    QVideoWidget *m_video;
    bool m_ready = false;
    int m_frames = 0;
};

} // namespace qn
