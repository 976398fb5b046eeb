#pragma once
// Two-colour gradients of the kit: the declared button gradients (read-only) and the
// four primary-button gradients that the primary button look reads at every paint
// and that a caller may replace for the rest of the run.
#include <QColor>
#include <QLinearGradient>
#include <QRectF>
#include <QString>

namespace qn {

// Two colours spread evenly from 0 to 1; `first` is the top colour when drawn downwards.
struct TwoStopGradient {
    QColor first;
    QColor second;

    bool operator==(const TwoStopGradient &other) const = default;
    // From the top centre of `rect` to its bottom centre.
    QLinearGradient vertical(const QRectF &rect) const;
};

namespace Gradient {

TwoStopGradient twoStop(const QString &firstHex, const QString &secondHex);

namespace Button {
TwoStopGradient primary();
TwoStopGradient primaryHovered();
TwoStopGradient primaryPressed();
TwoStopGradient primaryBorder();
} // namespace Button

TwoStopGradient primaryButton();
TwoStopGradient primaryButtonHovered();
TwoStopGradient primaryButtonPressed();
TwoStopGradient primaryButtonBorder();
void setPrimaryButton(const TwoStopGradient &gradient);
void setPrimaryButtonHovered(const TwoStopGradient &gradient);
void setPrimaryButtonPressed(const TwoStopGradient &gradient);
void setPrimaryButtonBorder(const TwoStopGradient &gradient);

} // namespace Gradient
} // namespace qn
