"""The capture overlay: hot key, one overlay per screen, crop drags, handles, Space, window choosing, Esc."""
import time

from harness import screen
from harness.app import HOT_KEY, OVERLAY_TITLE, copied_picture, open_capture, wait_capture_closed, wait_focus_in

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
    app.wait_after(mark, "^capture: crop area ")
    assert len(x.windows(name=OVERLAY_TITLE)) == 1
    assert sum("capture: overlay opened" in line for line in app.lines) == 1
    x.key("Escape")  # only a crop area: nothing to lose
    wait_capture_closed(app, x)
    assert not x.windows(name="^Quillnest$")
    # The next press starts a fresh capture.
    open_capture(app, x)
    x.key("Escape")
    wait_capture_closed(app, x)


def test_drag_copies_exactly_the_pixels_under_the_crop(launch, x, display):
    screen.paint_pattern(display)
    app = launch(prefs=PREFS)
    before = screen.grab(display)
    open_capture(app, x)
    x.drag((100, 100), (300, 250))
    picture = copied_picture(app, x, display)
    assert (picture.width, picture.height) == (200, 150)
    assert picture == before.crop(100, 100, 200, 150)
    assert len(app.events("\u0441opy_to_\u0441lipboard")) == 1


def test_handles_resize_the_crop(launch, x, display):
    screen.paint_pattern(display)
    app = launch(prefs=PREFS)
    before = screen.grab(display)
    open_capture(app, x)
    x.drag((100, 100), (300, 250))
    # A corner handle puts the corner under the pointer: pressed on the corner, it follows.
    x.drag((300, 250), (400, 330))  # bottom-right handle
    x.drag((250, 96), (250, 56))    # top edge handle (4 outside the top edge, at its middle)
    picture = copied_picture(app, x, display)
    assert (picture.width, picture.height) == (300, 270)
    assert picture == before.crop(100, 60, 300, 270)


def test_space_moves_the_crop_being_dragged(launch, x, display):
    screen.paint_pattern(display)
    app = launch(prefs=PREFS)
    before = screen.grab(display)
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
    screen.paint_pattern(display)
    app = launch(prefs=PREFS)
    before = screen.grab(display)
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
    screen.paint_pattern(display)
    app = launch(prefs=PREFS)
    before = screen.grab(display)
    open_capture(app, x)
    app.wait_for_line("^capture: overlay painted$")
    x.move(5, 5)  # the cursor out of the way of the comparison
    shown = screen.grab(display)
    assert shown.crop(100, 100, 1000, 600) == before.crop(100, 100, 1000, 600)
    x.key("Escape")
    wait_capture_closed(app, x)


def test_space_tapped_before_any_crop_then_a_drag_over_the_desktop_draws_one(launch, x, display):
    screen.paint_pattern(display)
    app = launch(prefs=PREFS)
    before = screen.grab(display)
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
