#pragma once
// The kit's group box: a light grey card (#F2F2F2, corner radius 5, hairline #DBDBDB
// edge) holding an optional label band (at least 21 high, 7 above and below) over
// the content, with 10 on the sides and at the bottom inside the card.
#include <QMargins>
#include <QPointer>
#include <QWidget>

class QVBoxLayout;

namespace qn {

class MorvaneGroupBox : public QWidget {
    Q_OBJECT
public:
    explicit MorvaneGroupBox(QWidget *parent = nullptr);
    // A box with a text label (contentS, #282828; none when empty) and `content` (owned).
    MorvaneGroupBox(const QString &title, QWidget *content, QWidget *parent = nullptr);

    void setLabel(QWidget *label);
    QWidget *label() const { return m_label; }
    void setContent(QWidget *content);
    QWidget *content() const { return m_content; }
    // Room around the content inside the card: 10 left, right and bottom by default.
    // A list that should reach the card's edges sets 0.
    void setContentMargins(const QMargins &margins);

    static constexpr qreal kRadius = 5;
    static constexpr int kLabelMinHeight = 21;
    static constexpr int kLabelPadding = 7;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void rebuild();

    QVBoxLayout *m_layout;
    QPointer<QWidget> m_label;
    QPointer<QWidget> m_content;
    QMargins m_contentMargins{10, 0, 10, 10};
};

// The box under the name of its look.
using MorvaneGroupBoxStyle = MorvaneGroupBox;

} // namespace qn
