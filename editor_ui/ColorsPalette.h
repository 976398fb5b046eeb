#pragma once
#include "annotation/QNColor.h"

#include <QAbstractButton>
#include <QWidget>

namespace qn {

class DrawViewModel;

// The panel in which the annotation colour is picked: the inversion mark (keeps the
// colour underneath) and the twelve palette colours in four rows of three.
class ColorsPalette : public QWidget {
    Q_OBJECT
public:
    explicit ColorsPalette(DrawViewModel &model, QWidget *parent = nullptr);

    QAbstractButton *inversionButton() const { return m_inversion; }
    const QList<QAbstractButton *> &swatches() const { return m_swatches; }

private:
    void showColor(const QNColor &color);

    DrawViewModel &m_model;
    QAbstractButton *m_inversion;
    QList<QAbstractButton *> m_swatches;
};

} // namespace qn
