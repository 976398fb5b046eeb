#pragma once
#include "recording/RecorderState.h"

#include <QColor>
#include <QWidget>

class QPainter;

namespace qn {

class RecordModel;

// The microphone level meter of the recording bar: two thin bars filling outwards
// from a short tick, coloured by the recording state and the microphone switch.
class VoiceIndicator : public QWidget {
    Q_OBJECT
public:
    struct Colors {
        QColor fill;
        QColor tick;
    };
    static Colors colors(RecorderState state, bool microphoneEnabled);

    static constexpr qreal kBarWidth = 67;
    static constexpr qreal kBarHeight = 1.3;
    static constexpr qreal kTickHeight = 8;
    static constexpr qreal kInset = 10;
    static constexpr qreal kSpacing = 3;
    static constexpr qreal kWidth = kInset + kBarWidth + kSpacing + kBarHeight + kSpacing + kBarWidth + kInset;

    // Width of each fill for a level; a level outside 0..1 (or not a number) is
    // held to the track, so a stray reading never paints over the bar's edge.
    static qreal fillWidth(float level);

    // Paints the meter with its top-left corner at `origin`.
    static void paint(QPainter &painter, QPointF origin, float level, RecorderState state, bool microphoneEnabled,
                      const QColor &foreground);

    explicit VoiceIndicator(RecordModel *model, QWidget *parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    RecordModel *m_model;
};

} // namespace qn
