#include "editor_ui/ColorsPalette.h"

#include "annotation/DrawViewModel.h"
#include "editor_ui/DrawViewButton.h"
#include "editor_ui/EditorIcons.h"
#include "platform/Observe.h"
#include "uikit/HexColor.h"

#include <QGridLayout>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

namespace qn {

ColorsPalette::ColorsPalette(DrawViewModel &model, QWidget *parent) : QWidget(parent), m_model(model) {
    setFixedSize(100, 165);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(8, 8, 8, 8);
    column->setSpacing(0);

    auto *inversion = new DrawViewButton(DrawViewButtonStyleCase::Secondary, this);
    inversion->setText(tr("Inversion"));
    inversion->setFixedHeight(28);
    inversion->setContentPainter([label = inversion->text()](QPainter &p, const QRectF &r, const QColor &fg) {
        paintEditorIcon(p, QStringLiteral("inversion@draw-view"), QRectF(r.left() + 2, r.top() + 2, 24, 24), QColor());
        QFont f(QStringLiteral("Inter"));
        f.setPixelSize(11);
        p.setFont(f);
        p.setPen(fg);
        p.drawText(QRectF(r.left() + 30, r.top(), r.width() - 30, r.height()), Qt::AlignVCenter | Qt::AlignLeft, label);
    });
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
        auto *swatch = new DrawViewButton(DrawViewButtonStyleCase::Secondary, this);
        swatch->setFixedSize(28, 28);
        swatch->setContentPainter([color = colors[i]](QPainter &p, const QRectF &r, const QColor &) {
            QPainterPath path;
            path.addRoundedRect(r.adjusted(4, 4, -4, -4), 2, 2);
            p.setRenderHint(QPainter::Antialiasing);
            p.fillPath(path, color);
        });
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
    static_cast<DrawViewButton *>(m_inversion)->setActive(color.mask);
    const QList<QColor> &colors = QNColor::palette();
    for (qsizetype i = 0; i < m_swatches.size(); ++i)
        static_cast<DrawViewButton *>(m_swatches[i])->setActive(!color.mask && colors[i] == color.color);
}

} // namespace qn
