"""The capture overlay: hot key, one overlay per screen, crop drags, handles, Space, window choosing, Esc."""
import time

from harness import lines, screen
from harness.app import (HOT_KEY, OVERLAY_TITLE, captures, copied_picture, open_capture, wait_capture_closed,
                         wait_focus_in)

# No onboarding window: it comes up on its own time and could be in a picture.
PREFS = {"localWatermark": False, "needOnboarding": False}


def test_hot_key_opens_one_overlay_per_screen_and_esc_closes_without_asking(launch, x, display):
    app = launch(prefs=PREFS)
    open_capture(app, x)
    assert len(x.windows(name=OVERLAY_TITLE)) == 1  # one screen on this display
    x.key(HOT_KEY)
    mark = app.mark()
    x.drag((100, 100), (300, 250))
    # The drag is handled after the key: a second capture would have opened by now.
    app.wait_after(mark, lines.crop_area())
    assert len(x.windows(name=OVERLAY_TITLE)) == 1
    assert captures(app) == 1
    x.key("Escape")  # only a crop area: nothing to lose
    wait_capture_closed(app, x)
    assert not x.windows(name="^Quillnest$")
    # The next press starts a fresh capture.
    open_capture(app, x)
    x.key("Escape")
    wait_capture_closed(app, x)


def test_drag_copies_exactly_the_pixels_under_the_crop(launch, x, display):
    app, before = screen.launch_over_pattern(launch, display, PREFS)
    open_capture(app, x)
    x.drag((100, 100), (300, 250))
    picture = copied_picture(app, x, display)
    assert (picture.width, picture.height) == (200, 150)
    assert picture == before.crop(100, 100, 200, 150)
    assert len(app.events("\u0441opy_to_\u0441lipboard")) == 1


def test_handles_resize_the_crop(launch, x, display):
    app, before = screen.launch_over_pattern(launch, display, PREFS)
    open_capture(app, x)
    x.drag((100, 100), (300, 250))
    # A corner handle puts the corner under the pointer: pressed on the corner, it follows.
    x.drag((300, 250), (400, 330))  # bottom-right handle
    x.drag((250, 96), (250, 56))    # top edge handle (4 outside the top edge, at its middle)
    picture = copied_picture(app, x, display)
    assert (picture.width, picture.height) == (300, 270)
    assert picture == before.crop(100, 60, 300, 270)


def test_space_moves_the_crop_being_dragged(launch, x, display):
    app, before = screen.launch_over_pattern(launch, display, PREFS)
    open_capture(app, x)
    x.move(100, 100)
    x._xdo("mousedown", 1)
    for step in range(1, 5):
        x.move(100 + 50 * step, 100 + 37 * step + (2 if step == 4 else 0))
    x.keydown("space")
    for _ in range(3):
        x.keydown("space")  # a held key repeats: repeats must not count
    # The rectangle takes the first point after the press as its far corner, then moves.
    x.move(301, 251)
    for step in range(1, 5):
        x.move(301 + 25 * step - (1 if step == 4 else 0), 251 + 12 * step + (1 if step == 4 else 0))
    # Let go at once, however far behind the program is: the move ends where the pointer
    # was when the key came up.
    x.keyup("space")
    x._xdo("mouseup", 1)
    picture = copied_picture(app, x, display)
    assert (picture.width, picture.height) == (201, 151)
    # Moved by the pointer's way from where Space went down: (100, 50).
    assert picture == before.crop(200, 150, 201, 151)


