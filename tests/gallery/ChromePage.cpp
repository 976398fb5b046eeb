// The editor chrome's page of the gallery: every piece in light (left) and dark
// (right), over a stand-in screen.
#include "GalleryPages.h"
#include "tests/editor_ui/ChromeTestSupport.h"
#include "editor_ui/BottomMenu.h"
#include "editor_ui/ChromeState.h"
#include "editor_ui/ControlsMenu.h"
#include "editor_ui/DrawPanels.h"
#include "editor_ui/DrawViewButton.h"
#include "editor_ui/MVPopover.h"
#include "editor_ui/Panel.h"
#include "editor_ui/PopoverModyfier.h"
#include "editor_ui/Tooltip.h"

#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QTimer>

using namespace qn;

namespace {

// A busy backdrop like a frozen screen, with the crop area drawn on it.
class Backdrop : public QWidget {
public:
    Backdrop(bool dark, QRectF crop, QWidget *parent) : QWidget(parent), m_dark(dark), m_crop(crop) {}

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter p(this);
        p.fillRect(rect(), m_dark ? QColor(0x30, 0x34, 0x3C) : QColor(0xDD, 0xE6, 0xEE));
        for (int i = 0; i < 14; ++i) {
            QColor c = QColor::fromHsv((i * 47) % 360, 90, m_dark ? 120 : 230);
            p.fillRect(QRect(20 + (i % 5) * 180, 30 + (i / 5) * 300, 160, 240), c);
        }
        p.fillRect(rect(), QColor(0, 0, 0, 90));
        p.fillRect(m_crop, m_dark ? QColor(0x44, 0x4A, 0x55) : QColor(0xF7, 0xF9, 0xFB));
        p.setPen(QPen(Qt::white, 1, Qt::DashLine));
        p.drawRect(m_crop);
    }

private:
    bool m_dark;
    QRectF m_crop;
};

class ButtonRow : public QWidget {
public:
    explicit ButtonRow(QWidget *parent) : QWidget(parent) { setAttribute(Qt::WA_NoSystemBackground); }
};

// Every look in its states: rest, hovered, active, pressed-looking, disabled.
void addButtonStates(QWidget *host, int top) {
    int y = top;
    const DrawViewButtonStyleCase styles[] = {DrawViewButtonStyleCase::Secondary, DrawViewButtonStyleCase::Primary,
                                              DrawViewButtonStyleCase::Upload, DrawViewButtonStyleCase::Emoji};
    for (DrawViewButtonStyleCase style : styles) {
        int x = 20;
        for (int state = 0; state < 4; ++state) {
            auto *b = new DrawViewButton(style, host);
            if (style == DrawViewButtonStyleCase::Secondary || style == DrawViewButtonStyleCase::Emoji) {
                if (style == DrawViewButtonStyleCase::Emoji)
                    b->setText(QStringLiteral("👍"));
                else
                    b->setIconName(QStringLiteral("pen@draw-view"));
                b->setGeometry(x, y, 36, 36);
            } else {
                b->setText(style == DrawViewButtonStyleCase::Primary ? QStringLiteral("Upload to Cloud")
                                                                     : QStringLiteral("Save"));
                b->setFont(QFont(QStringLiteral("Inter"), 10));
                b->setGeometry(x, y, 120, 36);
            }
            if (state == 1)
                test::hover(b, true);
            if (state == 2)
                b->setActive(true);
            if (state == 3)
                b->setEnabled(false);
            x += b->width() + 12;
        }
        y += 44;
    }
}

} // namespace

namespace qn::gallery {

Page chromePage(const QStringList &args) {
    const QString popover = args.contains(QStringLiteral("--popover"))
                                ? args.value(args.indexOf(QStringLiteral("--popover")) + 1)
                                : QString();

    auto *window = new QWidget;
    window->setObjectName(QStringLiteral("chrome"));
    window->setWindowTitle(QStringLiteral("editor chrome gallery"));
    window->setGeometry(0, 0, 1920, 1080);
    Page page{{window}, window};
    static test::FakeActions actions;
    actions.paletteSize = QSize(150, 96);

    const QRectF crop(300, 230, 500, 420);
    for (int half = 0; half < 2; ++half) {
        const bool dark = half == 1;
        auto *host = new Backdrop(dark, crop, window);
        host->setGeometry(half * 960, 0, 960, 1080);
        host->setPalette(test::schemePalette(dark));
        auto *state = new ChromeState(host);
        state->setTool(dark ? Tool::Rectangle : Tool::Pen);
        state->setQuickTool(Tool::Rectangle);
        state->setColor(dark ? QNColor{QColor(QStringLiteral("#FF4141")), false}
                             : QNColor{QColor(QStringLiteral("#33F103")), true});
        state->setCanUndo(true);
        auto *panels = new DrawPanels(
            state, &actions, host,
            [](const QRectF &c, const QRectF &) { return QPointF(c.right() - 535, c.bottom() + 16); },
            [](const QRectF &c, const QRectF &) { return QPointF(c.right() + 16, c.bottom() - 375); });
        state->setCroppedArea(crop);
        addButtonStates(host, 20);

        // One help bubble of each bar, shown for looking.
        QTimer::singleShot(50, host, [panels, dark, popover] {
            panels->bottomMenu()->hoverChanged(true, dark ? BottomMenu::Control::Upload
                                                          : BottomMenu::Control::SaveMac);
            if (popover.isEmpty())
                panels->controlsMenu()->hoverHelp(true, ControlsMenu::Control::QuickeTools);
            else if (popover == QStringLiteral("tools"))
                test::hover(panels->controlsMenu()->button(ControlsMenu::Control::QuickeTools), true);
            else
                test::hover(panels->controlsMenu()->colorButton(), true);
        });
    }
    if (args.contains(QStringLiteral("--floating"))) {
        auto *anchor = new QLabel(QStringLiteral("anchor"), window);
        anchor->setGeometry(1700, 900, 80, 30);
        anchor->show();
        auto *content = new QLabel(QStringLiteral("Floating popover content\nsecond line"));
        content->setContentsMargins(10, 10, 10, 10);
        auto *floating = new MVPopoverModyfier(anchor, Qt::RightEdge, content);
        QTimer::singleShot(300, floating, [floating] { floating->setVisible(true); });

        auto *panel = new Panel(QRect(1500, 950, 260, 56));
        auto *inside = new QLabel(QStringLiteral("  recorder controls panel"), panel);
        inside->setGeometry(0, 0, 260, 56);
        inside->setStyleSheet(QStringLiteral("background:#282828;color:#F6F6F6;border-radius:8px"));
        panel->setObjectName(QStringLiteral("chrome-panel"));
        page.windows << panel;
    }
    return page;
}

} // namespace qn::gallery
