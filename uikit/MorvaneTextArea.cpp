#include "uikit/MorvaneTextArea.h"

#include "uikit/FocusIndex.h"
#include "uikit/Typography.h"

#include <QAbstractTextDocumentLayout>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTimer>

namespace qn {

namespace {
// The sides get 4 beyond the inset, so typed text lines up with the placeholder at 14.
constexpr qreal kSideExtra = 4;
constexpr int kPlaceholderLeading = 14;
constexpr int kPlaceholderTop = 10;
} // namespace

MorvaneTextArea::MorvaneTextArea(const QString &placeholder, MorvaneTextAreaType type, QWidget *parent)
    : QTextEdit(parent), m_type(type), m_placeholder(placeholder), m_focus(new FocusIndexFollower(this)) {
    setAcceptRichText(false);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setLineWrapMode(QTextEdit::WidgetWidth);
    setTabChangesFocus(false);
    viewport()->setAutoFillBackground(false);
    setAttribute(Qt::WA_MacShowFocusRect, false);
    MorvaneFonts_ButtonsAndForms::apply(this);
    applyDocumentFormat();
    connect(this, &QTextEdit::textChanged, this, [this] {
        viewport()->update();
        // Measured once the change is laid out.
        QTimer::singleShot(0, this, [this] { emit contentSizeChanged(document()->documentLayout()->documentSize()); });
    });
    restyle();
}

void MorvaneTextArea::setText(const QString &text) {
    if (text == toPlainText())
        return;
    const int position = textCursor().position();
    setPlainText(text);
    // Replacing the text resets the document's own formats.
    applyDocumentFormat();
    QTextCursor cursor = textCursor();
    cursor.setPosition(std::min(position, static_cast<int>(text.size())));
    setTextCursor(cursor);
}

void MorvaneTextArea::applyDocumentFormat() {
    QTextDocument *doc = document();
    QTextFrameFormat frame = doc->rootFrame()->frameFormat();
    frame.setLeftMargin(m_inset.width() + kSideExtra);
    frame.setRightMargin(m_inset.width() + kSideExtra);
    frame.setTopMargin(m_inset.height());
    frame.setBottomMargin(m_inset.height());
    doc->rootFrame()->setFrameFormat(frame);
    // Extra room between lines, on every paragraph (new ones inherit it while typing).
    const bool undo = doc->isUndoRedoEnabled();
    doc->setUndoRedoEnabled(false);
    QTextCursor cursor(doc);
    cursor.select(QTextCursor::Document);
    QTextBlockFormat block;
    block.setLineHeight(kLineSpacing, QTextBlockFormat::LineDistanceHeight);
    cursor.mergeBlockFormat(block);
    doc->setUndoRedoEnabled(undo);
}

void MorvaneTextArea::setType(MorvaneTextAreaType type) {
    m_type = type;
    restyle();
}

void MorvaneTextArea::setPlaceholder(const QString &placeholder) {
    m_placeholder = placeholder;
    restyle();
}

void MorvaneTextArea::setError(bool error) {
    m_error = error;
    restyle();
}

void MorvaneTextArea::setColorScheme(ColorScheme scheme) {
    m_scheme = scheme;
    restyle();
}

void MorvaneTextArea::setCornerRadius(qreal radius) {
    m_cornerRadius = radius;
    restyle();
}

void MorvaneTextArea::setShowBorder(bool show) {
    m_showBorder = show;
    restyle();
}

void MorvaneTextArea::setTextContainerInset(const QSizeF &inset) {
    m_inset = inset;
    applyDocumentFormat();
    restyle();
}

int MorvaneTextArea::order() const { return m_focus->order(); }

void MorvaneTextArea::setOrder(int order) { m_focus->setOrder(order); }

void MorvaneTextArea::setCurrentPosition(int position) {
    m_currentPosition = position;
    emit currentPositionChanged(position);
}

bool MorvaneTextArea::isPlaceholderShown() const {
    return m_type == MorvaneTextAreaType::Primary && document()->isEmpty() && !m_editing;
}

QColor MorvaneTextArea::fillColor() const {
    if (m_type == MorvaneTextAreaType::Plain)
        return Qt::transparent;
    return TextInputLook::fill(m_scheme, !isEnabled(), m_error, m_editing);
}

// The dark scheme uses the field's light text colours: the area's own table would
// put #282828 text on its #282828 editing fill.
QColor MorvaneTextArea::textColor() const { return TextInputLook::text(m_type, m_scheme, !isEnabled(), m_editing); }

QPointF MorvaneTextArea::textOrigin() const {
    const QTextBlock first = document()->firstBlock();
    const QRectF block = document()->documentLayout()->blockBoundingRect(first);
    QPointF origin = block.topLeft();
    if (first.layout() && first.layout()->lineCount() > 0)
        origin += first.layout()->lineAt(0).position();
    return viewport()->mapTo(this, (origin - QPointF(horizontalScrollBar()->value(), verticalScrollBar()->value())).toPoint());
}

QSize MorvaneTextArea::sizeHint() const { return QSize(280, 96); }

bool MorvaneTextArea::event(QEvent *event) {
    if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
            emit tabPressed(key->key() == Qt::Key_Backtab || key->modifiers().testFlag(Qt::ShiftModifier));
            return true;
        }
    }
    // The area's own surface (behind the viewport and its scroll bar) carries the fill.
    if (event->type() == QEvent::Paint && m_type == MorvaneTextAreaType::Primary) {
        QPainter p(this);
        TextInputLook::paintBackground(p, QRectF(rect()), m_cornerRadius, m_showBorder, fillColor());
        return true;
    }
    return QTextEdit::event(event);
}

