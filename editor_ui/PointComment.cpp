#include "editor_ui/PointComment.h"

#include "annotation/DrawnEditor.h"
#include "editor_ui/DrawViewButton.h"
#include "uikit/HexColor.h"

#include <QApplication>
#include <QGraphicsDropShadowEffect>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <QVBoxLayout>
#include <QtMath>

namespace qn {

namespace {

QFont commentFont() {
    QFont f(QStringLiteral("Inter"));
    f.setWeight(QFont::Medium);
    f.setPixelSize(15);
    return f;
}

QFont saveFont() {
    QFont f(QStringLiteral("Inter"));
    f.setWeight(QFont::Medium);
    f.setPixelSize(14);
    return f;
}

// X's Lock modifier: Caps Lock on. Num Lock (Mod2) is a state and counts for nothing.
constexpr quint32 kCapsLockMask = 0x02;

// Return and Escape act on the card only when pressed on their own: with Shift, Alt,
// Control or Caps Lock, Return writes a new line and Escape goes on to the overlay.
bool noModifiers(const QKeyEvent *e) {
    return e->modifiers() == Qt::NoModifier && !(e->nativeModifiers() & kCapsLockMask);
}

bool isCopyKey(const QKeyEvent *e) { return e->matches(QKeySequence::Copy); }

QString css(const QColor &c) { return c.name(QColor::HexArgb); }

QColor cardColor(bool dark) { return colorFromHex(dark ? QStringLiteral("#282828") : QStringLiteral("#FFFFFF")); }

} // namespace

const QStringList &PointComment::emojis() {
    static const QStringList list{QString::fromUtf8("\U0001F44D"), QString::fromUtf8("\U0001F44E"),
                                  QString::fromUtf8("\U0001F606"), QString::fromUtf8("\U0001F60D"),
                                  QString::fromUtf8("\U0001F525")};
    return list;
}

PointComment::PointComment(DrawnEditor &editor, QWidget *parent) : QWidget(parent), m_tools(editor) {
    setObjectName(QStringLiteral("PointComment"));
    setAttribute(Qt::WA_NoSystemBackground);
    setFixedWidth(kWidth);
    setMinimumHeight(kMinimumHeight);
    setCursor(Qt::ArrowCursor);
    // The shadow is all that sets a light card apart from a white screen; it falls
    // outside the card, onto the overlay.
    auto *shadow = new QGraphicsDropShadowEffect(this);
    shadow->setColor(QColor(0, 0, 0, qRound(0.18 * 255)));
    shadow->setBlurRadius(kShadowBlur);
    shadow->setOffset(0, 2);
    setGraphicsEffect(shadow);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(8, 8, 8, 8);
    column->setSpacing(8);

    m_area = new QWidget(this);
    m_area->setFixedWidth(259);
    auto *areaLayout = new QVBoxLayout(m_area);
    areaLayout->setContentsMargins(0, 7, 0, 7);
    m_shown = new QLabel(m_area);
    m_shown->setFont(commentFont());
    m_shown->setWordWrap(true);
    m_shown->setTextFormat(Qt::PlainText);
    m_shown->setContentsMargins(8, 0, 8, 0);
    m_shown->setCursor(Qt::IBeamCursor);
    m_shown->installEventFilter(this);
    m_editor = new QPlainTextEdit(m_area);
    m_editor->setFont(commentFont());
    m_editor->setFrameShape(QFrame::NoFrame);
    m_editor->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_editor->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_editor->document()->setDocumentMargin(0);
    m_editor->installEventFilter(this);
    areaLayout->addWidget(m_shown);
    areaLayout->addWidget(m_editor);
    column->addWidget(m_area);

    m_divider = new QWidget(this);
    m_divider->setFixedHeight(1);
    m_divider->setAutoFillBackground(true);
    column->addWidget(m_divider);

    auto *row = new QHBoxLayout;
    row->setSpacing(0);
    row->setContentsMargins(7, 0, 0, 0);
    for (const QString &emoji : emojis()) {
        auto *button = new DrawViewButton(DrawViewButtonStyleCase::Emoji, this);
        button->setFixedSize(25, 25);
        button->setFocusPolicy(Qt::NoFocus);
        button->setContentPainter([emoji](QPainter &p, const QRectF &r, const QColor &) {
            QFont f(QStringLiteral("Noto Color Emoji"));
            f.setFamilies({QStringLiteral("Noto Color Emoji"), QStringLiteral("Inter")});
            f.setPixelSize(14);
            p.setFont(f);
            p.drawText(r, Qt::AlignCenter, emoji);
        });
        connect(button, &QAbstractButton::clicked, this, [this, emoji] { typeText(emoji); });
        row->addWidget(button);
        m_emojiButtons.append(button);
    }
    row->addStretch(1);
    auto *remove = new DrawViewButton(DrawViewButtonStyleCase::Emoji, this);
    remove->setObjectName(QStringLiteral("deleteComment"));
    remove->setIconName(QStringLiteral("delete@draw-view"), QSizeF(25, 25), false);
    remove->setFixedSize(25, 25);
    remove->setFocusPolicy(Qt::NoFocus);
    remove->setToolTip(tr("Delete"));
    m_delete = remove;
    connect(m_delete, &QAbstractButton::clicked, this, &PointComment::remove);
    row->addWidget(m_delete);
    row->addSpacing(8);
    auto *save = new DrawViewButton(DrawViewButtonStyleCase::Upload, this);
    save->setObjectName(QStringLiteral("saveComment"));
    save->setText(tr("Save"));
    save->setFixedHeight(32);
    save->setFixedWidth(QFontMetrics(saveFont()).horizontalAdvance(save->text()) + 45);
    save->setFocusPolicy(Qt::NoFocus);
    save->setContentPainter([label = save->text()](QPainter &p, const QRectF &r, const QColor &fg) {
        p.setFont(saveFont());
        p.setPen(fg);
        p.drawText(r, Qt::AlignCenter, label);
    });
    m_save = save;
    connect(m_save, &QAbstractButton::clicked, this, &PointComment::save);
    row->addWidget(m_save);
    column->addLayout(row);

    connect(m_editor, &QPlainTextEdit::textChanged, this, &PointComment::textEdited);
    qApp->installEventFilter(this);
    setEditing(false);
    updateLook();
}

PointComment::~PointComment() { qApp->removeEventFilter(this); }

void PointComment::setDark(bool dark) {
    m_dark = dark;
    updateLook();
}

void PointComment::setPoint(const PointTool &point, QPointF origin) {
    const bool changed = !m_hasPoint || !(point == m_point);
    m_point = point;
    m_hasPoint = true;
    move(origin.toPoint());
    if (changed) {
        m_text = point.text;
        m_updating = true;
        m_editor->setPlainText(m_text);
        m_editor->moveCursor(QTextCursor::End);
        m_updating = false;
        m_shown->setText(m_text);
        setEditing(!point.drawed);
    }
}

bool PointComment::isSaveDisabled() const {
    if (m_text.isEmpty())
        return true;
    return m_point.drawed && !m_edit;
}

// The editor grows and shrinks with the wrapped text (one line when empty) and never scrolls.
void PointComment::fitEditor() {
    const QString shown = m_text.isEmpty() ? QStringLiteral(" ") : m_text;
    const QRectF text =
        QFontMetricsF(commentFont()).boundingRect(QRectF(0, 0, 259 - 16, 1e6), Qt::AlignLeft | Qt::TextWordWrap, shown);
    m_editor->setFixedHeight(qCeil(text.height()) + 4);
}

void PointComment::setEditing(bool edit) {
    m_edit = edit;
    fitEditor();
    m_shown->setVisible(!edit);
    m_editor->setVisible(edit);
    if (edit) {
        m_editor->setFocus(Qt::OtherFocusReason);
    }
    updateLook();
    adjustSize();
}

void PointComment::startEditing() {
    if (!m_edit)
        setEditing(true);
}

void PointComment::textEdited() {
    if (m_updating)
        return;
    m_text = m_editor->toPlainText().replace(QChar::LineSeparator, QLatin1Char('\n'));
    m_shown->setText(m_text);
    // The point being placed carries every keystroke; an existing point changes only
    // when the comment is saved.
    m_tools.syncDrawingTool(withCommentText(m_point, m_text));
    fitEditor();
    updateLook();
    adjustSize();
}

void PointComment::save() {
    if (m_point.drawed && m_text.isEmpty() && !m_edit)
        return;
    m_tools.saveComment(m_point, m_text);
}

void PointComment::remove() { m_tools.deleteComment(m_point); }

void PointComment::typeText(const QString &text) {
    // Into this card's own editor: never as synthetic keys, which could reach another window.
    startEditing();
    m_editor->insertPlainText(text);
    m_editor->setFocus(Qt::OtherFocusReason);
}

bool PointComment::eventFilter(QObject *watched, QEvent *event) {
    if (watched == m_editor && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        const bool ret = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (key->key() == Qt::Key_Return && noModifiers(key)) {
            save();
            return true;
        }
        if (ret) {
            m_editor->insertPlainText(QStringLiteral("\n"));
            return true;
        }
        if (key->key() == Qt::Key_Escape && noModifiers(key)) {
            m_tools.finishEditing();
            return true;
        }
        return false;
    }
    if (watched == m_editor && event->type() == QEvent::ShortcutOverride) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (!(key->modifiers() & (Qt::ControlModifier | Qt::MetaModifier))) {
            event->accept();
            return true;
        }
        // The program has no Copy command of its own for text: Ctrl+C copies the capture.
        if (isCopyKey(key)) {
            event->ignore();
            return true;
        }
    }
    if (event->type() == QEvent::MouseButtonPress && isVisible() && m_hasPoint) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        auto *widget = qobject_cast<QWidget *>(watched);
        // A press is offered to each widget up the chain: look at it once, and only in
        // this card's window. The card's own rectangle decides what is outside.
        if (widget && widget->window() == window() && mouse->timestamp() != m_lastPress) {
            m_lastPress = mouse->timestamp();
            const QRect card(mapToGlobal(QPoint(0, 0)), size());
            if (!card.contains(mouse->globalPosition().toPoint()))
                m_tools.commentClickedOutside(m_point, m_text);
        }
    }
    return QWidget::eventFilter(watched, event);
}

