#pragma once
#include "editor_ui/ChromeActions.h"

#include <QCoreApplication>
#include <QEnterEvent>
#include <QImage>
#include <QPalette>
#include <QStringList>
#include <QTest>
#include <QWidget>

namespace qn::test {

// Records every action the chrome asks for, as "name" or "name:argument".
class FakeActions : public ChromeActions {
public:
    QStringList calls;
    QSize paletteSize{120, 90};
    bool offerPalette = true;

    void requestClose(bool ask) override { calls << QStringLiteral("requestClose:%1").arg(ask); }
    void saveImageAction() override { calls << QStringLiteral("saveImage"); }
    void saveVideoAction() override { calls << QStringLiteral("saveVideo"); }
    void copyAsTextAction() override { calls << QStringLiteral("copyAsText"); }
    void copyAction() override { calls << QStringLiteral("copy"); }
    void uploadAction() override { calls << QStringLiteral("upload"); }
    void selectTool(Tool tool) override { calls << QStringLiteral("selectTool:") + toolRawValue(tool); }
    void undo() override { calls << QStringLiteral("undo"); }
    void redo() override { calls << QStringLiteral("redo"); }
    void toggleWhiteboard() override { calls << QStringLiteral("toggleWhiteboard"); }
    QWidget *makeColorsPalette(QWidget *parent) override {
        if (!offerPalette)
            return nullptr;
        auto *palette = new QWidget(parent);
        palette->setObjectName(QStringLiteral("colorsPalette"));
        palette->setFixedSize(paletteSize);
        return palette;
    }
};

// The pointer entering or leaving a widget, as Qt delivers it.
inline void hover(QWidget *widget, bool entering) {
    if (entering) {
        const QPointF local(widget->width() / 2.0, widget->height() / 2.0);
        QEnterEvent enter(local, widget->mapTo(widget->window(), local), widget->mapToGlobal(local));
        QCoreApplication::sendEvent(widget, &enter);
    } else {
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(widget, &leave);
    }
}

// Moves the test pointer onto a bare corner of `window`, so that Qt's own
// enter/leave bookkeeping never points at the widgets a test hovers by hand.
inline void parkPointer(QWidget *window) {
    QTest::mouseMove(window, QPoint(window->width() - 1, window->height() - 1));
}

// A palette for the light or the dark scheme of the chrome.
inline QPalette schemePalette(bool dark) {
    QPalette palette;
    palette.setColor(QPalette::Window, dark ? QColor(0x1E, 0x1E, 0x1E) : QColor(0xF0, 0xF0, 0xF0));
    palette.setColor(QPalette::WindowText, dark ? QColor(Qt::white) : QColor(Qt::black));
    return palette;
}

// The widget painted alone on a transparent image at 1×.
inline QImage renderWidget(QWidget *widget) {
    QImage image(widget->size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    widget->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

inline bool sameColor(const QColor &a, const QColor &b, int tolerance = 2) {
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance && std::abs(a.alpha() - b.alpha()) <= tolerance;
}

} // namespace qn::test
