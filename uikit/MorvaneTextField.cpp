#include "uikit/MorvaneTextField.h"

#include "uikit/FocusIndex.h"
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
    : QLineEdit(parent), m_type(type), m_placeholder(placeholder), m_focus(new FocusIndexFollower(this)) {
    setFrame(false);
    setTextMargins(kTextInset - kLineEditMargin, 0, kTextInset - kLineEditMargin, 0);
    MorvaneFonts_ButtonsAndForms::apply(this);
    setAttribute(Qt::WA_MacShowFocusRect, false);
    connect(this, &QLineEdit::textChanged, this, qOverload<>(&QWidget::update));
    restyle();
}

void MorvaneTextField::setType(MorvaneTextViewType type) {
    m_type = type;
    restyle();
}

void MorvaneTextField::setPlaceholder(const QString &placeholder) {
    m_placeholder = placeholder;
    restyle();
}

void MorvaneTextField::setError(bool error) {
    m_error = error;
    restyle();
}

void MorvaneTextField::setColorScheme(ColorScheme scheme) {
    m_scheme = scheme;
    restyle();
}

void MorvaneTextField::setCornerRadius(qreal radius) {
    m_cornerRadius = radius;
    restyle();
}

void MorvaneTextField::setShowBorder(bool show) {
    m_showBorder = show;
    restyle();
}

int MorvaneTextField::order() const { return m_focus->order(); }

void MorvaneTextField::setOrder(int order) { m_focus->setOrder(order); }

void MorvaneTextField::setCurrentPosition(int position) {
    m_currentPosition = position;
    emit currentPositionChanged(position);
}

bool MorvaneTextField::isPlaceholderShown() const {
    return m_type == MorvaneTextViewType::Primary && text().isEmpty() && !m_editing;
}

QColor MorvaneTextField::fillColor() const {
    if (m_type == MorvaneTextViewType::Plain)
        return Qt::transparent;
    return TextInputLook::fill(m_scheme, !isEnabled(), m_error, m_editing);
}

QColor MorvaneTextField::textColor() const { return TextInputLook::text(m_type, m_scheme, !isEnabled(), m_editing); }

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

bool MorvaneTextField::event(QEvent *event) {
    // Tab never moves the focus by itself: the caller decides through tabPressed().
    if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
            emit tabPressed(key->key() == Qt::Key_Backtab || key->modifiers().testFlag(Qt::ShiftModifier));
            return true;
        }
    }
    return QLineEdit::event(event);
}

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
    emit focusGained();
    QLineEdit::focusInEvent(event);
    if (text().isEmpty())
        setCursorPosition(0);
    if (TextInputLook::beginsEditing(event))
        setEditing(true);
}

void MorvaneTextField::focusOutEvent(QFocusEvent *event) {
    QLineEdit::focusOutEvent(event);
    if (TextInputLook::endsEditing(event)) {
        setEditing(false);
        setCurrentPosition(-1);
    }
}

void MorvaneTextField::setEditing(bool editing) {
    if (m_editing == editing)
        return;
    m_editing = editing;
    restyle();
    emit editingChanged(editing);
}

void MorvaneTextField::paintEvent(QPaintEvent *event) {
    if (m_type == MorvaneTextViewType::Primary) {
        QPainter p(this);
        TextInputLook::paintBackground(p, QRectF(rect()), m_cornerRadius, m_showBorder, fillColor());
    }
    QLineEdit::paintEvent(event);
    if (isPlaceholderShown() && !m_placeholder.isEmpty()) {
        QPainter p(this);
        const Qt::Alignment horizontal = alignment() & Qt::AlignHorizontal_Mask;
        drawStyledText(p, QRectF(rect()).adjusted(kTextInset, 0, -kTextInset, 0), horizontal | Qt::AlignVCenter,
                       m_placeholder, TextStyle::buttonsAndForms(std::nullopt, 1), TextInputLook::placeholder(!isEnabled()));
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

void MorvaneTextField::changeEvent(QEvent *event) {
    QLineEdit::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        restyle();
}

void MorvaneTextField::restyle() {
    QPalette p = palette();
    const QColor text = textColor();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        p.setColor(group, QPalette::Text, text);
        p.setColor(group, QPalette::Base, Qt::transparent);
        p.setColor(group, QPalette::Window, Qt::transparent);
    }
    setPalette(p);
    update();
}

} // namespace qn
