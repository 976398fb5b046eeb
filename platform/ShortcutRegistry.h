#pragma once
#include "platform/GlobalHotKey.h"

#include <QHash>
#include <QKeySequence>
#include <QObject>
#include <QString>
#include <functional>

class QAction;

namespace qn {

class PreferencesStore;

// The named keyboard shortcuts. Each name has a default combination; the user's
// choice is kept in the preferences under "KeyboardShortcuts/<name>" as portable
// text ("Alt+Shift+S"; an empty text means no shortcut). Menu items bound to a name
// and the global hot key registered for it follow every change at once.
class ShortcutRegistry : public QObject {
    Q_OBJECT
public:
    struct Name {
        static inline const QString openScreenshot = QStringLiteral("openScreenshot");
        static inline const QString undo = QStringLiteral("undo");
        static inline const QString redo = QStringLiteral("redo");
        static inline const QString selectAll = QStringLiteral("selectAll");
        static inline const QString cut = QStringLiteral("cut");
        static inline const QString paste = QStringLiteral("paste");
    };

    // The registry of the running program, on the shared preferences.
    static ShortcutRegistry &shared();
    explicit ShortcutRegistry(PreferencesStore &store, QObject *parent = nullptr);
    ~ShortcutRegistry() override;

    static QKeySequence defaultShortcut(const QString &name);
    // The current shortcut of a name: the stored one, else the default.
    QKeySequence shortcut(const QString &name) const;
    // Stores the user's choice (empty: no shortcut) and applies it everywhere.
    void setShortcut(const QString &name, const QKeySequence &sequence);
    // Forgets the user's choice: the default applies again.
    void reset(const QString &name);
    // Like setShortcut, for a combination the user just recorded: when the X server
    // will not grab it (another program holds it, or the key has no code here), the
    // previous choice is put back and nothing is announced. Returns the grab's status
    // (None when the name has no hot key, or the shortcut was cleared).
    GlobalHotKey::Status trySetShortcut(const QString &name, const QKeySequence &sequence);
    // While a shortcut is being recorded the hot keys must not swallow the keys the
    // user presses: suspended, every grab is released; resuming grabs them again.
    void setHotKeysSuspended(bool suspended);
    bool hotKeysSuspended() const { return m_suspended; }

    // Makes the name's shortcut a system-wide hot key: `handler` runs on key down.
    void onKeyDown(const QString &name, QObject *context, std::function<void()> handler);
    GlobalHotKey::Status hotKeyStatus(const QString &name) const;
    // The action shows the name's shortcut and follows later changes.
    void bind(QAction *action, const QString &name);

    static QString storageKey(const QString &name) { return QStringLiteral("KeyboardShortcuts/") + name; }

Q_SIGNALS:
    void shortcutChanged(const QString &name);
    // Another program holds the combination: the hot key does not work.
    void hotKeyTaken(const QString &name, const QKeySequence &sequence);

private:
    void applyHotKey(const QString &name, bool announceTaken = true);

    PreferencesStore &m_store;
    QHash<QString, GlobalHotKey *> m_hotKeys;
    bool m_suspended = false;
};

} // namespace qn
