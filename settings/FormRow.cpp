#include "settings/FormRow.h"

#include "uikit/Color.h"
#include "uikit/KitLabel.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

namespace qn {

namespace {
constexpr qreal kRadius = 4;
constexpr int kTitleHeight = 13;
constexpr int kColumnSpacing = 6;
} // namespace

FormRow::FormRow(const QString &title, Qt::Alignment alignment, QWidget *description, QWidget *content, Look look,
                 QWidget *parent)
    : QWidget(parent), m_title(new KitLabel(title, TextStyle::contentS(), Color::Gray::hex282828())),
      m_content(content), m_look(look) {
    const bool top = alignment & Qt::AlignTop;
    auto *row = new QHBoxLayout(this);
    row->setSpacing(8);
    const int pad = look == Look::SectionsBack ? kPadding : 0;
    row->setContentsMargins(pad, pad, pad, pad);

    auto *column = new QVBoxLayout();
    column->setSpacing(kColumnSpacing);
    column->setContentsMargins(0, top ? 1 : 0, 0, 0);
    // The title never wraps and is never cut: its line keeps its text's width.
    m_title->setFixedHeight(kTitleHeight + 2);
    m_title->setMinimumWidth(m_title->sizeHint().width());
    column->addWidget(m_title);
    if (description)
        column->addWidget(description);
    column->addStretch(1);
    auto *left = new QWidget();
    left->setLayout(column);
    left->setMinimumHeight(kMinimumHeight);
    row->addWidget(left, 1, top ? Qt::AlignTop : Qt::AlignVCenter);
    if (m_content)
        row->addWidget(m_content, 0, (top ? Qt::AlignTop : Qt::AlignVCenter) | Qt::AlignRight);
    setMinimumHeight(kMinimumHeight + 2 * pad);
}

QString FormRow::title() const { return m_title->text(); }

void FormRow::setColorScheme(ColorScheme scheme) {
    m_scheme = scheme;
    update();
}

QColor FormRow::cardFill(ColorScheme scheme) {
    return scheme == ColorScheme::Light ? Color::Button::hexF2F2F2() : Color::Gray::hex373737();
}

QColor FormRow::cardBorder(ColorScheme scheme) {
    return scheme == ColorScheme::Light ? Color::Button::hexDBDBDB() : Color::Settings::hexF6F6F6Opacity10();
}

void FormRow::paintEvent(QPaintEvent *) {
    if (m_look != Look::SectionsBack)
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(0.25, 0.25, -0.25, -0.25);
    p.setPen(QPen(cardBorder(m_scheme), 0.5));
    p.setBrush(cardFill(m_scheme));
    p.drawRoundedRect(r, kRadius, kRadius);
}

} // namespace qn
