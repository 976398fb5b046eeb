#pragma once
#include <QKeySequence>
#include <QWidget>
#include <functional>
#include <optional>

namespace qn {

class ShortcutRegistry;

// The field that records the shortcut of one registry name: it shows the current
// chord in this desktop's key names; a click starts recording (the global hot keys
// are let go meanwhile, so the keys reach the field), the next chord with a modifier
// (or a function key alone) becomes the shortcut, Esc cancels, Backspace or Delete
// clears it, and so does the clear button. A chord the X server will not grab is
// refused with a notice and the old shortcut stays.
class ShortcutRecorder : public QWidget {
    Q_OBJECT
public:
    using OnChange = std::function<void(const std::optional<QKeySequence> &)>;

    ShortcutRecorder(const QString &name, OnChange onChange = {}, ShortcutRegistry *registry = nullptr,
                     QWidget *parent = nullptr);
    ~ShortcutRecorder() override;

    QString name() const { return m_name; }
    // Ignored when equal to the current name.
    void setName(const QString &name);
    bool isRecording() const { return m_recording; }
    void startRecording();
    void cancelRecording();
    // What the field shows now.
    QString displayText() const;

    // Whether a chord may become a global shortcut: a key with Ctrl, Alt or Meta, or
    // a function key alone. Shift alone would take a letter from every program.
    static bool isAcceptableChord(QKeyCombination chord);
    // A chord's text in this desktop's key names ("Ctrl+Alt+P").
    static QString displayTextOf(const QKeySequence &sequence);

    QSize sizeHint() const override;

Q_SIGNALS:
    void recordingChanged(bool recording);
    // A recorded chord could not be grabbed; the old shortcut is kept.
    void refused(const QKeySequence &chord, const QString &message);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    bool event(QEvent *event) override;

private:
    QRectF clearButtonRect() const;
    void finishRecording();
    void commit(const QKeySequence &sequence);

    QString m_name;
    OnChange m_onChange;
    ShortcutRegistry &m_registry;
    bool m_recording = false;
};

} // namespace qn
