#pragma once
// The kit's window backdrop: the full-screen material (following the scheme) under a
// veil of 50 % #F2F2F2 in light or 40 % black in dark. Fills whatever space it gets.
#include "uikit/EffectView.h"

namespace qn {

class WindowBackground : public MorvaneEffectView {
    Q_OBJECT
public:
    explicit WindowBackground(ColorScheme colorScheme, QWidget *parent = nullptr);
    // The veil laid over the material.
    QColor veilColor() const;

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace qn
