#include "editor_ui/ControlsMenu.h"

#include "editor_ui/ChromeActions.h"
#include "editor_ui/ChromeState.h"
#include "editor_ui/ChromeStyle.h"
#include "editor_ui/DrawViewButton.h"
#include "editor_ui/EditorIcons.h"
#include "editor_ui/PanelBackground.h"
#include "editor_ui/PopoverModyfier.h"
#include "editor_ui/ToolsPalette.h"
#include "editor_ui/Tooltip.h"
#include "platform/Observe.h"
#include "uikit/Color.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace qn {

namespace {

size_t indexOf(ControlsMenu::Control control) { return size_t(control); }

enum Part { Column = 0, ToolsPart = 1, PalettePart = 2 };

// A kit divider, 36 × 1, in the divider colour.
class MenuDivider : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent *) override { QPainter(this).fillRect(rect(), Color::AppPlah::hex7C7C7COpacity30()); }
};

// A button with its three dots on the left: the popover rows. The row is the
// popover's source, so the palette opens beside the whole row.
class PopoverRow : public QWidget {
public:
    explicit PopoverRow(QWidget *parent) : QWidget(parent) { setFixedSize(44, 36); }

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(chrome::isDark(this) ? Color::Gray::hex8D8D8D() : Color::Gray::hex282828());
        // Three 2 × 2 dots, 1 apart, centred on the row's height.
        const qreal top = (height() - 8) / 2.0;
        for (int i = 0; i < 3; ++i)
            painter.drawEllipse(QRectF(0, top + i * 3, 2, 2));
    }
};

} // namespace

ControlsMenu::Helper &ControlsMenu::Helper::shared() {
    static Helper helper;
    return helper;
}

void ControlsMenu::Helper::cancel() {
    work.cancel();
    worker.cancel();
}

QString ControlsMenu::quickToolImage(Tool quickTool) {
    switch (quickTool) {
    case Tool::Line:
        return QStringLiteral("line@draw-view");
    case Tool::Rectangle:
        return QStringLiteral("rectangle@draw-view");
    case Tool::Oval:
        return QStringLiteral("oval@draw-view");
    default:
        return QStringLiteral("arrow@draw-view");
    }
}

ControlsMenu::ControlsMenu(ChromeState *state, ChromeActions *actions, Qt::Alignment helpAligmnet, QWidget *parent)
    : QWidget(parent), m_state(state), m_actions(actions), m_helpAligmnet(helpAligmnet) {
    setAttribute(Qt::WA_NoSystemBackground);
    setFixedSize(kWidth, kHeight);
    build();
    observe(state, &ChromeState::color, &ChromeState::colorChanged, this, [this](const QNColor &color) {
        m_color = color;
        refresh();
    });
    observe(state, &ChromeState::tool, &ChromeState::toolChanged, this, [this](Tool tool) {
        m_tool = tool;
        refresh();
    });
    observe(state, &ChromeState::quickTool, &ChromeState::quickToolChanged, this, [this](Tool tool) {
        m_quickTool = tool;
        refresh();
    });
    observe(state, &ChromeState::canUndo, &ChromeState::canUndoChanged, this, [this](bool can) {
        m_canUndo = can;
        refresh();
    });
    observe(state, &ChromeState::canRedo, &ChromeState::canRedoChanged, this, [this](bool can) {
        m_canRedo = can;
        refresh();
    });
}

ControlsMenu::~ControlsMenu() { Helper::shared().cancel(); }

DrawViewButton *ControlsMenu::button(Control control) const { return m_buttons[indexOf(control)]; }