def test_window_choosing_takes_the_frame_of_the_window_under_the_pointer(launch, x, display):
    screen.paint_pattern(display)
    window = screen.TestWindow(display, x, "capturetarget", at=(400, 300), size=(500, 300))
    try:
        app = launch(prefs=PREFS)
        frame = window.frame()
        before = screen.grab(display)
        open_capture(app, x)
        x.key("space")  # Space released before any crop: choose a window
        x.click(frame[0] + frame[2] // 2, frame[1] + frame[3] // 2)
        picture = copied_picture(app, x, display)
        assert (picture.width, picture.height) == (frame[2], frame[3])
        assert picture == before.crop(*frame)
    finally:
        window.close()


def test_esc_asks_first_when_there_is_something_to_lose(launch, x, display):
    app = launch(prefs=PREFS)
    open_capture(app, x)
    x.drag((100, 100), (300, 250))
    x.key("w")  # the whiteboard: an edit that can be undone
    x.key("Escape")
    alert = x.wait_window("^Quillnest$")
    wait_focus_in(x, alert, time.time() + 10)
    x.key("Escape")  # closes the alert (Cancel): the capture stays
    x.wait_window("^Quillnest$", present=False)
    assert x.windows(name=OVERLAY_TITLE)
    x.key("Escape")
    wait_focus_in(x, x.wait_window("^Quillnest$"), time.time() + 10)
    x.key("Return")  # OK
    wait_capture_closed(app, x)
    assert alert


def test_an_output_of_an_empty_crop_says_so_and_keeps_the_capture_open(launch, x, display):
    app, before = screen.launch_over_pattern(launch, display, PREFS)
    x.set_clipboard_text("kept")
    open_capture(app, x)
    for keys in ("ctrl+c", "ctrl+s", "ctrl+Return"):
        x.click(500, 500)  # a click without a drag: a crop of 0 x 0
        notices = len(app.notices())
        x.key(keys)
        deadline = time.time() + 5
        while len(app.notices()) == notices and time.time() < deadline:
            time.sleep(0.02)
        assert app.notices()[-1] == "The selected area is empty. Drag out a bigger one.", keys
        assert x.windows(name=OVERLAY_TITLE), keys
    assert x.clipboard_text() == "kept"
    # The capture is still there for another try.
    x.drag((100, 100), (300, 250))
    picture = copied_picture(app, x, display)
    assert picture == before.crop(100, 100, 200, 150)


def test_before_a_crop_the_screen_shows_exactly_as_it_was(launch, x, display):
    app, before = screen.launch_over_pattern(launch, display, PREFS)
    open_capture(app, x)
    app.wait_for_line(lines.overlay_painted())
    x.move(5, 5)  # the cursor out of the way of the comparison
    shown = screen.grab(display)
    assert shown.crop(100, 100, 1000, 600) == before.crop(100, 100, 1000, 600)
    x.key("Escape")
    wait_capture_closed(app, x)


def test_each_overlay_opens_from_the_frame_filled_while_it_mapped(launch, x, display):
    # The fast way to the first picture: the frozen screen goes into the window's frame
    # while the window maps, and the first paint finds it there. A toolkit that keeps
    # its frames differently would quietly cost the copy at paint time instead.
    app, before = screen.launch_over_pattern(launch, display, PREFS)
    for _ in range(2):
        mark = app.mark()
        open_capture(app, x)
        app.wait_after(mark, lines.first_paint("prefilled"))
        app.wait_after(mark, lines.overlay_painted())
        x.move(5, 5)  # the cursor out of the way of the comparison
        assert screen.grab(display).crop(100, 100, 1000, 600) == before.crop(100, 100, 1000, 600)
        x.key("Escape")
        wait_capture_closed(app, x)


def test_space_tapped_before_any_crop_then_a_drag_over_the_desktop_draws_one(launch, x, display):
    app, before = screen.launch_over_pattern(launch, display, PREFS)
    open_capture(app, x)
    x.key("space")  # window choosing: no window here, only the desktop
    x.drag((100, 100), (300, 250))
    picture = copied_picture(app, x, display)
    assert picture == before.crop(100, 100, 200, 150)


def test_each_capture_shows_and_copies_the_screen_of_its_own_press(launch, x, display):
    display.run(["xsetroot", "-solid", "#204060"], check=False)
    app = launch(prefs=PREFS)
    open_capture(app, x)
    x.key("Escape")
    wait_capture_closed(app, x)
    screen.paint_pattern(display)
    before = screen.grab(display)
    open_capture(app, x)
    x.drag((100, 100), (300, 250))
    # The overlay shows the new screen inside the crop, not the previous capture's.
    inside = before.crop(150, 150, 100, 50)
    deadline = time.time() + 5
    while screen.grab(display).crop(150, 150, 100, 50) != inside and time.time() < deadline:
        time.sleep(0.05)
    assert screen.grab(display).crop(150, 150, 100, 50) == inside
    picture = copied_picture(app, x, display)
    assert picture == before.crop(100, 100, 200, 150)


def _settled(display, timeout=10):
    """The screen once two grabs in a row agree (the overlay has painted what it will)."""
    deadline = time.time() + timeout
    last = screen.grab(display)
    while time.time() < deadline:
        now = screen.grab(display)
        if now == last:
            return now
        last = now
    raise AssertionError("the screen did not settle")


def test_a_crop_drag_leaves_nothing_behind_where_the_edges_were(launch, x, display):
    # Each step of a drag repaints only what changed: after a wandering drag the screen
    # must be exactly what a full repaint of the final crop shows.
    app, before = screen.launch_over_pattern(launch, display, PREFS)
    open_capture(app, x)
    x.move(300, 250)
    x.press()
    # Out far, back inside the final rectangle, across the start, and to the end.
    for point in ((700, 500), (1100, 800), (1400, 900), (900, 700), (400, 300), (200, 150), (600, 420),
                  (800, 560), (760, 540)):
        x.move(*point)
    shown = _settled(display)
    final = (300, 250, 760, 540)  # left, top, right, bottom
    # Inside: the frozen screen itself.
    inside = shown.crop(final[0], final[1], final[2] - final[0], final[3] - final[1])
    assert inside == before.crop(final[0], final[1], final[2] - final[0], final[3] - final[1])
    # Outside, away from the border, handles and size label: the screen dimmed, the
    # same factor everywhere, with no trace of an earlier edge or label.
    bad = []
    for yy in range(0, display.height, 3):
        for xx in range(0, display.width, 3):
            if final[0] - 30 <= xx < final[2] + 30 and final[1] - 40 <= yy < final[3] + 30:
                continue
            if yy < 30 and xx > display.width - 300:
                continue  # the tray
            want = before.pixel(xx, yy)
            got = shown.pixel(xx, yy)
            if any(abs(g - w * 0.8) > 2.5 for g, w in zip(got, want)):
                bad.append((xx, yy, got, want))
    x.release()
    assert not bad, f"{len(bad)} stale pixels, e.g. {bad[:5]}"
    x.key("Escape")
    wait_capture_closed(app, x)


def test_a_capture_after_the_overlay_gave_its_memory_back_shows_and_copies_the_frozen_screen(launch, x, display):
    # A while after a capture its screen-sized buffers go back to the system; the next
    # capture makes new ones and must look and copy exactly as the first did.
    app, before = screen.launch_over_pattern(launch, display, PREFS, env={"QUILLNEST_KEEP_OVERLAY_MS": "300"})
    open_capture(app, x)
    x.key("Escape")
    wait_capture_closed(app, x)
    app.wait_for_line(lines.overlay_memory_released(), timeout=30)
    open_capture(app, x)
    shown = _settled(display)
    ratios = sorted(s / b for yy in range(40, display.height, 97) for xx in range(0, display.width - 300, 89)
                    for s, b in zip(shown.pixel(xx, yy), before.pixel(xx, yy)) if b >= 60)
    factor = ratios[len(ratios) // 2]
    off = [(xx, yy) for yy in range(40, display.height, 7) for xx in range(0, display.width - 300, 7)
           if any(abs(s - b * factor) > 2.5 for s, b in zip(shown.pixel(xx, yy), before.pixel(xx, yy)))]
    assert not off, f"the overlay does not show the frozen screen at {off[:5]} (factor {factor:.2f})"
    x.drag((400, 300), (700, 520))
    picture = copied_picture(app, x, display)
    assert picture == before.crop(400, 300, 300, 220)
