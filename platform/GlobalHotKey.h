#pragma once
#include <QAbstractNativeEventFilter>
#include <QKeyCombination>
#include <QList>
#include <QObject>
#include <optional>

namespace qn {

// One system-wide hot key: a key combination grabbed on the X root window, so that
// it fires whichever program has the focus. The grab covers every state of Caps
// Lock, Num Lock and Scroll Lock. A combination another program holds already is
// reported (registered() stays false), never fatal.
class GlobalHotKey : public QObject {
    Q_OBJECT
public:
    enum class Status { None, Registered, Taken, Unsupported };

    explicit GlobalHotKey(QObject *parent = nullptr);
    ~GlobalHotKey() override;

    // Replaces the grabbed combination at once; an empty combination releases it.
    Status setShortcut(QKeyCombination combination);
    QKeyCombination shortcut() const { return m_combination; }
    Status status() const { return m_status; }
    bool registered() const { return m_status == Status::Registered; }

Q_SIGNALS:
    // On key press (not release); delivered on the next turn of the event loop.
    void pressed();

private:
    friend class HotKeyDispatcher;
    void grab();
    void release();

    QKeyCombination m_combination;
    Status m_status = Status::None;
    // What is grabbed now: one key code with its modifier mask.
    quint8 m_keycode = 0;
    quint16 m_mods = 0;
};

namespace hotkey {
// X modifier bits of the X core protocol.
constexpr quint16 kShift = 1, kLock = 2, kControl = 4, kMod1 = 8, kMod2 = 16, kMod3 = 32, kMod4 = 64, kMod5 = 128;

// The X keysym of a Qt key, for the keys a shortcut can use; none for the others.
std::optional<quint32> keysymForKey(Qt::Key key);
// X modifier bits of Qt modifiers, with Alt and Meta on the given bits.
quint16 modifierMask(Qt::KeyboardModifiers modifiers, quint16 altMask = kMod1, quint16 metaMask = kMod4);
// Every combination of the lock bits that must be grabbed too (0 first).
QList<quint16> lockVariants(quint16 numLockMask, quint16 scrollLockMask);
} // namespace hotkey

} // namespace qn
