#pragma once
// Offscreen rendering of kit widgets for pixel checks.
#include <QColor>
#include <QImage>
#include <QPainter>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

namespace qn::test {

// The widget (and its children) drawn over `background`, at one image pixel per point.
inline QImage render(QWidget &widget, const QColor &background = Qt::white) {
    widget.ensurePolished();
    QImage image(widget.size(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(1);
    image.fill(background);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

// Shows `window` and makes it the active one, so that focus and typing act as for a user.
inline ::testing::AssertionResult showActive(QWidget &window) {
    window.show();
    window.activateWindow();
    if (QTest::qWaitForWindowActive(&window))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "the window did not become active";
}

// `over` composed on an opaque `under`.
inline QColor blend(const QColor &over, const QColor &under) {
    const double a = over.alphaF();
    auto mix = [a](double o, double u) { return qRound((o * a + u * (1 - a)) * 255); };
    return QColor(mix(over.redF(), under.redF()), mix(over.greenF(), under.greenF()), mix(over.blueF(), under.blueF()));
}

inline ::testing::AssertionResult colorNear(const QColor &actual, const QColor &expected, int tolerance = 2) {
    const int d = std::max({std::abs(actual.red() - expected.red()), std::abs(actual.green() - expected.green()),
                            std::abs(actual.blue() - expected.blue()), std::abs(actual.alpha() - expected.alpha())});
    if (d <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "got " << qPrintable(actual.name(QColor::HexArgb)) << ", expected "
                                         << qPrintable(expected.name(QColor::HexArgb));
}

// Pixels in `rect` whose colour differs from `base` by more than `tolerance`.
inline int pixelsUnlike(const QImage &image, const QRect &rect, const QColor &base, int tolerance = 24) {
    int count = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            if (!colorNear(image.pixelColor(x, y), base, tolerance))
                ++count;
    return count;
}

// The bounding box of the pixels unlike `base`, or an empty rect.
inline QRect inkBounds(const QImage &image, const QRect &rect, const QColor &base, int tolerance = 24) {
    QRect bounds;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            if (!colorNear(image.pixelColor(x, y), base, tolerance))
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

} // namespace qn::test