void PointComment::updateLook() {
    const QColor text = colorFromHex(m_dark ? QStringLiteral("#F6F6F6") : QStringLiteral("#282828"));
    const bool placingOrEditing = !m_point.drawed || m_edit;
    const QColor area = placingOrEditing ? colorFromHex(m_dark ? QStringLiteral("#505050") : QStringLiteral("#F1F1F1"))
                                         : QColor(Qt::transparent);
    const QColor divider =
        m_dark ? colorFromHex(QStringLiteral("#7C7C7C"), 0.3) : colorFromHex(QStringLiteral("#F6F6F6"));
    m_area->setStyleSheet(QStringLiteral("QWidget { background: %1; border-radius: 4px; }").arg(css(area)));
    m_shown->setStyleSheet(QStringLiteral("QLabel { color: %1; background: transparent; }").arg(css(text)));
    m_editor->setStyleSheet(
        QStringLiteral("QPlainTextEdit { color: %1; background: transparent; border: none; padding: 0 5px; }")
            .arg(css(text)));
    QPalette pal = m_divider->palette();
    pal.setColor(QPalette::Window, divider);
    m_divider->setPalette(pal);
    QPalette scheme = palette();
    scheme.setColor(QPalette::Window, cardColor(m_dark));
    scheme.setColor(QPalette::WindowText, text);
    setPalette(scheme);
    m_save->setEnabled(!isSaveDisabled());
    update();
}

// The card is no part of the canvas: a press anywhere on it stays here, and a click on
// the shown text starts editing.
void PointComment::mousePressEvent(QMouseEvent *event) { event->accept(); }

void PointComment::mouseReleaseEvent(QMouseEvent *event) {
    event->accept();
    if (event->button() != Qt::LeftButton || m_edit || !m_shown->isVisible())
        return;
    const QRect text(m_shown->mapTo(this, QPoint(0, 0)), m_shown->size());
    if (text.contains(event->position().toPoint()))
        startEditing();
}

void PointComment::mouseDoubleClickEvent(QMouseEvent *event) { event->accept(); }

// Leaving the screen ends editing; the next time it shows it starts afresh.
void PointComment::hideEvent(QHideEvent *event) {
    m_hasPoint = false;
    m_edit = false;
    QWidget::hideEvent(event);
}

void PointComment::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath card;
    card.addRoundedRect(QRectF(rect()), 8, 8);
    p.fillPath(card, cardColor(m_dark));
}

} // namespace qn
