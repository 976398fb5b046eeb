#include "platform/GlobalHotKey.h"

#include <QAbstractEventDispatcher>
#include <QGuiApplication>
#include <QPointer>
#include <QTimer>
#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace qn {

namespace hotkey {

std::optional<quint32> keysymForKey(Qt::Key key) {
    const int k = static_cast<int>(key);
    if (k >= Qt::Key_A && k <= Qt::Key_Z)
        return static_cast<quint32>('a' + (k - Qt::Key_A));
    // Latin-1 keys: Qt's key code is the character, as is the X keysym.
    if (k >= 0x20 && k <= 0x7e)
        return static_cast<quint32>(k);
    if (k >= Qt::Key_F1 && k <= Qt::Key_F35)
        return 0xffbe + static_cast<quint32>(k - Qt::Key_F1);
    switch (key) {
    case Qt::Key_Escape: return 0xff1b;
    case Qt::Key_Tab: return 0xff09;
    case Qt::Key_Backspace: return 0xff08;
    case Qt::Key_Return: return 0xff0d;
    case Qt::Key_Enter: return 0xff8d;
    case Qt::Key_Insert: return 0xff63;
    case Qt::Key_Delete: return 0xffff;
    case Qt::Key_Pause: return 0xff13;
    case Qt::Key_Print: return 0xff61;
    case Qt::Key_Home: return 0xff50;
    case Qt::Key_End: return 0xff57;
    case Qt::Key_Left: return 0xff51;
    case Qt::Key_Up: return 0xff52;
    case Qt::Key_Right: return 0xff53;
    case Qt::Key_Down: return 0xff54;
    case Qt::Key_PageUp: return 0xff55;
    case Qt::Key_PageDown: return 0xff56;
    case Qt::Key_Menu: return 0xff67;
    default: return std::nullopt;
    }
}

quint16 modifierMask(Qt::KeyboardModifiers modifiers, quint16 altMask, quint16 metaMask) {
    quint16 mask = 0;
    if (modifiers & Qt::ShiftModifier)
        mask |= kShift;
    if (modifiers & Qt::ControlModifier)
        mask |= kControl;
    if (modifiers & Qt::AltModifier)
        mask |= altMask;
    if (modifiers & Qt::MetaModifier)
        mask |= metaMask;
    return mask;
}

QList<quint16> lockVariants(quint16 numLockMask, quint16 scrollLockMask) {
    QList<quint16> bits{kLock};
    for (quint16 m : {numLockMask, scrollLockMask})
        if (m != 0 && !bits.contains(m))
            bits.append(m);
    QList<quint16> variants;
    for (int subset = 0; subset < (1 << bits.size()); ++subset) {
        quint16 v = 0;
        for (int i = 0; i < bits.size(); ++i)
            if (subset & (1 << i))
                v |= bits[i];
        if (!variants.contains(v))
            variants.append(v);
    }
    return variants;
}

} // namespace hotkey

// The one native event filter behind every GlobalHotKey: knows the X keyboard
// (key codes, which modifier bits Alt, Meta and the locks sit on) and hands key
// presses on the root window to the hot key they belong to.
class HotKeyDispatcher : public QAbstractNativeEventFilter {
public:
    static HotKeyDispatcher *get() {
        static HotKeyDispatcher *dispatcher = create();
        return dispatcher;
    }

    xcb_connection_t *connection() const { return m_connection; }

    void add(GlobalHotKey *key) {
        if (!m_keys.contains(key))
            m_keys.append(key);
    }
    void remove(GlobalHotKey *key) { m_keys.removeAll(key); }

    std::optional<quint8> keycodeFor(quint32 keysym) const {
        for (int i = 0; i < m_keysyms.size(); ++i) {
            const quint32 s = m_keysyms[i];
            if (s == keysym || (keysym >= 'a' && keysym <= 'z' && s == keysym - 32))
                return static_cast<quint8>(m_minKeycode + i / m_perKeycode);
        }
        return std::nullopt;
    }

    quint16 altMask() const { return m_altMask; }
    quint16 metaMask() const { return m_metaMask; }
    QList<quint16> locks() const { return hotkey::lockVariants(m_numLockMask, m_scrollLockMask); }

