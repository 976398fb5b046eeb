#include "recording/VoiceIndicator.h"

#include "app/state/RecordModel.h"
#include "uikit/Color.h"

#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace qn {

namespace {
QColor faded(QColor c, qreal opacity) {
    c.setAlphaF(c.alphaF() * opacity);
    return c;
}

void fillBar(QPainter &p, const QRectF &r, const QColor &color) {
    if (r.width() <= 0 || r.height() <= 0)
        return;
    QPainterPath path;
    path.addRoundedRect(r, 2, 2);
    p.fillPath(path, color);
}
} // namespace

VoiceIndicator::Colors VoiceIndicator::colors(RecorderState state, bool on) {
    const QColor grey = Color::Gray::hex616161();
    const QColor blue = Color::hex(QStringLiteral("#609AAC"), 1);
    const QColor green = Color::hex(QStringLiteral("#1E2D0B"), 1);
    switch (state) {
    case RecorderState::Paused: return on ? Colors{grey, grey} : Colors{faded(grey, 0.2), faded(grey, 0.2)};
    case RecorderState::Idle: return on ? Colors{blue, blue} : Colors{grey, faded(grey, 0.2)};
    case RecorderState::Recording: return on ? Colors{green, green} : Colors{faded(green, 0.2), faded(green, 0.2)};
    }
    return {grey, grey};
}

qreal VoiceIndicator::fillWidth(float level) {
    const double l = static_cast<double>(level);
    if (!std::isfinite(l) || l <= 0)
        return 0;
    return std::min(l, 1.0) * kBarWidth;
}

void VoiceIndicator::paint(QPainter &p, QPointF origin, float level, RecorderState state, bool microphoneEnabled,
                           const QColor &foreground) {
    const Colors c = colors(state, microphoneEnabled);
    const qreal fill = fillWidth(level);
    const qreal barY = origin.y() + 1;
    const qreal leftX = origin.x() + kInset;
    const qreal tickX = leftX + kBarWidth + kSpacing;
    const qreal rightX = tickX + kBarHeight + kSpacing;
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const QColor track = faded(foreground, 0.2);
    fillBar(p, QRectF(leftX, barY, kBarWidth, kBarHeight), track);
    fillBar(p, QRectF(leftX + kBarWidth - fill, barY, fill, kBarHeight), c.fill);
    fillBar(p, QRectF(tickX, origin.y(), kBarHeight, kTickHeight), c.tick);
    fillBar(p, QRectF(rightX, barY, kBarWidth, kBarHeight), track);
    fillBar(p, QRectF(rightX, barY, fill, kBarHeight), c.fill);
    p.restore();
}

VoiceIndicator::VoiceIndicator(RecordModel *model, QWidget *parent) : QWidget(parent), m_model(model) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    // Only the meter repaints at the level's rate, never the whole bar.
    const auto repaint = [this] { update(); };
    connect(model, &RecordModel::powerMetterChanged, this, repaint);
    connect(model, &RecordModel::microphoneEnabledChanged, this, repaint);
    connect(model, &RecordModel::isRecordingChanged, this, repaint);
    connect(model, &RecordModel::isPausedChanged, this, repaint);
}

QSize VoiceIndicator::sizeHint() const { return QSize(int(std::ceil(kWidth)), int(kTickHeight)); }

void VoiceIndicator::paintEvent(QPaintEvent *) {
    QPainter p(this);
    const QColor foreground = palette().color(QPalette::WindowText);
    paint(p, QPointF((width() - kWidth) / 2, 0), m_model->powerMetter(),
          recorderState(m_model->isRecording(), m_model->isPaused()), m_model->microphoneEnabled(), foreground);
}

} // namespace qn
