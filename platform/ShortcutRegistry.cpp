#include "platform/ShortcutRegistry.h"

#include "platform/Diagnostics.h"
#include "platform/PreferencesStore.h"

#include <QAction>
#include <QPointer>

namespace qn {

ShortcutRegistry &ShortcutRegistry::shared() {
    static ShortcutRegistry registry(PreferencesStore::shared());
    return registry;
}

ShortcutRegistry::ShortcutRegistry(PreferencesStore &store, QObject *parent) : QObject(parent), m_store(store) {}

ShortcutRegistry::~ShortcutRegistry() { qDeleteAll(m_hotKeys); }

QKeySequence ShortcutRegistry::defaultShortcut(const QString &name) {
    static const QHash<QString, QKeySequence> defaults{
        {Name::openScreenshot, QKeySequence(Qt::ALT | Qt::SHIFT | Qt::Key_S)},
        {Name::undo, QKeySequence(Qt::CTRL | Qt::Key_Z)},
        {Name::redo, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)},
        {Name::selectAll, QKeySequence(Qt::CTRL | Qt::Key_A)},
        {Name::cut, QKeySequence(Qt::CTRL | Qt::Key_X)},
        {Name::paste, QKeySequence(Qt::CTRL | Qt::Key_V)},
    };
    return defaults.value(name);
}

QKeySequence ShortcutRegistry::shortcut(const QString &name) const {
    const auto stored = m_store.text(storageKey(name));
    if (!stored)
        return defaultShortcut(name);
    if (stored->isEmpty())
        return {};
    const QKeySequence sequence = QKeySequence::fromString(*stored, QKeySequence::PortableText);
    // One combination of a known key; anything else is a damaged value.
    if (sequence.count() != 1 || sequence[0].key() == Qt::Key_unknown) {
        PreferencesStore::reportUnusable(storageKey(name), QStringLiteral("not a shortcut"));
        return defaultShortcut(name);
    }
    return sequence;
}

void ShortcutRegistry::setShortcut(const QString &name, const QKeySequence &sequence) {
    const QKeySequence first = sequence.isEmpty() ? QKeySequence() : QKeySequence(sequence[0]);
    m_store.setText(storageKey(name), first.toString(QKeySequence::PortableText));
    applyHotKey(name);
    Q_EMIT shortcutChanged(name);
}

void ShortcutRegistry::reset(const QString &name) {
    m_store.remove(storageKey(name));
    applyHotKey(name);
    Q_EMIT shortcutChanged(name);
}

GlobalHotKey::Status ShortcutRegistry::trySetShortcut(const QString &name, const QKeySequence &sequence) {
    const std::optional<QString> previous = m_store.text(storageKey(name));
    const QKeySequence first = sequence.isEmpty() ? QKeySequence() : QKeySequence(sequence[0]);
    m_store.setText(storageKey(name), first.toString(QKeySequence::PortableText));
    applyHotKey(name, false);
    const GlobalHotKey::Status status = hotKeyStatus(name);
    if (status == GlobalHotKey::Status::Taken || status == GlobalHotKey::Status::Unsupported) {
        if (previous)
            m_store.setText(storageKey(name), *previous);
        else
            m_store.remove(storageKey(name));
        applyHotKey(name);
    }
    Q_EMIT shortcutChanged(name);
    return status;
}

void ShortcutRegistry::setHotKeysSuspended(bool suspended) {
    if (suspended == m_suspended)
        return;
    m_suspended = suspended;
    for (auto it = m_hotKeys.cbegin(); it != m_hotKeys.cend(); ++it) {
        if (suspended)
            it.value()->setShortcut(QKeyCombination());
        else
            applyHotKey(it.key());
    }
    diagnostics::report(diagnostics::hotKeysSuspended(suspended));
}

void ShortcutRegistry::onKeyDown(const QString &name, QObject *context, std::function<void()> handler) {
    GlobalHotKey *&key = m_hotKeys[name];
    if (!key)
        key = new GlobalHotKey();
    connect(key, &GlobalHotKey::pressed, context, std::move(handler));
    applyHotKey(name);
}

GlobalHotKey::Status ShortcutRegistry::hotKeyStatus(const QString &name) const {
    const GlobalHotKey *key = m_hotKeys.value(name);
    return key ? key->status() : GlobalHotKey::Status::None;
}

void ShortcutRegistry::applyHotKey(const QString &name, bool announceTaken) {
    GlobalHotKey *key = m_hotKeys.value(name);
    if (!key || m_suspended)
        return;
    const QKeySequence sequence = shortcut(name);
    const auto status = key->setShortcut(sequence.isEmpty() ? QKeyCombination() : sequence[0]);
    const QString text = sequence.toString(QKeySequence::NativeText);
    if (status == GlobalHotKey::Status::Registered) {
        diagnostics::report(diagnostics::hotKeyRegistered(text, name));
    } else if (status == GlobalHotKey::Status::Taken) {
        diagnostics::report(diagnostics::hotKeyTaken(text, name));
        if (announceTaken)
            Q_EMIT hotKeyTaken(name, sequence);
    } else if (status == GlobalHotKey::Status::Unsupported) {
        diagnostics::report(diagnostics::hotKeyUnsupported(text, name));
    }
}

void ShortcutRegistry::bind(QAction *action, const QString &name) {
    action->setShortcut(shortcut(name));
    QPointer<QAction> target(action);
    connect(this, &ShortcutRegistry::shortcutChanged, action, [this, target, name](const QString &changed) {
        if (target && changed == name)
            target->setShortcut(shortcut(name));
    });
}

} // namespace qn