    QList<xcb_window_t> roots() const {
        QList<xcb_window_t> out;
        for (auto it = xcb_setup_roots_iterator(xcb_get_setup(m_connection)); it.rem; xcb_screen_next(&it))
            out.append(it.data->root);
        return out;
    }

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *) override {
        if (eventType != "xcb_generic_event_t")
            return false;
        const auto *event = static_cast<const xcb_generic_event_t *>(message);
        const quint8 type = event->response_type & 0x7f;
        if (type == XCB_MAPPING_NOTIFY) {
            // The keyboard layout changed: the same keys may sit on other codes now.
            QTimer::singleShot(0, [] { HotKeyDispatcher::get()->reloadKeyboard(true); });
            return false;
        }
        if (type != XCB_KEY_PRESS)
            return false;
        const auto *press = static_cast<const xcb_key_press_event_t *>(message);
        if (!roots().contains(press->event))
            return false;
        quint16 ignored = hotkey::kLock | m_numLockMask | m_scrollLockMask;
        const quint16 state = press->state & ~ignored & 0xff;
        for (GlobalHotKey *key : m_keys) {
            if (key->registered() && key->m_keycode == press->detail && key->m_mods == state) {
                QPointer<GlobalHotKey> target(key);
                QTimer::singleShot(0, key, [target] {
                    if (target)
                        Q_EMIT target->pressed();
                });
                return true;
            }
        }
        return false;
    }

    void reloadKeyboard(bool regrab) {
        if (regrab)
            for (GlobalHotKey *key : m_keys)
                key->release();
        const xcb_setup_t *setup = xcb_get_setup(m_connection);
        m_minKeycode = setup->min_keycode;
        const int count = setup->max_keycode - setup->min_keycode + 1;
        m_keysyms.clear();
        m_perKeycode = 1;
        auto mappingCookie = xcb_get_keyboard_mapping(m_connection, setup->min_keycode, static_cast<quint8>(count));
        if (auto *reply = xcb_get_keyboard_mapping_reply(m_connection, mappingCookie, nullptr)) {
            m_perKeycode = qMax<int>(1, reply->keysyms_per_keycode);
            const xcb_keysym_t *syms = xcb_get_keyboard_mapping_keysyms(reply);
            const int n = xcb_get_keyboard_mapping_keysyms_length(reply);
            for (int i = 0; i < n; ++i)
                m_keysyms.append(syms[i]);
            std::free(reply);
        }
        m_altMask = hotkey::kMod1;
        m_metaMask = hotkey::kMod4;
        m_numLockMask = 0;
        m_scrollLockMask = 0;
        auto modCookie = xcb_get_modifier_mapping(m_connection);
        if (auto *reply = xcb_get_modifier_mapping_reply(m_connection, modCookie, nullptr)) {
            const xcb_keycode_t *codes = xcb_get_modifier_mapping_keycodes(reply);
            const int per = reply->keycodes_per_modifier;
            auto maskOf = [&](quint32 keysym) -> quint16 {
                const auto code = keycodeFor(keysym);
                if (!code)
                    return 0;
                for (int mod = 0; mod < 8; ++mod)
                    for (int j = 0; j < per; ++j)
                        if (codes[mod * per + j] == *code)
                            return static_cast<quint16>(1 << mod);
                return 0;
            };
            m_numLockMask = maskOf(0xff7f);         // Num_Lock
            m_scrollLockMask = maskOf(0xff14);      // Scroll_Lock
            if (const quint16 alt = maskOf(0xffe9)) // Alt_L
                m_altMask = alt;
            if (const quint16 super = maskOf(0xffeb)) // Super_L
                m_metaMask = super;
            std::free(reply);
        }
        if (regrab)
            for (GlobalHotKey *key : m_keys)
                if (key->m_status != GlobalHotKey::Status::None)
                    key->grab();
    }

private:
    static HotKeyDispatcher *create() {
        auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
        if (!x11 || !x11->connection())
            return nullptr;
        auto *dispatcher = new HotKeyDispatcher(x11->connection());
        dispatcher->reloadKeyboard(false);
        QAbstractEventDispatcher::instance()->installNativeEventFilter(dispatcher);
        return dispatcher;
    }
    explicit HotKeyDispatcher(xcb_connection_t *connection) : m_connection(connection) {}

    xcb_connection_t *m_connection;
    QList<GlobalHotKey *> m_keys;
    QList<quint32> m_keysyms;
    int m_minKeycode = 8;
    int m_perKeycode = 1;
    quint16 m_altMask = hotkey::kMod1;
    quint16 m_metaMask = hotkey::kMod4;
    quint16 m_numLockMask = 0;
    quint16 m_scrollLockMask = 0;
};

GlobalHotKey::GlobalHotKey(QObject *parent) : QObject(parent) {}

GlobalHotKey::~GlobalHotKey() {
    release();
    if (auto *d = qGuiApp ? HotKeyDispatcher::get() : nullptr)
        d->remove(this);
}

GlobalHotKey::Status GlobalHotKey::setShortcut(QKeyCombination combination) {
    release();
    m_combination = combination;
    m_status = Status::None;
    if (combination.key() == Qt::Key_unknown || combination.key() == Qt::Key(0))
        return m_status;
    grab();
    return m_status;
}

void GlobalHotKey::grab() {
    HotKeyDispatcher *d = HotKeyDispatcher::get();
    const auto keysym = hotkey::keysymForKey(m_combination.key());
    const auto keycode = (d && keysym) ? d->keycodeFor(*keysym) : std::nullopt;
    if (!d || !keycode) {
        m_status = Status::Unsupported;
        return;
    }
    d->add(this);
    m_keycode = *keycode;
    m_mods = hotkey::modifierMask(m_combination.keyboardModifiers(), d->altMask(), d->metaMask());

    // Checked requests: a combination another client holds answers BadAccess, which
    // comes back here instead of reaching an X error handler.
    xcb_connection_t *c = d->connection();
    QList<xcb_void_cookie_t> cookies;
    for (xcb_window_t root : d->roots())
        for (quint16 lock : d->locks())
            cookies.append(xcb_grab_key_checked(c, 1, root, static_cast<quint16>(m_mods | lock), m_keycode,
                                                XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    bool taken = false;
    for (const xcb_void_cookie_t &cookie : cookies) {
        if (xcb_generic_error_t *error = xcb_request_check(c, cookie)) {
            taken = true;
            std::free(error);
        }
    }
    m_status = taken ? Status::Taken : Status::Registered;
    if (taken) {
        // Some lock variants may have been grabbed before the refusal: give them back.
        release();
        m_status = Status::Taken;
    }
}

void GlobalHotKey::release() {
    // After the application is gone its X connection is too; the server has
    // dropped the grabs with it.
    HotKeyDispatcher *d = qGuiApp ? HotKeyDispatcher::get() : nullptr;
    if (!d || m_keycode == 0)
        return;
    xcb_connection_t *c = d->connection();
    for (xcb_window_t root : d->roots())
        for (quint16 lock : d->locks())
            xcb_ungrab_key(c, m_keycode, root, static_cast<quint16>(m_mods | lock));
    xcb_flush(c);
    m_keycode = 0;
    m_mods = 0;
}

} // namespace qn
