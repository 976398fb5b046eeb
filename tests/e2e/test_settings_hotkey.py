"""The screenshot hot key recorded on the Settings page: the new chord opens the overlay and the
old one no longer does, Esc cancels, a chord another program holds is refused with a notice and
the old one kept, and the reset brings Alt+Shift+S back."""
import ctypes
import ctypes.util

from harness import lines
from harness.app import captures, wait_capture_closed
from harness.windows import SettingsWindow, page_prefix, wait_line, wait_report


def capture_with(app, x, chord):
    before = captures(app)
    x.key(chord)
    wait_line(app, lines.overlay_opened(), since=0, timeout=10)
    deadline_lines = [l for l in app.lines if lines.overlay_opened().match(l)]
    assert len(deadline_lines) >= before + 1
    x.key("Escape")
    wait_capture_closed(app, x)


def menu_shortcut(app, x):
    """The shortcut the status menu's "Take Screenshot" shows when the menu is opened."""
    take = app.open_menu(x)[0]
    x.key("Escape")
    return take.get("shortcut", "")


def record(app, x, window, chord):
    since = len(app.lines)
    window.click("Settings", "screenshotHotkey")
    wait_line(app, lines.hot_keys_suspended("suspended"), since=since)
    x.key(chord)
    wait_line(app, lines.hot_keys_suspended("resumed"), since=since)
    return since


class OtherProgramGrab:
    """Another X client holding a key combination on the root window. Through libX11 (and so
    libxcb), which reaches the display the way the program does: a test's own X server may be
    known only by its abstract socket in the test's network namespace."""

    CONTROL, MOD1 = 1 << 2, 1 << 3
    _errors = []

    def __init__(self, display_name, key, modifiers):
        self.x11 = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
        self.x11.XOpenDisplay.restype = ctypes.c_void_p
        self.x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.x11.XDefaultRootWindow.restype = ctypes.c_ulong
        self.x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        self.x11.XStringToKeysym.restype = ctypes.c_ulong
        self.x11.XStringToKeysym.argtypes = [ctypes.c_char_p]
        self.x11.XKeysymToKeycode.restype = ctypes.c_ubyte
        self.x11.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        self.x11.XGrabKey.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int,
                                      ctypes.c_int, ctypes.c_int]
        self.x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        self.x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
        handler_type = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)
        # XErrorEvent: type, display, resourceid, serial, error_code (unsigned char), …
        self._handler = handler_type(lambda _d, event: OtherProgramGrab._errors.append(
            ctypes.cast(event, ctypes.POINTER(ctypes.c_ubyte))[ctypes.sizeof(ctypes.c_void_p) * 3 + 8]) or 0)
        self.x11.XSetErrorHandler(self._handler)
        self.d = self._grab(display_name, key, modifiers)
        assert self.d, "the other program could not grab the key"
        # Held indeed: a third client is refused the same combination (BadAccess).
        probe = self._grab(display_name, key, modifiers)
        assert not probe, "the other program's grab is not in place"

    def _grab(self, display_name, key, modifiers):
        d = self.x11.XOpenDisplay(display_name.encode())
        assert d, f"cannot open {display_name}"
        OtherProgramGrab._errors.clear()
        code = self.x11.XKeysymToKeycode(d, self.x11.XStringToKeysym(key.encode()))
        self.x11.XGrabKey(d, code, modifiers, self.x11.XDefaultRootWindow(d), 1, 1, 1)
        self.x11.XSync(d, 0)
        if OtherProgramGrab._errors:
            self.x11.XCloseDisplay(d)
            return None
        return d

    def close(self):
        self.x11.XCloseDisplay(self.d)


