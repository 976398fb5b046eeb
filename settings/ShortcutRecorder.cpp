#include "settings/ShortcutRecorder.h"

#include "platform/Diagnostics.h"
#include "platform/ShortcutRegistry.h"
#include "uikit/Color.h"
#include "uikit/FocusRing.h"
#include "uikit/Typography.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace qn {

namespace {
constexpr int kWidth = 160;
constexpr int kHeight = 24;
constexpr qreal kRadius = 6;
constexpr qreal kClearSize = 13;

bool isModifierKey(int key) {
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_AltGr:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_ScrollLock:
        return true;
    default:
        return false;
    }
}
} // namespace

ShortcutRecorder::ShortcutRecorder(const QString &name, OnChange onChange, ShortcutRegistry *registry,
                                   QWidget *parent)
    : QWidget(parent), m_name(name), m_onChange(std::move(onChange)),
      m_registry(registry ? *registry : ShortcutRegistry::shared()) {
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    setFixedSize(sizeHint());
    setAttribute(Qt::WA_InputMethodEnabled, false);
    connect(&m_registry, &ShortcutRegistry::shortcutChanged, this, [this](const QString &changed) {
        if (changed == m_name)
            update();
    });
}

ShortcutRecorder::~ShortcutRecorder() {
    if (m_recording)
        m_registry.setHotKeysSuspended(false);
}

void ShortcutRecorder::setName(const QString &name) {
    if (name == m_name)
        return;
    cancelRecording();
    m_name = name;
    update();
}

QSize ShortcutRecorder::sizeHint() const { return QSize(kWidth, kHeight); }

