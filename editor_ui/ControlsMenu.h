#pragma once
#include "annotation/QNColor.h"
#include "annotation/Tool.h"
#include "editor_ui/DelayedWork.h"
#include "editor_ui/MenuPointer.h"

#include <QWidget>
#include <array>

class QPainter;
class QRectF;

namespace qn {

class ChromeActions;
class ChromeState;
class DrawViewButton;
class PopoverModyfier;
class ToolsPalette;
class TooltipModifier;

// The tool column beside the crop area (48 × 375): comment, text, pen, the shape
// tools (their palette opens on hover), blur, whiteboard, the colour swatch (its
// palette opens on hover or click), undo and redo. Help texts appear after the
// pointer has rested on a button for a second; both palettes close 1.5 s after the
// pointer leaves the column and its palettes.
class ControlsMenu : public QWidget {
    Q_OBJECT
public:
    enum class Control : quint8 { None, Pointer, Text, Whiteboard, Pen, QuickeTools, Blur, Undo, Redo };

    // The pending help and close jobs, shared by every tool column of the process.
    class Helper {
    public:
        static Helper &shared();
        DelayedWork work;
        DelayedWork worker;
        void cancel();
    };

    static constexpr int kWidth = 48;
    static constexpr int kHeight = 375;
    static constexpr int kCloseDelayMs = 1500;

    ControlsMenu(ChromeState *state, ChromeActions *actions, Qt::Alignment helpAligmnet, QWidget *parent = nullptr);
    ~ControlsMenu() override;

    // The side the help texts open on: Qt::AlignLeft or Qt::AlignRight.
    void setHelpAligmnet(Qt::Alignment alignment);
    Qt::Alignment helpAligmnet() const { return m_helpAligmnet; }

    Control hover() const { return m_pointer.help().hover(); }
    bool showTools() const { return m_showTools; }
    bool showPalette() const { return m_showPalette; }

    void hoverHelp(bool hovering, Control control);
    // The pointer entered (true) or left (false) the column or one of its palettes.
    void menuHover(bool hovering);
    void closePopovers();

    DrawViewButton *button(Control control) const;
    DrawViewButton *colorButton() const { return m_colorButton; }
    TooltipModifier *tooltip(Control control) const { return m_pointer.help().tooltip(control); }
    PopoverModyfier *toolsPopover() const { return m_toolsPopover; }
    PopoverModyfier *palettePopover() const { return m_palettePopover; }
    ToolsPalette *toolsPalette() const { return m_toolsPalette; }
    // The image the shape-tools button shows for a quick tool.
    static QString quickToolImage(Tool quickTool);

Q_SIGNALS:
    // The pointer is over the column (true) or no longer is (false, also when the
    // column disappears under it).
    void pointerInsideChanged(bool inside);

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    // Where the pointer can be while it counts as over the menu: the column itself
    // and the two palettes that open beside it.
    enum class HitPart : quint8 { Column, ToolsPalette, ColorsPalette };

    void build();
    // The popover rows around their buttons; each returns the row, its popover's source.
    QWidget *makeToolsRow(DrawViewButton *button);
    QWidget *makeColorsRow(DrawViewButton *button);
    void setShowTools(bool show);
    void setShowPalette(bool show);
    void refresh();
    void paintSwatch(QPainter &painter, const QRectF &area) const;
    void updateHoverRegion(bool entered, HitPart part);

    ChromeState *m_state;
    ChromeActions *m_actions;
    Qt::Alignment m_helpAligmnet;
    std::array<DrawViewButton *, 9> m_buttons{};
    DrawViewButton *m_colorButton = nullptr;
    PopoverModyfier *m_toolsPopover = nullptr;
    PopoverModyfier *m_palettePopover = nullptr;
    ToolsPalette *m_toolsPalette = nullptr;
    MenuPointer<Control, HitPart, 3> m_pointer{Helper::shared().work, Control::None};
    bool m_showTools = false;
    bool m_showPalette = false;

    QNColor m_color;
    Tool m_tool = Tool::Pointer;
    Tool m_quickTool = Tool::Arrow;
    bool m_canUndo = false;
    bool m_canRedo = false;
};

} // namespace qn
