#include "recording/VideoPlayerView.h"

#include <QMediaPlayer>
#include <QVBoxLayout>
#include <QVideoFrame>
#include <QVideoSink>
#include <QVideoWidget>

namespace qn {

VideoPlayerView::VideoPlayerView(QMediaPlayer *player, QWidget *parent)
    : QWidget(parent), m_player(player), m_video(new QVideoWidget(this)) {
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_video);
    // Until a frame is there, the widget shows nothing of its own.
    m_video->setAttribute(Qt::WA_TranslucentBackground);
    m_video->setAspectRatioMode(Qt::KeepAspectRatioByExpanding);
    // Kept in the layout but not painted until ready: a hidden video widget would
    // still receive frames, yet mapping it late avoids the black flash.
    m_video->setVisible(false);
    if (m_player)
        m_player->setVideoOutput(m_video);
    connect(m_video->videoSink(), &QVideoSink::videoFrameChanged, this, [this](const QVideoFrame &frame) {
        if (!frame.isValid())
            return;
        ++m_frames;
        if (!m_ready) {
            m_ready = true;
            m_video->setVisible(true);
            Q_EMIT readyForDisplay();
        }
    });
}

} // namespace qn
