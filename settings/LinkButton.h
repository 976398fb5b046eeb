#pragma once
#include "uikit/Typography.h"

#include <QAbstractButton>
#include <QColor>

namespace qn {

// A text that acts as a button, with no chrome of its own (the settings pages'
// "Reset …", "Support", "Log Out?" and "Example" links).
class LinkButton : public QAbstractButton {
    Q_OBJECT
public:
    LinkButton(const QString &text, const TextStyle &style, const QColor &color, QWidget *parent = nullptr);

    TextStyle textStyle() const { return m_style; }
    QColor color() const { return m_color; }
    // A fixed height for the text's line (the pages frame their links to 20).
    void setLineHeight(int height);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    TextStyle m_style;
    QColor m_color;
    int m_lineHeight = 0;
};

} // namespace qn
