#include "uikit/MorvaneGroupBox.h"

#include "uikit/Color.h"
#include "uikit/KitLabel.h"

#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

namespace qn {

MorvaneGroupBox::MorvaneGroupBox(QWidget *parent) : QWidget(parent), m_layout(new QVBoxLayout(this)) {
    m_layout->setSpacing(0);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    rebuild();
}

MorvaneGroupBox::MorvaneGroupBox(const QString &title, QWidget *content, QWidget *parent) : MorvaneGroupBox(parent) {
    if (!title.isEmpty())
        setLabel(new KitLabel(title, TextStyle::contentS(), Color::Gray::hex282828()));
    setContent(content);
}

void MorvaneGroupBox::setLabel(QWidget *label) {
    if (label == m_label)
        return;
    delete m_label;
    m_label = label;
    rebuild();
}

void MorvaneGroupBox::setContent(QWidget *content) {
    if (content == m_content)
        return;
    delete m_content;
    m_content = content;
    rebuild();
}

void MorvaneGroupBox::setContentMargins(const QMargins &margins) {
    m_contentMargins = margins;
    rebuild();
}

void MorvaneGroupBox::rebuild() {
    while (m_layout->count() > 0)
        delete m_layout->takeAt(0);
    // Without a label there is no band at all: the content starts at the card's top.
    const int top = m_label ? 0 : m_contentMargins.top();
    m_layout->setContentsMargins(m_contentMargins.left(), top, m_contentMargins.right(), m_contentMargins.bottom());
    if (m_label) {
        m_label->setParent(this);
        m_label->setMinimumHeight(kLabelMinHeight);
        m_layout->addSpacing(kLabelPadding);
        m_layout->addWidget(m_label, 0, Qt::AlignLeft | Qt::AlignVCenter);
        m_layout->addSpacing(kLabelPadding + m_contentMargins.top());
        m_label->show();
    }
    if (m_content) {
        m_content->setParent(this);
        m_layout->addWidget(m_content);
        m_content->show();
    }
    update();
}

void MorvaneGroupBox::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath card;
    card.addRoundedRect(QRectF(rect()), kRadius, kRadius);
    p.setClipPath(card);
    p.fillPath(card, Color::Button::hexF2F2F2());
    // Stroked on the edge and clipped to the card, so only its inner half shows.
    QPen pen(Color::Button::hexDBDBDB(), 0.5, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    pen.setMiterLimit(10);
    p.setPen(pen);
    p.drawPath(card);
}

} // namespace qn
