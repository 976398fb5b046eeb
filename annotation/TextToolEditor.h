#pragma once
#include <QPlainTextEdit>
#include <QWidget>

namespace qn {

class TextTool;
class DrawnEditor;

// The in-place editor of a text object being typed: a transparent multi-line editor
// in the text face, white, in a dark translucent box that grows with the text. Escape
// ends the edit; every other key (Backspace, letters that are tool keys elsewhere,
// Return for a new line) stays in the editor.
class TextToolEditor : public QWidget {
    Q_OBJECT
public:
    // The box under the text being typed is dark enough that the white editing text
    // stays readable (at least 4.5:1) over a white picture; the placed text is painted
    // in its own colour without it.
    static constexpr double kBoxOpacity = 0.6;
    // A one-pixel caret is lost beside the thin face on a busy picture.
    static constexpr int kCaretWidth = 2;

    explicit TextToolEditor(DrawnEditor &editor, QWidget *parent = nullptr);

    // Shows the editor for the object being drawn when it is a text in editing, else hides.
    void refresh();
    QPlainTextEdit *textEdit() const;
    // The caret: whether it is painted now (focus, blink phase) and where, in this widget.
    bool caretShown() const;
    QRect caretRect() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    class Edit;
    void place(const TextTool &text);
    void textEdited();

    DrawnEditor &m_editor;
    Edit *m_edit;
    QSizeF m_box;
    bool m_updating = false;
};

} // namespace qn
