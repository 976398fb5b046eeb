#include "recording/VideoPlayerView.h"

#include "platform/MoviePlayer.h"

#include <QPainter>
#include <QResizeEvent>

namespace qn {

VideoPlayerView::VideoPlayerView(MoviePlayer *player, QWidget *parent) : QWidget(parent), m_player(player) {
    // Until the first picture only the parent's background shows.
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    if (m_player)
        connect(m_player, &MoviePlayer::pictureReady, this, [this](const QImage &picture) { present(picture); });
}

QSize VideoPlayerView::pictureSize(QSize movie) const {
    if (movie.isEmpty() || size().isEmpty())
        return {};
    const QSize device = size() * devicePixelRatioF();
    return movie.scaled(device, Qt::KeepAspectRatioByExpanding);
}

void VideoPlayerView::present(const QImage &picture) {
    if (picture.isNull())
        return;
    m_picture = picture;
    ++m_frames;
    // Decoding straight to the size shown spares a scaling of every picture here.
    const QSize wanted = pictureSize(picture.size());
    if (m_player && !wanted.isEmpty() && wanted != picture.size())
        m_player->setOutputSize(wanted);
    update();
    if (!m_ready) {
        m_ready = true;
        Q_EMIT readyForDisplay();
    }
}

void VideoPlayerView::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    if (m_player && !m_picture.isNull())
        m_player->setOutputSize(pictureSize(m_picture.size()));
}

void VideoPlayerView::paintEvent(QPaintEvent *) {
    if (m_picture.isNull())
        return;
    QPainter p(this);
    const QSizeF shown = QSizeF(m_picture.size()).scaled(QSizeF(size()), Qt::KeepAspectRatioByExpanding);
    QRectF target(QPointF(), shown);
    target.moveCenter(QRectF(rect()).center());
    p.setClipRect(rect());
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(target, m_picture);
}

} // namespace qn