void ControlsMenu::build() {
    int y = 6;
    const auto addDivider = [&] {
        auto *divider = new MenuDivider(this);
        divider->setGeometry(6, y + 6, 36, 1);
        y += 13;
    };
    const auto addButton = [&](QWidget *parent, int x, Control control, const QString &image, const QString &help,
                               bool helpOnHover) {
        auto *b = new DrawViewButton(DrawViewButtonStyleCase::Secondary, parent);
        b->setIconName(image);
        b->setGeometry(x, parent == this ? y : 0, 36, 36);
        if (control != Control::None) {
            m_buttons[indexOf(control)] = b;
            m_help.add(control, new TooltipModifier(b, help, m_helpAligmnet, -12));
            if (helpOnHover)
                connect(b, &DrawViewButton::hoverChanged, this,
                        [this, control](bool on) { hoverHelp(on, control); });
        }
        return b;
    };
    const auto select = [this](Tool tool) {
        return [this, tool] {
            if (m_actions)
                m_actions->selectTool(tool);
        };
    };

    connect(addButton(this, 6, Control::Pointer, QStringLiteral("notes@draw-view"),
                      QStringLiteral("Add a comment - \u0421"), true),
            &QAbstractButton::clicked, this, select(Tool::Point));
    y += 36;
    connect(addButton(this, 6, Control::Text, QStringLiteral("text@draw-view"), QStringLiteral("Add Text - T"), true),
            &QAbstractButton::clicked, this, select(Tool::Text));
    y += 36;
    addDivider();
    connect(addButton(this, 6, Control::Pen, QStringLiteral("pen@draw-view"), QStringLiteral("Draw by Pencil - P"),
                      true),
            &QAbstractButton::clicked, this, select(Tool::Pen));
    y += 36;

    // Shape tools: the button shows the quick tool; its palette opens on hover.
    auto *toolsRow = new PopoverRow(this);
    toolsRow->move(2, y);
    DrawViewButton *shapes =
        addButton(toolsRow, 4, Control::QuickeTools, quickToolImage(m_quickTool),
                  QStringLiteral("Draw an Arrow - A\nDraw a Line - L\nDraw a Rectangle - R\nDraw an Oval - O"), false);
    connect(shapes, &QAbstractButton::clicked, this, [this] {
        if (m_actions)
            m_actions->selectTool(m_quickTool);
    });
    connect(shapes, &DrawViewButton::hoverChanged, this, [this](bool on) {
        hoverHelp(on, Control::QuickeTools);
        if (on) {
            setShowTools(true);
            setShowPalette(false);
        }
    });
    m_toolsPalette = new ToolsPalette(m_actions);
    m_toolsPalette->setObjectName(QStringLiteral("toolsPalette"));
    m_toolsPopover = new PopoverModyfier(toolsRow, Edge::Leading, false, m_toolsPalette);
    connect(m_toolsPopover, &PopoverModyfier::hoverChanged, this,
            [this](bool on) { updateHoverRegion(on, ToolsPart); });
    y += 36;

    connect(addButton(this, 6, Control::Blur, QStringLiteral("blur@draw-view"),
                      QStringLiteral("Draw a Blured rectangle - B"), true),
            &QAbstractButton::clicked, this, select(Tool::Blur));
    y += 36;
    addDivider();
    connect(addButton(this, 6, Control::Whiteboard, QStringLiteral("whiteboard@draw-view"),
                      QStringLiteral("Draw a mockup on the Whiteboard - W"), true),
            &QAbstractButton::clicked, this, [this] {
                if (m_actions)
                    m_actions->toggleWhiteboard();
            });
    y += 36;

    // Colour swatch: no help text; its palette opens on hover and on click.
    auto *colorRow = new PopoverRow(this);
    colorRow->move(2, y);
    m_colorButton = addButton(colorRow, 4, Control::None, QString(), QString(), false);
    m_colorButton->setContentPainter([this](QPainter &painter, const QRectF &area, const QColor &) {
        if (m_color.mask) {
            const QRectF icon(area.center() - QPointF(12, 12), QSizeF(24, 24));
            paintEditorIcon(painter, QStringLiteral("inversion@draw-view"), icon, QColor());
            return;
        }
        QPainterPath swatch;
        swatch.addRoundedRect(QRectF(area.center() - QPointF(10, 10), QSizeF(20, 20)), 2, 2);
        painter.fillPath(swatch, m_color.color);
    });
    connect(m_colorButton, &QAbstractButton::clicked, this, [this] { setShowPalette(true); });
    connect(m_colorButton, &DrawViewButton::hoverChanged, this, [this](bool on) {
        if (on) {
            setShowPalette(true);
            setShowTools(false);
        }
    });
    if (QWidget *palette = m_actions ? m_actions->makeColorsPalette(nullptr) : nullptr) {
        m_palettePopover = new PopoverModyfier(colorRow, Edge::Leading, false, palette);
        connect(m_palettePopover, &PopoverModyfier::hoverChanged, this,
                [this](bool on) { updateHoverRegion(on, PalettePart); });
    }
    y += 36;
    addDivider();

    DrawViewButton *undo =
        addButton(this, 6, Control::Undo, QStringLiteral("undo@draw-view"), QStringLiteral("Undo - Ctrl+Z"), true);
    connect(undo, &QAbstractButton::clicked, this, [this] {
        if (m_actions)
            m_actions->undo();
    });
    y += 36;
    DrawViewButton *redo = addButton(this, 6, Control::Redo, QStringLiteral("rendo@draw-view"),
                                     QStringLiteral("Redo - Ctrl+Shift+Z"), true);
    connect(redo, &QAbstractButton::clicked, this, [this] {
        if (m_actions)
            m_actions->redo();
    });
}

