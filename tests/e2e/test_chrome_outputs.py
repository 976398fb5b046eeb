"""Every output of the action bar works by mouse and by its key, and both do the same."""
import time

import pytest

from harness import chrome, lines, screen
from harness.app import open_capture, wait_capture_closed, wait_focus_in

# No onboarding window: it comes up on its own time and could be in a picture.
PREFS = {"localWatermark": False, "needOnboarding": False}


def start(app, x, start=(100, 100), end=(300, 250)):
    open_capture(app, x)
    x.drag(start, end)
    chrome.wait_placement(app)


def use(app, x, how, control, key):
    if how == "button":
        chrome.click_control(app, x, control)
    else:
        x.key(key)


@pytest.mark.parametrize("how", ["button", "shortcut"])
def test_copy_puts_the_crop_on_the_clipboard(launch, x, display, how):
    app, before = screen.launch_over_pattern(launch, display, PREFS)
    start(app, x)
    use(app, x, how, "copy", "ctrl+c")
    data = x.wait_clipboard(lambda v: v.startswith(b"\x89PNG"), target="image/png")
    assert screen.decode(data, display) == before.crop(100, 100, 200, 150)
    wait_capture_closed(app, x)


@pytest.mark.parametrize("how", ["button", "shortcut"])
def test_save_offers_the_save_dialog_and_a_cancel_keeps_the_capture(launch, x, how):
    app = launch(prefs=PREFS)
    start(app, x)
    use(app, x, how, "save", "ctrl+s")
    # The dialog takes the keys once the window manager has focused it, as a user sees.
    wait_focus_in(x, x.wait_window("^Save$"), time.time() + 10)
    x.key("Escape")
    x.wait_window("^Save$", present=False)
    assert x.windows(name="Quillnest capture")


@pytest.mark.parametrize("how", ["button", "shortcut"])
def test_copy_as_text_puts_the_recognised_text_on_the_clipboard(launch, x, display, how):
    window = screen.TestWindow(display, x, "textsource", at=(300, 200), size=(600, 120), text="Chrome 2 reads")
    try:
        app = launch(prefs=PREFS)
        x.set_clipboard_text("before")
        cx, cy, w, h = window.client()
        start(app, x, (cx + 4, cy + 4), (cx + w - 4, cy + h - 4))
        use(app, x, how, "copyText", "ctrl+t")
        text = x.wait_clipboard(lambda v: v.decode("utf-8", "replace") != "before", timeout=60).decode()
        assert text == "Chrome 2 reads"
    finally:
        window.close()


@pytest.mark.parametrize("how", ["button", "shortcut"])
def test_upload_hands_the_capture_to_the_cloud_path(launch, x, how):
    app = launch(prefs=PREFS)
    start(app, x)
    use(app, x, how, "upload", "ctrl+Return")
    wait_capture_closed(app, x)
    # Signed out, the cloud path asks for a sign-in first.
    deadline = time.time() + 10
    while time.time() < deadline and not any("Sign in" in n for n in app.notices()):
        time.sleep(0.05)
    assert any("Sign in" in n for n in app.notices()), app.notices()


@pytest.mark.parametrize("how", ["button", "shortcut"])
def test_close_ends_the_capture(launch, x, how):
    app = launch(prefs=PREFS)
    start(app, x)
    use(app, x, how, "close", "Escape")
    wait_capture_closed(app, x)


def test_keys_reach_the_overlay_after_a_click_on_the_bar_and_wait_for_a_crop(launch, x, display):
    app = launch(prefs=PREFS)
    x.set_clipboard_text("before")
    open_capture(app, x)
    # No crop area, no bar: its keys do nothing and the capture stays.
    x.key("ctrl+c")
    x.key("ctrl+s")
    mark = app.mark()
    x.drag((100, 100), (300, 250))
    # Handled after the keys: had they closed the capture, there would be no crop now.
    app.wait_after(mark, lines.crop_area())
    assert x.windows(name="Quillnest capture")
    assert not x.windows(name="^Save$")
    assert x.clipboard_text() == "before"

    chrome.wait_placement(app)
    # A click on a tool leaves the keyboard with the overlay.
    chrome.click_control(app, x, "pen")
    app.wait_for_pref("tool", "pen")
    x.key("ctrl+c")
    x.wait_clipboard(lambda v: v.startswith(b"\x89PNG"), target="image/png")
    wait_capture_closed(app, x)
