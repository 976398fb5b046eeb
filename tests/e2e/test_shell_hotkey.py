"""The global hot key: Alt+Shift+S reaches the screenshot action from anywhere."""
import time

from harness import lines
from harness.app import captures, wait_capture_closed

CAPTURE = lines.overlay_opened()


def close_capture(app, x):
    x.key("Escape")
    wait_capture_closed(app, x)


def test_hot_key_reaches_the_screenshot_action_with_locks_on(launch, x):
    app = launch(prefs={"needOnboarding": False})
    app.wait_for_line(lines.hot_key_registered("Alt+Shift+S", "openScreenshot"))
    x.key("alt+shift+s")
    app.wait_for_line(CAPTURE)
    close_capture(app, x)
    for lock in ("Caps_Lock", "Num_Lock"):
        before = captures(app)
        x.key(lock)
        x.key("alt+shift+s", clear_modifiers=False)
        x.key(lock)
        deadline = time.time() + 10
        while captures(app) == before and time.time() < deadline:
            time.sleep(0.05)
        assert captures(app) == before + 1, f"hot key not seen with {lock} on"
        close_capture(app, x)


def test_stored_shortcut_replaces_the_default(launch, x):
    app = launch(prefs={"needOnboarding": False, "KeyboardShortcuts/openScreenshot": "Ctrl+Alt+P"})
    app.wait_for_line(lines.hot_key_registered("Ctrl+Alt+P"))
    x.key("alt+shift+s")
    time.sleep(0.5)  # nothing marks what never comes: a grace window for a late one
    assert captures(app) == 0
    x.key("ctrl+alt+p")
    app.wait_for_line(CAPTURE)
    close_capture(app, x)
    take = app.open_menu(x)[0]
    assert take["title"] == "Take Screenshot" and take["shortcut"] == "Ctrl+Alt+P"


def test_damaged_stored_shortcut_falls_back_to_the_default(launch, x):
    app = launch(prefs={"needOnboarding": False, "KeyboardShortcuts/openScreenshot": "Ctrl+Bogus+"})
    app.wait_for_line(lines.preference_ignored("KeyboardShortcuts/openScreenshot"))
    app.wait_for_line(lines.hot_key_registered("Alt+Shift+S"))
    x.key("alt+shift+s")
    app.wait_for_line(CAPTURE)


def test_taken_hot_key_is_reported_in_a_notice_that_hides_after_5_s(launch, x):
    first = launch(prefs={"needOnboarding": False})
    first.wait_for_line(lines.hot_key_registered("Alt+Shift+S"))
    second = launch(prefs={"needOnboarding": False})
    second.wait_for_line(lines.hot_key_taken("Alt+Shift+S", "openScreenshot"))
    second.wait_for_line(lines.notice(lines.rx(r"Alt\+Shift\+S is used by another program.*")))
    [notice] = x.wait_window("Quillnest - Notification")
    icon = x.geometry(second.tray_icon(x))
    nx, ny, nw, nh = x.geometry(notice)
    assert nh == 46
    assert ny == icon[1] + icon[3] + 6
    assert nx <= icon[0] + icon[2] // 2 <= nx + nw and nx + nw <= 1920 - 8
    x.wait_window("Quillnest - Notification", present=False, timeout=10)
    second.wait_for_line(lines.notice_hidden())
    # Timed by the program's own lines: a busy X server answers this test late.
    shown_for = second.time_of(0, lines.notice_hidden()) - second.time_of(0, lines.notice_placed())
    assert 4.0 <= shown_for <= 7.0, shown_for
    # The first program keeps the hot key.
    x.key("alt+shift+s")
    first.wait_for_line(CAPTURE)
    assert second.alive() and captures(second) == 0
