#pragma once
#include "platform/MoviePlayer.h"

#include <QImage>
#include <QPointer>
#include <QWidget>

namespace qn {

// A player's video without any playback controls and without a flash of an empty
// player: nothing is painted (what lies behind shows through) until the first
// picture has arrived, and the pictures are shown from then on, filling the view
// with their aspect kept (the overflow is cut, centred). The caller owns the player,
// starts it and loops it; the view only shows it. The player is fixed at creation.
// A plain widget: no GL surface, no media framework.
class VideoPlayerView : public QWidget {
    Q_OBJECT
public:
    explicit VideoPlayerView(MoviePlayer *player, QWidget *parent = nullptr);

    MoviePlayer *player() const { return m_player; }
    bool isReadyForDisplay() const { return m_ready; }
    // Pictures shown since the view was made.
    int framesShown() const { return m_frames; }
    // Shows a picture as if the player had given it.
    void present(const QImage &picture);

Q_SIGNALS:
    void readyForDisplay();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    // The size the player should decode to: what fills the view in device pixels.
    QSize pictureSize(QSize movie) const;

    QPointer<MoviePlayer> m_player;
    QImage m_picture;
    bool m_ready = false;
    int m_frames = 0;
};

} // namespace qn
