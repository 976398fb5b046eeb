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

#include <QBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace qn {

namespace {

using Control = ControlsMenu::Control;

size_t indexOf(Control control) { return size_t(control); }

// What a column row is made of. The two popover rows carry three dots left of
// their button and are the source their popover opens beside.
enum class RowKind : quint8 { Button, ToolsRow, ColorsRow, Divider };

// What a click on the row's button does. It also decides when the button shows
// as active (the tool it chooses is the current one) and when it is enabled
// (undo and redo only while there is something to undo or redo).
enum class Press : quint8 { None, SelectTool, SelectQuickTool, ToggleWhiteboard, OpenPalette, Undo, Redo };

struct ColumnRow {
    RowKind kind;
    Control control = Control::None; // None: no help text
    const char *image = nullptr;     // none: the menu paints the content
    const char *help = nullptr;
    Press press = Press::None;
    Tool tool = Tool::Pointer; // the tool SelectTool chooses
};

// The column, top to bottom. The comment button's key is the Cyrillic Es the
// overlay's key handling answers to, so its help text names that letter.
constexpr ColumnRow kColumn[] = {
    {RowKind::Button, Control::Pointer, "notes@draw-view", "Add a comment - \u0421", Press::SelectTool, Tool::Point},
    {RowKind::Button, Control::Text, "text@draw-view", "Add Text - T", Press::SelectTool, Tool::Text},
    {RowKind::Divider},
    {RowKind::Button, Control::Pen, "pen@draw-view", "Draw by Pencil - P", Press::SelectTool, Tool::Pen},
    {RowKind::ToolsRow, Control::QuickeTools, nullptr,
     "Draw an Arrow - A\nDraw a Line - L\nDraw a Rectangle - R\nDraw an Oval - O", Press::SelectQuickTool},
    {RowKind::Button, Control::Blur, "blur@draw-view", "Draw a Blured rectangle - B", Press::SelectTool, Tool::Blur},
    {RowKind::Divider},
    {RowKind::Button, Control::Whiteboard, "whiteboard@draw-view", "Draw a mockup on the Whiteboard - W",
     Press::ToggleWhiteboard},
    {RowKind::ColorsRow, Control::None, nullptr, nullptr, Press::OpenPalette},
    {RowKind::Divider},
    {RowKind::Button, Control::Undo, "undo@draw-view", "Undo - Ctrl+Z", Press::Undo},
    {RowKind::Button, Control::Redo, "rendo@draw-view", "Redo - Ctrl+Shift+Z", Press::Redo},
};

void run(ChromeActions &actions, const ColumnRow &row, Tool quickTool) {
    switch (row.press) {
    case Press::SelectTool: actions.selectTool(row.tool); break;
    case Press::SelectQuickTool: actions.selectTool(quickTool); break;
    case Press::ToggleWhiteboard: actions.toggleWhiteboard(); break;
    case Press::Undo: actions.undo(); break;
    case Press::Redo: actions.redo(); break;
    case Press::None:
    case Press::OpenPalette: break;
    }
}

constexpr int kButtonSide = 36;
constexpr int kInset = 6;

// A kit divider, 36 × 1, in the divider colour.
class MenuDivider : public QWidget {
public:
    explicit MenuDivider(QWidget *parent) : QWidget(parent) { setFixedSize(36, 1); }

protected:
    void paintEvent(QPaintEvent *) override { QPainter(this).fillRect(rect(), Color::AppPlah::hex7C7C7COpacity30()); }
};

// The three 2 × 2 dots, 1 apart, that mark a row with a popover, centred on the
// row's height.
class PopoverDots : public QWidget {
public:
    explicit PopoverDots(QWidget *parent) : QWidget(parent) { setFixedSize(2, kButtonSide); }

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(chrome::isDark(this) ? Color::Gray::hex8D8D8D() : Color::Gray::hex282828());
        // The widget spans the row's height: a dot drawn on a widget's top edge
        // comes out darker than its neighbours.
        const qreal top = (height() - 8) / 2.0;
        for (int i = 0; i < 3; ++i)
            painter.drawEllipse(QRectF(0, top + i * 3, 2, 2));
    }
};

// Dots and button, inset 4 on the trailing side: the popover rows. The row is the
// popover's source, so the palette opens beside the whole row.
class PopoverRow : public QWidget {
public:
    PopoverRow(QWidget *parent, QWidget *button) : QWidget(parent) {
        setFixedSize(44, kButtonSide);
        auto *layout = new QHBoxLayout(this);
        layout->setContentsMargins(0, 0, 4, 0);
        layout->setSpacing(2);
        layout->addWidget(new PopoverDots(this));
        layout->addWidget(button);
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
    case Tool::Line: return QStringLiteral("line@draw-view");
    case Tool::Rectangle: return QStringLiteral("rectangle@draw-view");
    case Tool::Oval: return QStringLiteral("oval@draw-view");
    default: return QStringLiteral("arrow@draw-view");
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
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, kInset, 0, kInset);
    column->setSpacing(0);
    for (const ColumnRow &row : kColumn) {
        if (row.kind == RowKind::Divider) {
            column->addSpacing(kInset);
            column->addWidget(new MenuDivider(this), 0, Qt::AlignHCenter);
            column->addSpacing(kInset);
            continue;
        }
        auto *b = new DrawViewButton(DrawViewButtonStyleCase::Secondary, this);
        b->setFixedSize(kButtonSide, kButtonSide);
        if (row.image)
            b->setIconName(QString::fromUtf8(row.image));
        if (row.control != Control::None) {
            m_buttons[indexOf(row.control)] = b;
            m_pointer.help().add(row.control, new TooltipModifier(b, QString::fromUtf8(row.help), m_helpAligmnet, -12));
        }
        connect(b, &QAbstractButton::clicked, this, [this, row] {
            if (row.press == Press::OpenPalette)
                setShowPalette(true);
            else if (m_actions)
                run(*m_actions, row, m_quickTool);
        });

        QWidget *cell = b;
        switch (row.kind) {
        case RowKind::Button:
            connect(b, &DrawViewButton::hoverChanged, this,
                    [this, control = row.control](bool on) { hoverHelp(on, control); });
            break;
        case RowKind::ToolsRow: cell = makeToolsRow(b); break;
        case RowKind::ColorsRow: cell = makeColorsRow(b); break;
        case RowKind::Divider: break;
        }
        column->addWidget(cell, 0, Qt::AlignHCenter);
    }
    column->addStretch();
    // Place the rows now: the buttons' frames are read before the column is shown.
    column->activate();
}

