"""Capture outputs: save as PNG and JPEG through the save dialog, copy as text."""
import os
import re
import time

import pytest

from harness import lines, screen
from harness.app import OVERLAY_TITLE, copied_picture, drag_crop, open_capture, wait_capture_closed, wait_focus_in

# No onboarding window: it comes up on its own time and could be in a picture.
PREFS = {"localWatermark": False, "needOnboarding": False}
DEFAULT_NAME = re.compile(r"^.+ \d{4}-\d\d-\d\d \d\d\.\d\d\.\d\d\.png$")


def save_dialog(x):
    return x.wait_window("^Save$")


def test_save_writes_png_by_default_name_and_jpeg_by_chosen_name(launch, x, display):
    app, before = screen.launch_over_pattern(launch, display, PREFS)

    open_capture(app, x)
    x.drag((100, 100), (300, 250))
    x.key("ctrl+s")
    wait_focus_in(x, save_dialog(x), time.time() + 10)
    x.key("Return")  # the proposed name
    path = app.wait_for_line(lines.saved()).group(1)
    wait_capture_closed(app, x)
    assert DEFAULT_NAME.match(os.path.basename(path)), path
    with open(path, "rb") as f:
        data = f.read()
    assert screen.image_format(data) == "png"
    assert screen.decode(data, display) == before.crop(100, 100, 200, 150)
    assert len(app.events("save_to_mac")) == 1

    target = os.path.join(app.home, "chosen shot.jpg")
    open_capture(app, x)
    x.drag((400, 300), (520, 380))
    x.key("ctrl+s")
    wait_focus_in(x, save_dialog(x), time.time() + 10)
    x.key("ctrl+a")
    x.type(target)
    x.key("Return")
    app.wait_for_line(lines.saved(lines.ending("chosen shot.jpg")))
    with open(target, "rb") as f:
        data = f.read()
    assert screen.image_format(data) == "jpeg"
    picture = screen.decode(data, display)
    assert (picture.width, picture.height) == (120, 80)
    assert len(app.events("save_to_mac")) == 2


def test_cancelled_save_keeps_the_capture(launch, x, display):
    app = launch(prefs=PREFS)
    open_capture(app, x)
    x.drag((100, 100), (300, 250))
    x.key("ctrl+s")
    wait_focus_in(x, save_dialog(x), time.time() + 10)
    x.key("Escape")
    x.wait_window("^Save$", present=False)
    assert x.windows(name="Quillnest capture")
    x.key("ctrl+c")
    data = x.wait_clipboard(lambda v: v.startswith(b"\x89PNG"), target="image/png")
    assert screen.decode(data, display).width == 200


# Latin and Cyrillic text, as the onboarding promises.
@pytest.mark.parametrize("shown", ["Hello Quillnest 42", "\u041f\u0440\u0438\u0432\u0435\u0442, \u043c\u0438\u0440 42"],
                         ids=["latin", "cyrillic"])
def test_copy_as_text_puts_the_recognised_text_on_the_clipboard(launch, x, display, shown):
    window = screen.TestWindow(display, x, "textsource", at=(300, 200), size=(600, 120), text=shown)
    try:
        app = launch(prefs=PREFS)
        x.set_clipboard_text("before")
        cx, cy, w, h = window.client()
        open_capture(app, x)
        x.drag((cx + 4, cy + 4), (cx + w - 4, cy + h - 4))
        x.key("ctrl+t")
        text = x.wait_clipboard(lambda v: v.decode("utf-8", "replace") != "before", timeout=60).decode()
        assert text == shown
        # The clipboard is filled first; the event is said before this line.
        app.wait_for_line(lines.copied_text())
        assert len(app.events("\u0441opy_to_\u0441lipboard_as_text")) == 1
    finally:
        window.close()


def test_copy_as_text_of_a_crop_without_text_says_so_and_keeps_the_capture(launch, x, display):
    screen.paint_halves(display)
    app = launch(prefs=PREFS)
    x.set_clipboard_text("before")
    open_capture(app, x)
    x.drag((100, 100), (300, 250))  # plain white: nothing to read
    x.key("ctrl+t")
    app.wait_for_line(lines.no_text_found(), timeout=60)
    app.wait_for_line(lines.notice("No text found in the selected area."))
    assert x.windows(name=OVERLAY_TITLE)
    assert x.clipboard_text() == "before"
    # Another try on the same capture: a bigger area, copied as a picture.
    x.drag((300, 250), (400, 300))  # the bottom-right handle
    x.key("ctrl+c")
    data = x.wait_clipboard(lambda v: v.startswith(b"\x89PNG"), target="image/png")
    assert screen.decode(data, display).width == 300
    wait_capture_closed(app, x)


@pytest.mark.parametrize("show", [True, False], ids=["notices-on", "notices-off"])
def test_a_copy_is_confirmed_by_a_notice_only_when_notices_are_wanted(launch, x, display, show):
    app = launch(prefs=dict(PREFS, showNotifications=show))
    open_capture(app, x)
    drag_crop(app, x)
    copied_picture(app, x, display)
    # Printed once the copy has been announced, so a notice would be in by now.
    app.wait_for_line(lines.copied_png())
    copied = [n for n in app.notices() if "copied to Clipboard" in n]
    assert copied == (["Screenshot copied to Clipboard!"] if show else [])