void ControlsMenu::refresh() {
    const auto activeFor = [this](Control c, bool on) { button(c)->setActive(on); };
    activeFor(Control::Pointer, m_tool == Tool::Point);
    activeFor(Control::Text, m_tool == Tool::Text);
    activeFor(Control::Pen, m_tool == Tool::Pen);
    activeFor(Control::QuickeTools, isQuickTool(m_tool));
    activeFor(Control::Blur, m_tool == Tool::Blur);
    button(Control::QuickeTools)->setIconName(quickToolImage(m_quickTool));
    button(Control::Undo)->setEnabled(m_canUndo);
    button(Control::Redo)->setEnabled(m_canRedo);
    m_colorButton->update();
    m_toolsPalette->setTool(m_tool);
}

void ControlsMenu::setHelpAligmnet(Qt::Alignment alignment) {
    m_helpAligmnet = alignment;
    m_help.setSide(alignment);
}

void ControlsMenu::hoverHelp(bool hovering, Control control) { m_help.hoverChanged(this, hovering, control); }

void ControlsMenu::menuHover(bool hovering) {
    if (hovering) {
        Helper::shared().worker.cancel();
        return;
    }
    const QPointer<ControlsMenu> self(this);
    Helper::shared().worker.schedule(kCloseDelayMs, [self] {
        if (self)
            self->closePopovers();
    });
}

void ControlsMenu::closePopovers() {
    setShowTools(false);
    setShowPalette(false);
}

void ControlsMenu::setShowTools(bool show) {
    m_showTools = show;
    m_toolsPopover->setShow(show);
}

void ControlsMenu::setShowPalette(bool show) {
    m_showPalette = show;
    if (m_palettePopover)
        m_palettePopover->setShow(show);
}

void ControlsMenu::updateHoverRegion(bool entered, int part) {
    const bool before = m_inside[Column] || m_inside[ToolsPart] || m_inside[PalettePart];
    m_inside[size_t(part)] = entered;
    const bool after = m_inside[Column] || m_inside[ToolsPart] || m_inside[PalettePart];
    if (before == after)
        return;
    menuHover(after);
    Q_EMIT pointerInsideChanged(after);
}

void ControlsMenu::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), 8, 8);
    paintPanelBackground(painter, shape, BlendingMode::WithinWindow, chrome::isDark(this));
}

void ControlsMenu::enterEvent(QEnterEvent *event) {
    QWidget::enterEvent(event);
    updateHoverRegion(true, Column);
}

void ControlsMenu::leaveEvent(QEvent *event) {
    QWidget::leaveEvent(event);
    updateHoverRegion(false, Column);
}

void ControlsMenu::hideEvent(QHideEvent *event) {
    QWidget::hideEvent(event);
    Helper::shared().cancel();
    m_help.setHover(Control::None);
    closePopovers();
    const bool wasInside = m_inside[Column] || m_inside[ToolsPart] || m_inside[PalettePart];
    m_inside = {};
    if (wasInside)
        Q_EMIT pointerInsideChanged(false);
}

void ControlsMenu::moveEvent(QMoveEvent *event) {
    QWidget::moveEvent(event);
    if (m_showTools)
        m_toolsPopover->reposition();
    if (m_showPalette && m_palettePopover)
        m_palettePopover->reposition();
}

void ControlsMenu::mousePressEvent(QMouseEvent *event) {
    // The column's own background is not the canvas.
    event->accept();
}

} // namespace qn
