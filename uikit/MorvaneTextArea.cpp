#include "uikit/MorvaneTextArea.h"

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
    : TextInputBase(type, placeholder, parent) {
    setAcceptRichText(false);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setLineWrapMode(QTextEdit::WidgetWidth);
    setTabChangesFocus(false);
    viewport()->setAutoFillBackground(false);
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

void MorvaneTextArea::setTextContainerInset(const QSizeF &inset) {
    m_inset = inset;
    applyDocumentFormat();
    restyle();
}

bool MorvaneTextArea::isPlaceholderShown() const {
    return type() == MorvaneTextAreaType::Primary && document()->isEmpty() && !isEditing();
}

QPointF MorvaneTextArea::textOrigin() const {
    const QTextBlock first = document()->firstBlock();
    const QRectF block = document()->documentLayout()->blockBoundingRect(first);
    QPointF origin = block.topLeft();
    if (first.layout() && first.layout()->lineCount() > 0)
        origin += first.layout()->lineAt(0).position();
    return viewport()->mapTo(
        this, (origin - QPointF(horizontalScrollBar()->value(), verticalScrollBar()->value())).toPoint());
}

QSize MorvaneTextArea::sizeHint() const { return QSize(280, 96); }

bool MorvaneTextArea::event(QEvent *event) {
    // The area's own surface (behind the viewport and its scroll bar) carries the fill.
    if (event->type() == QEvent::Paint) {
        QPainter p(this);
        paintLook(p);
        return true;
    }
    return TextInputBase::event(event);
}

void MorvaneTextArea::paintEvent(QPaintEvent *event) {
    QTextEdit::paintEvent(event);
    if (isPlaceholderShown() && !placeholder().isEmpty()) {
        QPainter p(viewport());
        const QRectF area =
            QRectF(viewport()->rect()).adjusted(kPlaceholderLeading, kPlaceholderTop, -kPlaceholderLeading, 0);
        drawStyledText(p, area, Qt::AlignLeft | Qt::AlignTop, placeholder(),
                       TextStyle::buttonsAndForms(std::nullopt, kLineSpacing), TextInputLook::placeholder(!isEnabled()),
                       true);
    }
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

} // namespace qn
