#pragma once
// A text in one of the kit's text styles, drawn with the style's line spacing
// (which QLabel cannot do). Optionally wraps to its width. Without a colour of its
// own it takes the palette's text colour (so a kit button can colour it).
#include "uikit/Typography.h"

#include <QWidget>
#include <optional>

namespace qn {

class KitLabel : public QWidget {
    Q_OBJECT
public:
    explicit KitLabel(const QString &text = {}, const TextStyle &style = TextStyle::contentS(),
                      std::optional<QColor> color = std::nullopt, QWidget *parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString &text);
    TextStyle textStyle() const { return m_style; }
    void setTextStyle(const TextStyle &style);
    // The colour the text is drawn in.
    QColor color() const;
    void setColor(const std::optional<QColor> &color);
    Qt::Alignment alignment() const { return m_alignment; }
    void setAlignment(Qt::Alignment alignment);
    bool wordWrap() const { return m_wrap; }
    void setWordWrap(bool wrap);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return m_wrap; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void changed();

    QString m_text;
    TextStyle m_style;
    std::optional<QColor> m_color;
    Qt::Alignment m_alignment = Qt::AlignLeft | Qt::AlignVCenter;
    bool m_wrap = false;
};

} // namespace qn
