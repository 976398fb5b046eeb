#include "annotation/TextToolEditor.h"

#include "annotation/DrawnEditor.h"
#include "annotation/TextTool.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleHints>
#include <QTextDocument>
#include <QTimer>
#include <QtMath>

namespace qn {

namespace {
bool plainKey(const QKeyEvent *e) {
    return !(e->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
}
} // namespace

// Keeps every plain key to itself, so that no shortcut of the overlay (tool letters,
// Delete, Backspace) acts while text is typed.
//
// It draws its own caret: Qt's inverts the pixels under it, and the editor's pixels are
// see-through, so the inverted caret came out as a faint grey on the box.
class TextToolEditor::Edit : public QPlainTextEdit {
public:
    std::function<void()> onEscape;

    explicit Edit(QWidget *parent) : QPlainTextEdit(parent) {
        setCursorWidth(0);
        m_blink.setInterval(std::max(1, QGuiApplication::styleHints()->cursorFlashTime() / 2));
        connect(&m_blink, &QTimer::timeout, this, [this] {
            m_caretOn = !m_caretOn;
            viewport()->update();
        });
        // Typing and moving the insertion point show the caret at once.
        connect(this, &QPlainTextEdit::cursorPositionChanged, this, &Edit::restartBlink);
        connect(this, &QPlainTextEdit::textChanged, this, &Edit::restartBlink);
    }

    bool caretShown() const { return hasFocus() && m_caretOn; }
    // Where the caret is painted, in the editor's viewport.
    QRect caretRect() const {
        const QRect r = cursorRect();
        return {r.left(), r.top(), kCaretWidth, r.height()};
    }

protected:
    void restartBlink() {
        m_caretOn = true;
        // A flash time of zero (or one the platform leaves unset) keeps the caret on.
        if (hasFocus() && QGuiApplication::styleHints()->cursorFlashTime() >= 2)
            m_blink.start();
        else
            m_blink.stop();
        viewport()->update();
    }
    void focusInEvent(QFocusEvent *e) override {
        QPlainTextEdit::focusInEvent(e);
        restartBlink();
    }
    void focusOutEvent(QFocusEvent *e) override {
        QPlainTextEdit::focusOutEvent(e);
        m_blink.stop();
        viewport()->update();
    }
    void paintEvent(QPaintEvent *e) override {
        QPlainTextEdit::paintEvent(e);
        if (!caretShown())
            return;
        QPainter p(viewport());
        p.fillRect(caretRect(), Qt::white);
    }
    bool event(QEvent *e) override {
        if (e->type() == QEvent::ShortcutOverride && plainKey(static_cast<QKeyEvent *>(e))) {
            e->accept();
            return true;
        }
        // The program has no Copy command of its own for text: Ctrl+C copies the capture.
        if (e->type() == QEvent::ShortcutOverride && static_cast<QKeyEvent *>(e)->matches(QKeySequence::Copy)) {
            e->ignore();
            return true;
        }
        return QPlainTextEdit::event(e);
    }
    void keyPressEvent(QKeyEvent *e) override {
        if (e->key() == Qt::Key_Escape && e->modifiers() == Qt::NoModifier) {
            e->accept();
            if (onEscape)
                onEscape();
            return;
        }
        QPlainTextEdit::keyPressEvent(e);
        e->accept();
    }

private:
    QTimer m_blink;
    bool m_caretOn = true;
};

TextToolEditor::TextToolEditor(DrawnEditor &editor, QWidget *parent)
    : QWidget(parent), m_editor(editor), m_edit(new Edit(this)) {
    setAttribute(Qt::WA_NoSystemBackground);
    m_edit->setFrameShape(QFrame::NoFrame);
    m_edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_edit->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_edit->document()->setDocumentMargin(0);
    m_edit->viewport()->setAutoFillBackground(false);
    m_edit->setAutoFillBackground(false);
    m_edit->setStyleSheet(QStringLiteral("QPlainTextEdit { background: transparent; color: white; border: none; }"));
    m_edit->onEscape = [this] { m_editor.finishEditing(); };
    connect(m_edit, &QPlainTextEdit::textChanged, this, &TextToolEditor::textEdited);
    hide();
}

QPlainTextEdit *TextToolEditor::textEdit() const { return m_edit; }

bool TextToolEditor::caretShown() const { return m_edit->caretShown(); }

QRect TextToolEditor::caretRect() const {
    return m_edit->caretRect().translated(m_edit->viewport()->mapTo(this, QPoint(0, 0)));
}

void TextToolEditor::refresh() {
    const auto text = std::dynamic_pointer_cast<const TextTool>(m_editor.host().drawingTool());
    if (!text || !text->activeTextEdit) {
        hide();
        return;
    }
    place(*text);
    if (!isVisible()) {
        show();
        raise();
    }
    m_edit->setFocus(Qt::OtherFocusReason);
}

void TextToolEditor::place(const TextTool &text) {
    m_updating = true;
    const QFont font = TextTool::font(text.fontSize);
    if (m_edit->font() != font)
        m_edit->setFont(font);
    if (m_edit->toPlainText() != text.text) {
        m_edit->setPlainText(text.text);
        m_edit->moveCursor(QTextCursor::End);
    }
    m_updating = false;
    m_box = TextTool::boxSize(text.text, text.fontSize);
    const QSizeF editorSize = TextTool::editorSize(text.text, text.fontSize) + QSizeF(2, 4);
    const QPointF origin = text.origin();
    const QSize size(qCeil(std::max(m_box.width() + 14, 7 + editorSize.width())),
                     qCeil(std::max(m_box.height() + 10, 5 + editorSize.height())));
    setGeometry(QRect(QPoint(qFloor(origin.x() - 7), qFloor(origin.y() - 5)), size));
    m_edit->setGeometry(QRect(QPoint(7, 5), editorSize.toSize()));
    update();
}

void TextToolEditor::textEdited() {
    if (m_updating)
        return;
    auto text = copyAs<TextTool>(m_editor.host().drawingTool());
    if (!text)
        return;
    // Qt's soft line breaks count as new lines of the text.
    text->text = m_edit->toPlainText().replace(QChar::LineSeparator, QLatin1Char('\n'));
    m_editor.syncDrawingTool(text);
    place(*text);
}

// The box around the text belongs to the editor: a press there places the insertion
// point as a press on the nearest text would, and never reaches the canvas below.
void TextToolEditor::mousePressEvent(QMouseEvent *event) {
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    const QRect inner = m_edit->geometry().adjusted(0, 0, -1, -1);
    const QPoint at(qBound(inner.left(), event->position().toPoint().x(), inner.right()),
                    qBound(inner.top(), event->position().toPoint().y(), inner.bottom()));
    m_edit->setFocus(Qt::MouseFocusReason);
    m_edit->setTextCursor(m_edit->cursorForPosition(m_edit->viewport()->mapFrom(this, at)));
}

void TextToolEditor::mouseReleaseEvent(QMouseEvent *event) { event->accept(); }

void TextToolEditor::mouseDoubleClickEvent(QMouseEvent *event) { event->accept(); }

void TextToolEditor::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF outer(0, 0, m_box.width() + 14, m_box.height() + 10);
    QColor fill(Qt::black);
    fill.setAlphaF(kBoxOpacity);
    QPainterPath box;
    box.addRoundedRect(outer, 3, 3);
    p.fillPath(box, fill);
    QColor border(Qt::white);
    border.setAlphaF(0.5);
    p.setPen(QPen(border, 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawRoundedRect(outer.adjusted(1.5, 1.5, -1.5, -1.5), 2, 2);
}

} // namespace qn