QWidget *ControlsMenu::makeToolsRow(DrawViewButton *button) {
    // The button shows the quick tool; its palette opens as soon as the pointer is
    // on it, and closes the colours.
    button->setIconName(quickToolImage(m_quickTool));
    auto *source = new PopoverRow(this, button);
    connect(button, &DrawViewButton::hoverChanged, this, [this](bool on) {
        hoverHelp(on, Control::QuickeTools);
        if (on) {
            setShowTools(true);
            setShowPalette(false);
        }
    });
    m_toolsPalette = new ToolsPalette(m_actions);
    m_toolsPalette->setObjectName(QStringLiteral("toolsPalette"));
    m_toolsPopover = new PopoverModyfier(source, Edge::Leading, false, m_toolsPalette);
    connect(m_toolsPopover, &PopoverModyfier::hoverChanged, this,
            [this](bool on) { updateHoverRegion(on, HitPart::ToolsPalette); });
    return source;
}

QWidget *ControlsMenu::makeColorsRow(DrawViewButton *button) {
    // The swatch has no help text; its palette opens on hover and on click.
    m_colorButton = button;
    button->setContentPainter(
        [this](QPainter &painter, const QRectF &area, const QColor &) { paintSwatch(painter, area); });
    auto *source = new PopoverRow(this, button);
    connect(button, &DrawViewButton::hoverChanged, this, [this](bool on) {
        if (on) {
            setShowPalette(true);
            setShowTools(false);
        }
    });
    if (QWidget *palette = m_actions ? m_actions->makeColorsPalette(nullptr) : nullptr) {
        m_palettePopover = new PopoverModyfier(source, Edge::Leading, false, palette);
        connect(m_palettePopover, &PopoverModyfier::hoverChanged, this,
                [this](bool on) { updateHoverRegion(on, HitPart::ColorsPalette); });
    }
    return source;
}

void ControlsMenu::paintSwatch(QPainter &painter, const QRectF &area) const {
    if (m_color.mask) {
        const QRectF icon(area.center() - QPointF(12, 12), QSizeF(24, 24));
        paintEditorIcon(painter, QStringLiteral("inversion@draw-view"), icon, QColor());
        return;
    }
    QPainterPath swatch;
    swatch.addRoundedRect(QRectF(area.center() - QPointF(10, 10), QSizeF(20, 20)), 2, 2);
    painter.fillPath(swatch, m_color.color);
}

void ControlsMenu::refresh() {
    for (const ColumnRow &row : kColumn) {
        if (row.control == Control::None)
            continue;
        DrawViewButton *b = button(row.control);
        switch (row.press) {
        case Press::SelectTool: b->setActive(m_tool == row.tool); break;
        case Press::SelectQuickTool:
            b->setActive(isQuickTool(m_tool));
            b->setIconName(quickToolImage(m_quickTool));
            break;
        case Press::Undo: b->setEnabled(m_canUndo); break;
        case Press::Redo: b->setEnabled(m_canRedo); break;
        case Press::None:
        case Press::ToggleWhiteboard: // never shown active, whatever the whiteboard
        case Press::OpenPalette: break;
        }
    }
    m_colorButton->update();
    m_toolsPalette->setTool(m_tool);
}

void ControlsMenu::setHelpAligmnet(Qt::Alignment alignment) {
    m_helpAligmnet = alignment;
    m_pointer.help().setSide(alignment);
}

void ControlsMenu::hoverHelp(bool hovering, Control control) { m_pointer.help().hoverChanged(this, hovering, control); }

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

void ControlsMenu::updateHoverRegion(bool entered, HitPart part) {
    if (!m_pointer.setInside(part, entered))
        return;
    const bool inside = m_pointer.inside();
    menuHover(inside);
    Q_EMIT pointerInsideChanged(inside);
}

void ControlsMenu::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), 8, 8);
    paintPanelBackground(painter, shape, BlendingMode::WithinWindow, chrome::isDark(this), this);
}

void ControlsMenu::enterEvent(QEnterEvent *event) {
    QWidget::enterEvent(event);
    updateHoverRegion(true, HitPart::Column);
}

void ControlsMenu::leaveEvent(QEvent *event) {
    QWidget::leaveEvent(event);
    updateHoverRegion(false, HitPart::Column);
}

void ControlsMenu::hideEvent(QHideEvent *event) {
    QWidget::hideEvent(event);
    Helper::shared().cancel();
    const bool wasInside = m_pointer.dismiss();
    // Counted out first: the palettes closing under the pointer start no close of their own.
    closePopovers();
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
