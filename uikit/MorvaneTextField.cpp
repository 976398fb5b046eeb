#include "uikit/MorvaneTextField.h"

#include "uikit/Typography.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>

namespace qn {

namespace {
// The text and the placeholder both start 14 in from the edge; QLineEdit adds 2 of its own.
constexpr int kTextInset = 14;
constexpr int kLineEditMargin = 2;
} // namespace

MorvaneTextField::MorvaneTextField(const QString &placeholder, MorvaneTextViewType type, QWidget *parent)
    : TextInputBase(type, placeholder, parent) {
    setFrame(false);
    setTextMargins(kTextInset - kLineEditMargin, 0, kTextInset - kLineEditMargin, 0);
    MorvaneFonts_ButtonsAndForms::apply(this);
    connect(this, &QLineEdit::textChanged, this, qOverload<>(&QWidget::update));
    restyle();
}

bool MorvaneTextField::isPlaceholderShown() const {
    return type() == MorvaneTextViewType::Primary && text().isEmpty() && !isEditing();
}

QString MorvaneTextField::plainPasteText(const QString &text) {
    QString out = text;
    out.remove(QLatin1Char('\n'));
    out.remove(QLatin1Char('\r'));
    return out;
}

void MorvaneTextField::pastePlainText() { insertPlain(QApplication::clipboard()->mimeData(QClipboard::Clipboard)); }

void MorvaneTextField::insertPlain(const QMimeData *data) {
    if (isReadOnly() || !data || !data->hasText())
        return;
    const QString text = plainPasteText(data->text());
    if (!text.isEmpty())
        insert(text);
}

QSize MorvaneTextField::sizeHint() const { return QSize(200, 32); }

void MorvaneTextField::keyPressEvent(QKeyEvent *event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // Alt-Return is a forced line break, which a one-line field ignores.
        if (!event->modifiers().testFlag(Qt::AltModifier))
            emit submitted();
        event->accept();
        return;
    }
    if (event->matches(QKeySequence::Paste)) {
        pastePlainText();
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void MorvaneTextField::focusInEvent(QFocusEvent *event) {
    TextInputBase::focusInEvent(event);
    if (text().isEmpty())
        setCursorPosition(0);
}

void MorvaneTextField::paintEvent(QPaintEvent *event) {
    {
        QPainter p(this);
        paintLook(p);
    }
    QLineEdit::paintEvent(event);
    if (isPlaceholderShown() && !placeholder().isEmpty()) {
        QPainter p(this);
        const Qt::Alignment horizontal = alignment() & Qt::AlignHorizontal_Mask;
        drawStyledText(p, QRectF(rect()).adjusted(kTextInset, 0, -kTextInset, 0), horizontal | Qt::AlignVCenter,
                       placeholder(), TextStyle::buttonsAndForms(std::nullopt, 1),
                       TextInputLook::placeholder(!isEnabled()));
    }
}

void MorvaneTextField::contextMenuEvent(QContextMenuEvent *event) {
    QMenu *menu = createStandardContextMenu();
    if (QAction *paste = menu->findChild<QAction *>(QStringLiteral("edit-paste"))) {
        disconnect(paste, &QAction::triggered, nullptr, nullptr);
        connect(paste, &QAction::triggered, this, &MorvaneTextField::pastePlainText);
    }
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

void MorvaneTextField::mouseReleaseEvent(QMouseEvent *event) {
    // The X11 selection paste (middle button) follows the same plain-text rule.
    if (event->button() == Qt::MiddleButton && QApplication::clipboard()->supportsSelection()) {
        insertPlain(QApplication::clipboard()->mimeData(QClipboard::Selection));
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

void MorvaneTextField::dropEvent(QDropEvent *event) {
    QMimeData plain;
    if (event->mimeData()->hasText())
        plain.setText(plainPasteText(event->mimeData()->text()));
    QDropEvent cleaned(event->position(), event->possibleActions(), &plain, event->buttons(), event->modifiers());
    QLineEdit::dropEvent(&cleaned);
    event->setDropAction(cleaned.dropAction());
    event->setAccepted(cleaned.isAccepted());
}

} // namespace qn
