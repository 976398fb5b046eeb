"""A copied capture on the clipboard: a big picture read in increments, what the
clipboard offers, and a later copy of text taking its place."""
import os

import pytest

from harness import screen
from harness.app import copied_picture, drag_crop, open_capture, wait_capture_closed
from harness.clipboard_manager import ClipboardManager
from harness.display import Display

PREFS = {"localWatermark": False, "needOnboarding": False}


@pytest.fixture
def display():
    # A 4K screen, so that a full-screen copy is far bigger than one X request.
    d = Display(width=3840, height=2160)
    yield d
    d.close()


def paint_noise(display):
    """Covers the root with noise, which no PNG encoder can shrink."""
    w, h = display.width, display.height
    path = os.path.join(display.tmp, "noise.ppm")
    with open(path, "wb") as f:
        f.write(f"P6 {w} {h} 255\n".encode() + os.urandom(w * h * 3))
    display.run(["display", "-window", "root", path], check=False, timeout=90)


def test_a_full_4k_copy_is_read_whole_and_exact_and_a_later_text_copy_replaces_it(launch, x, display):
    paint_noise(display)
    app = launch(prefs=PREFS)
    # The screen once the tray icon has come up and stays put.
    before = screen.grab(display)
    while (now := screen.grab(display)) != before:
        before = now
    w, h = display.width, display.height

    open_capture(app, x)
    drag_crop(app, x, (0, 0), (w - 1, h - 1))
    x.set_clipboard_text("waiting for the capture")
    x.key("ctrl+c")
    data = x.wait_clipboard(lambda v: v.startswith(b"\x89PNG"), target="image/png", timeout=30)
    wait_capture_closed(app, x)
    # Many times the largest single X request: read in increments, every byte of it.
    assert len(data) > 16 * (1 << 20), len(data)
    picture = screen.decode(data, display)
    # A drag to the last pixel takes the whole screen.
    assert picture == before
    # The screen's pixels come with no alpha of their own: the copy is opaque all over.
    opaque = display.run(["identify", "-format", "%[opaque]", "png:-"], input=data).stdout
    assert opaque.strip().lower() == b"true", opaque
    targets = x.clipboard_targets()
    for target in ("TARGETS", "TIMESTAMP", "image/png"):
        assert target in targets, targets
    # A second reader gets the same picture: reading does not use it up.
    assert x.clipboard("image/png") == data

    # Text copied after the picture takes the clipboard over.
    window = screen.TestWindow(display, x, "textsource", at=(300, 200), size=(600, 120), text="Hello Quillnest 42")
    try:
        cx, cy, cw, ch = window.client()
        open_capture(app, x)
        drag_crop(app, x, (cx + 4, cy + 4), (cx + cw - 4, cy + ch - 4))
        x.key("ctrl+t")
        text = x.wait_clipboard(lambda v: not v.startswith(b"waiting"), timeout=60)
        assert text.decode() == "Hello Quillnest 42"
        assert not (x.clipboard("image/png") or b"").startswith(b"\x89PNG")
    finally:
        window.close()

    # And a picture copied after the text takes it back.
    open_capture(app, x)
    drag_crop(app, x, (100, 100), (300, 250))
    picture = copied_picture(app, x, display)
    assert picture == before.crop(100, 100, 200, 150)


def test_a_copied_capture_goes_to_the_clipboard_manager_at_quit(launch, x, display):
    paint_noise(display)
    app = launch(prefs=PREFS)
    manager = ClipboardManager(display.name)
    try:
        open_capture(app, x)
        drag_crop(app, x, (100, 100), (300, 250))
        picture = copied_picture(app, x, display)
        assert (picture.width, picture.height) == (200, 150)
        app.choose(x, "Quit")
        app.proc.wait(timeout=15)
        assert manager.asked.is_set()
        # The program is gone; the picture is still there to paste.
        data = x.clipboard("image/png")
        assert data is not None and screen.decode(data, display) == picture
    finally:
        manager.close()


def test_a_copied_capture_answers_several_targets_in_one_request(launch, x, display):
    """MULTIPLE, as some pasting programs ask: each pair is answered, or named None."""
    from Xlib import X, Xatom
    from Xlib import display as xdisplay

    paint_noise(display)
    app = launch(prefs=PREFS)
    open_capture(app, x)
    drag_crop(app, x, (100, 100), (300, 250))
    picture = copied_picture(app, x, display)

    d = xdisplay.Display(display.name)
    try:
        window = d.screen().root.create_window(0, 0, 1, 1, 0, X.CopyFromParent)
        atom = d.intern_atom
        png, stamp, utf8, pair = atom("image/png"), atom("TIMESTAMP"), atom("UTF8_STRING"), atom("ATOM_PAIR")
        props = [atom("QN_P1"), atom("QN_P2"), atom("QN_P3")]
        window.change_property(atom("QN_MULTI"), pair, 32, [png, props[0], stamp, props[1], utf8, props[2]])
        window.convert_selection(atom("CLIPBOARD"), atom("MULTIPLE"), atom("QN_MULTI"), X.CurrentTime)
        d.flush()
        while (event := d.next_event()).type != X.SelectionNotify:
            pass
        assert event.property == atom("QN_MULTI")
        answered = list(window.get_full_property(atom("QN_MULTI"), X.AnyPropertyType).value)
        assert answered == [png, props[0], stamp, props[1], utf8, X.NONE]
        data = window.get_full_property(props[0], png, sizehint=1 << 20)
        assert screen.decode(bytes(data.value), display) == picture
        assert window.get_full_property(props[1], Xatom.INTEGER).value[0] != 0
    finally:
        d.close()
