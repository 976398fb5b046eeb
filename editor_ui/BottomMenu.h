#pragma once
#include "annotation/Tool.h"
#include "editor_ui/DelayedWork.h"
#include "editor_ui/MenuPointer.h"

#include <QPointer>
#include <QWidget>
#include <array>

class QShortcut;

namespace qn {

class ChromeActions;
class ChromeState;
class DrawViewButton;
class TooltipModifier;

// The action bar beside the crop area (535 × 48): close, "Save to Computer",
// "Copy as Text", "Copy to Clipboard" and "Upload to Cloud", with Ctrl+S, Ctrl+T,
// Ctrl+C and Ctrl+Return. Each control shows its help bubble once the pointer has
// rested on it for a second. With the video tool it ends a recording: only
// "Save to Computer" (while paused) and close respond, and the bar is invisible
// (and takes no clicks or shortcuts) while a recording runs unpaused.
class BottomMenu : public QWidget {
    Q_OBJECT
public:
    enum class Control { SaveMac, CopyText, Copy, Upload, Close, None };

    // The pending help job, shared by every action bar of the process.
    class Helper {
    public:
        static Helper &shared();
        DelayedWork work;
    };

    static constexpr int kWidth = 535;
    static constexpr int kHeight = 48;

    BottomMenu(ChromeState *state, ChromeActions *actions, Qt::Alignment helpAligmnet, QWidget *parent = nullptr);
    ~BottomMenu() override;

    // The side the help bubbles open on: Qt::AlignBottom or Qt::AlignTop.
    void setHelpAligmnet(Qt::Alignment alignment);
    Qt::Alignment helpAligmnet() const { return m_helpAligmnet; }

    Control hover() const { return m_pointer.help().hover(); }
    // The pointer entered (true) or left (false) the button of `control`.
    void hoverChanged(bool hovering, Control control);
    void saveAction();

    // Fully transparent: a recording runs unpaused.
    bool isTransparent() const { return m_transparent; }
    DrawViewButton *button(Control control) const;
    TooltipModifier *tooltip(Control control) const;
    QShortcut *shortcut(Control control) const;
    // Font size the text buttons ended up with to fit the bar's width.
    int labelPixelSize() const { return m_labelPixelSize; }

Q_SIGNALS:
    // The pointer is over the bar (true) or no longer is (false, also when the bar
    // becomes invisible under it).
    void pointerInsideChanged(bool inside);

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    struct Item {
        DrawViewButton *button = nullptr;
        QList<QShortcut *> shortcuts;
    };

    void build();
    void addShortcut(Control control, const QKeySequence &keys);
    void refresh();
    void trigger(Control control);
    Item &item(Control control);
    const Item &item(Control control) const;

    ChromeState *m_state;
    ChromeActions *m_actions;
    Qt::Alignment m_helpAligmnet;
    QWidget *m_content = nullptr;
    std::array<Item, 5> m_items;
    MenuPointer<Control> m_pointer{Helper::shared().work, Control::None};
    Tool m_tool = Tool::Pointer;
    bool m_isRecording = false;
    bool m_isPaused = false;
    bool m_transparent = false;
    int m_labelPixelSize = 14;
};

} // namespace qn