void MorvaneTextArea::focusInEvent(QFocusEvent *event) {
    emit focusGained();
    QTextEdit::focusInEvent(event);
    if (TextInputLook::beginsEditing(event))
        setEditing(true);
}

void MorvaneTextArea::focusOutEvent(QFocusEvent *event) {
    QTextEdit::focusOutEvent(event);
    if (TextInputLook::endsEditing(event)) {
        setEditing(false);
        setCurrentPosition(-1);
    }
}

void MorvaneTextArea::setEditing(bool editing) {
    if (m_editing == editing)
        return;
    m_editing = editing;
    restyle();
    emit editingChanged(editing);
}

void MorvaneTextArea::paintEvent(QPaintEvent *event) {
    QTextEdit::paintEvent(event);
    if (isPlaceholderShown() && !m_placeholder.isEmpty()) {
        QPainter p(viewport());
        const QRectF area = QRectF(viewport()->rect()).adjusted(kPlaceholderLeading, kPlaceholderTop, -kPlaceholderLeading, 0);
        drawStyledText(p, area, Qt::AlignLeft | Qt::AlignTop, m_placeholder, TextStyle::buttonsAndForms(std::nullopt, kLineSpacing),
                       TextInputLook::placeholder(!isEnabled()), true);
    }
}

void MorvaneTextArea::changeEvent(QEvent *event) {
    QTextEdit::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        restyle();
}

bool MorvaneTextArea::canInsertFromMimeData(const QMimeData *source) const { return source && source->hasText(); }

void MorvaneTextArea::insertFromMimeData(const QMimeData *source) {
    if (!source || !source->hasText())
        return;
    // Plain text only, with every kind of line break made one paragraph break.
    QString text = source->text();
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    textCursor().insertText(text);
    ensureCursorVisible();
}

void MorvaneTextArea::restyle() {
    QPalette p = palette();
    const QColor text = textColor();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        p.setColor(group, QPalette::Text, text);
        p.setColor(group, QPalette::Base, Qt::transparent);
        p.setColor(group, QPalette::Window, Qt::transparent);
    }
    setPalette(p);
    update();
    viewport()->update();
}

} // namespace qn