bool ShortcutRecorder::isAcceptableChord(QKeyCombination chord) {
    const int key = chord.key();
    if (key == 0 || key == Qt::Key_unknown || isModifierKey(key))
        return false;
    const Qt::KeyboardModifiers mods = chord.keyboardModifiers() & ~Qt::KeypadModifier;
    if (mods & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return true;
    return key >= Qt::Key_F1 && key <= Qt::Key_F35;
}

QString ShortcutRecorder::displayTextOf(const QKeySequence &sequence) {
    return sequence.toString(QKeySequence::NativeText);
}

QString ShortcutRecorder::displayText() const {
    if (m_recording)
        return QStringLiteral("Type shortcut");
    const QString text = displayTextOf(m_registry.shortcut(m_name));
    return text.isEmpty() ? QStringLiteral("Record Shortcut") : text;
}

QRectF ShortcutRecorder::clearButtonRect() const {
    return QRectF(width() - 6 - kClearSize, (height() - kClearSize) / 2.0, kClearSize, kClearSize);
}

void ShortcutRecorder::startRecording() {
    if (m_recording)
        return;
    m_recording = true;
    // The current global chord would otherwise never reach this field.
    m_registry.setHotKeysSuspended(true);
    setFocus(Qt::OtherFocusReason);
    grabKeyboard();
    update();
    diagnostics::print(diagnostics::shortcutRecording());
    Q_EMIT recordingChanged(true);
}

void ShortcutRecorder::finishRecording() {
    if (!m_recording)
        return;
    m_recording = false;
    releaseKeyboard();
    m_registry.setHotKeysSuspended(false);
    update();
    Q_EMIT recordingChanged(false);
}

void ShortcutRecorder::cancelRecording() {
    if (!m_recording)
        return;
    finishRecording();
    diagnostics::print(diagnostics::shortcutRecordingCancelled());
}

void ShortcutRecorder::commit(const QKeySequence &sequence) {
    const QKeySequence old = m_registry.shortcut(m_name);
    finishRecording();
    const GlobalHotKey::Status status = m_registry.trySetShortcut(m_name, sequence);
    if (status == GlobalHotKey::Status::Taken || status == GlobalHotKey::Status::Unsupported) {
        const QString oldText = displayTextOf(old);
        const QString why = status == GlobalHotKey::Status::Taken ? QStringLiteral(" is used by another program.")
                                                                  : QStringLiteral(" cannot be a hot key here.");
        const QString message = displayTextOf(sequence) + why +
                                (oldText.isEmpty() ? QStringLiteral(" No hot key is set.")
                                                   : QStringLiteral(" The hot key stays ") + oldText + QLatin1Char('.'));
        diagnostics::print(diagnostics::shortcutRefused(displayTextOf(sequence)));
        Q_EMIT refused(sequence, message);
        return;
    }
    diagnostics::print(diagnostics::shortcutSet(displayTextOf(sequence)));
    if (m_onChange)
        m_onChange(sequence.isEmpty() ? std::nullopt : std::optional<QKeySequence>(sequence));
}

void ShortcutRecorder::mousePressEvent(QMouseEvent *event) {
    if (event->button() != Qt::LeftButton)
        return;
    if (!m_recording && !m_registry.shortcut(m_name).isEmpty() &&
        clearButtonRect().adjusted(-3, -3, 3, 3).contains(event->position())) {
        commit(QKeySequence());
        return;
    }
    if (m_recording)
        cancelRecording();
    else
        startRecording();
}

bool ShortcutRecorder::event(QEvent *event) {
    // Tab and Backtab must reach the recorder while it records.
    if (m_recording && event->type() == QEvent::KeyPress) {
        keyPressEvent(static_cast<QKeyEvent *>(event));
        return true;
    }
    if (event->type() == QEvent::ShortcutOverride && m_recording) {
        event->accept();
        return true;
    }
    return QWidget::event(event);
}

void ShortcutRecorder::keyPressEvent(QKeyEvent *event) {
    const int key = event->key();
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    if (!m_recording) {
        if ((key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) && mods == Qt::NoModifier) {
            startRecording();
            return;
        }
        if ((key == Qt::Key_Backspace || key == Qt::Key_Delete) && mods == Qt::NoModifier) {
            commit(QKeySequence());
            return;
        }
        QWidget::keyPressEvent(event);
        return;
    }
    if (event->isAutoRepeat() || isModifierKey(key))
        return;
    if (key == Qt::Key_Escape && mods == Qt::NoModifier) {
        cancelRecording();
        return;
    }
    if ((key == Qt::Key_Backspace || key == Qt::Key_Delete) && mods == Qt::NoModifier) {
        commit(QKeySequence());
        return;
    }
    // Shift turns letters into capitals and digits into signs; the chord names the key.
    int chordKey = key;
    if (event->nativeVirtualKey() != 0 && (mods & Qt::ShiftModifier)) {
        const quint32 sym = event->nativeVirtualKey();
        if (sym >= 'A' && sym <= 'Z')
            chordKey = Qt::Key_A + static_cast<int>(sym - 'A');
        else if (sym >= 'a' && sym <= 'z')
            chordKey = Qt::Key_A + static_cast<int>(sym - 'a');
    }
    const QKeyCombination chord(mods, static_cast<Qt::Key>(chordKey));
    if (!isAcceptableChord(chord)) {
        diagnostics::print(diagnostics::shortcutNeedsModifier());
        return;
    }
    commit(QKeySequence(chord));
}

void ShortcutRecorder::focusOutEvent(QFocusEvent *event) {
    QWidget::focusOutEvent(event);
    // A click elsewhere ends recording as if Esc was pressed.
    if (m_recording && event->reason() != Qt::PopupFocusReason)
        cancelRecording();
}

void ShortcutRecorder::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -1);
    // A white field with a faint edge and a soft shadow below.
    p.setPen(Qt::NoPen);
    p.setBrush(Color::hex(QStringLiteral("#000000"), 0.1));
    p.drawRoundedRect(r.translated(0, 0.5), kRadius, kRadius);
    p.setBrush(Color::Gray::hexFFFFFF());
    p.setPen(QPen(m_recording ? Color::hex(QStringLiteral("#1D8AFF"), 1) : Color::Button::hex000000Opacity12(),
                  m_recording ? 1.5 : 0.5));
    p.drawRoundedRect(r, kRadius, kRadius);

    const bool hasShortcut = !m_registry.shortcut(m_name).isEmpty();
    const QColor textColor = (m_recording || !hasShortcut) ? Color::Gray::hex8D8D8D() : Color::Gray::hex282828();
    QRectF textRect = r.adjusted(8, 0, -8, 0);
    if (hasShortcut && !m_recording)
        textRect.setRight(clearButtonRect().left() - 4);
    drawStyledText(p, textRect, Qt::AlignCenter, displayText(), TextStyle::contentS(), textColor);

    if (hasShortcut && !m_recording) {
        // The clear button: a cross in a circle.
        const QRectF c = clearButtonRect();
        p.setPen(QPen(Color::Gray::hex8D8D8D(), 1.1));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(c.adjusted(0.5, 0.5, -0.5, -0.5));
        const qreal d = c.width() * 0.27;
        p.drawLine(c.center() + QPointF(-d, -d), c.center() + QPointF(d, d));
        p.drawLine(c.center() + QPointF(-d, d), c.center() + QPointF(d, -d));
    }
    if (showsFocusRing(this))
        paintFocusRing(p, r, kRadius);
}

} // namespace qn
