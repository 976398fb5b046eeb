#include "annotation/ColorsPalette.h"

#include "annotation/DrawViewModel.h"
#include "platform/Observe.h"
#include "uikit/HexColor.h"

#include <QGridLayout>
#include <QPainter>
#include <QPainterPath>
#include <QSvgRenderer>
#include <QVBoxLayout>

namespace qn {

namespace {

// An editor button of the palette: a light rounded plate when active or hovered.
class PaletteButton : public QAbstractButton {
public:
    PaletteButton(QColor swatch, QWidget *parent) : QAbstractButton(parent), m_swatch(swatch) {
        setCheckable(false);
        setCursor(Qt::PointingHandCursor);
        setAttribute(Qt::WA_Hover);
    }
    bool active = false;

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        if (active || underMouse()) {
            QColor plate = colorFromHex(QStringLiteral("#7C7C7C"), active ? 0.35 : 0.18);
            p.setPen(Qt::NoPen);
            p.setBrush(plate);
            p.drawRoundedRect(QRectF(rect()), 4, 4);
        }
        if (m_swatch.isValid()) {
            QPainterPath path;
            path.addRoundedRect(QRectF(rect()).adjusted(4, 4, -4, -4), 2, 2);
            p.fillPath(path, m_swatch);
            return;
        }
        QSvgRenderer icon(QStringLiteral(":/icons/inversion@draw-view.svg"));
        icon.render(&p, QRectF(2, 2, 24, 24));
        QFont f(QStringLiteral("Inter"));
        f.setPixelSize(11);
        p.setFont(f);
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(QRectF(30, 0, width() - 30, height()), Qt::AlignVCenter | Qt::AlignLeft, text());
    }

private:
    QColor m_swatch;
};

} // namespace

ColorsPalette::ColorsPalette(DrawViewModel &model, QWidget *parent) : QWidget(parent), m_model(model) {
    setFixedSize(100, 165);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(8, 8, 8, 8);
    column->setSpacing(0);

    auto *inversion = new PaletteButton(QColor(), this);
    inversion->setText(tr("Inversion"));
    inversion->setFixedHeight(28);
    m_inversion = inversion;
    connect(inversion, &QAbstractButton::clicked, this,
            [this] { m_model.setColor(QNColor{m_model.color().color, true}); });
    column->addWidget(inversion);

    column->addSpacing(4);
    auto *divider = new QWidget(this);
    divider->setFixedHeight(1);
    divider->setAutoFillBackground(true);
    QPalette pal = divider->palette();
    pal.setColor(QPalette::Window, colorFromHex(QStringLiteral("#7C7C7C"), 0.3));
    divider->setPalette(pal);
    column->addWidget(divider);
    column->addSpacing(4);

    auto *grid = new QGridLayout;
    grid->setSpacing(0);
    grid->setContentsMargins(0, 0, 0, 0);
    const QList<QColor> &colors = QNColor::palette();
    for (qsizetype i = 0; i < colors.size(); ++i) {
        auto *swatch = new PaletteButton(colors[i], this);
        swatch->setFixedSize(28, 28);
        swatch->setToolTip(QLatin1Char('#') + hexString(colors[i]).value_or(QString()));
        const QColor color = colors[i];
        connect(swatch, &QAbstractButton::clicked, this, [this, color] { m_model.setColor(QNColor{color, false}); });
        grid->addWidget(swatch, static_cast<int>(i / 3), static_cast<int>(i % 3));
        m_swatches.append(swatch);
    }
    column->addLayout(grid);
    column->addStretch(1);

    observe(&m_model, &DrawViewModel::color, &DrawViewModel::colorChanged, this,
            [this](const QNColor &c) { showColor(c); });
}

void ColorsPalette::showColor(const QNColor &color) {
    static_cast<PaletteButton *>(m_inversion)->active = color.mask;
    const QList<QColor> &colors = QNColor::palette();
    for (qsizetype i = 0; i < m_swatches.size(); ++i)
        static_cast<PaletteButton *>(m_swatches[i])->active = !color.mask && colors[i] == color.color;
    update();
    for (QAbstractButton *b : m_swatches)
        b->update();
    m_inversion->update();
}

} // namespace qn