def test_recorded_chord_replaces_the_global_hot_key(launch, x, display):
    app = launch(prefs={"needOnboarding": False})
    app.wait_for_line(lines.hot_key_registered("Alt+Shift+S"))
    app.choose(x, "Settings")
    window = SettingsWindow(app, x).wait_open()
    window.show("Settings")

    since = record(app, x, window, "ctrl+alt+p")
    wait_line(app, lines.shortcut_set("Ctrl+Alt+P"), since=since)
    wait_line(app, lines.hot_key_registered("Ctrl+Alt+P", "openScreenshot"), since=since)
    app.wait_for_pref("KeyboardShortcuts/openScreenshot", "Ctrl+Alt+P")
    assert menu_shortcut(app, x) == "Ctrl+Alt+P"

    # The old chord does nothing now: pressed first, only the new one's capture follows.
    before = captures(app)
    x.key("alt+shift+s")
    x.key("ctrl+alt+p")
    wait_line(app, lines.overlay_opened())
    x.key("Escape")
    wait_capture_closed(app, x)
    assert captures(app) == before + 1

    since = len(app.lines)
    window.show("Hotkeys")
    wait_line(app, lines.hotkeys_first_row("Ctrl+Alt+P"), since=since)


def test_escape_cancels_and_a_taken_chord_is_refused(launch, x, display):
    app = launch(prefs={"needOnboarding": False, "KeyboardShortcuts/openScreenshot": "Ctrl+Alt+P"})
    app.wait_for_line(lines.hot_key_registered("Ctrl+Alt+P"))
    app.choose(x, "Settings")
    window = SettingsWindow(app, x).wait_open()
    window.show("Settings")

    since = len(app.lines)
    window.click("Settings", "screenshotHotkey")
    wait_line(app, lines.shortcut_recording(), since=since)
    x.key("Escape")
    wait_line(app, lines.shortcut_recording_cancelled(), since=since)
    wait_line(app, lines.hot_key_registered("Ctrl+Alt+P"), since=since)
    assert app.pref("KeyboardShortcuts/openScreenshot") == "Ctrl+Alt+P"

    grab = OtherProgramGrab(display.name, "k", OtherProgramGrab.CONTROL | OtherProgramGrab.MOD1)
    try:
        since = record(app, x, window, "ctrl+alt+k")
        wait_line(app, lines.shortcut_refused("Ctrl+Alt+K"), since=since)
        notice = wait_line(app, lines.notice(), since=since)
        assert "Ctrl+Alt+K is used by another program" in notice and "Ctrl+Alt+P" in notice
        assert app.pref("KeyboardShortcuts/openScreenshot") == "Ctrl+Alt+P"
        capture_with(app, x, "ctrl+alt+p")
    finally:
        grab.close()

    # "Reset Settings" brings the default back.
    since = len(app.lines)
    window.click("Settings", "reset")
    wait_line(app, lines.hot_key_registered("Alt+Shift+S"), since=since)
    assert app.pref("KeyboardShortcuts/openScreenshot") is None
    assert menu_shortcut(app, x) == "Alt+Shift+S"


def test_the_field_records_from_the_keyboard_and_clears(launch, x):
    app = launch(prefs={"needOnboarding": False})
    app.choose(x, "Settings")
    window = SettingsWindow(app, x).wait_open()
    window.show("Settings")
    window.focus()
    for _ in range(25):
        focused = [m.group(1) for l in app.lines if (m := lines.settings_focus().match(l))]
        if focused and focused[-1] == "screenshotHotkey":
            break
        since = len(app.lines)
        x.key("Tab")
        wait_line(app, lines.settings_focus(), since=since)
    since = len(app.lines)
    x.key("space")
    wait_line(app, lines.shortcut_recording(), since=since)
    # A letter without a modifier would take that key from every program: not taken.
    x.key("q")
    wait_line(app, lines.shortcut_needs_modifier(), since=since)
    x.key("super+F9")
    wait_line(app, lines.shortcut_set("Meta+F9"), since=since)
    since = len(app.lines)
    x.key("BackSpace")
    wait_line(app, lines.shortcut_set(""), since=since)
    app.wait_for_pref("KeyboardShortcuts/openScreenshot", "")
    assert menu_shortcut(app, x) == ""
