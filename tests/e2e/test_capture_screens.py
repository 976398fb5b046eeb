"""The capture on two screens side by side, the second one lower and not primary: one overlay
per screen, and every crop, handle, window and output local to the screen it happens on."""
import os
import re
import time

import pytest

from harness import lines, screen
from harness.app import (HOT_KEY, OVERLAY_TITLE, captures, copied_picture, open_capture, wait_capture_closed,
                         wait_focus_in)

PREFS = {"localWatermark": False, "needOnboarding": False}
# The second screen at twice the pixels per point of the first.
MIXED_SCALES = {"QT_SCREEN_SCALE_FACTORS": "1;2"}
pytestmark = pytest.mark.usefixtures("two_screens")


def overlay_rects(x, count):
    deadline = time.time() + 5
    rects = []
    while time.time() < deadline:
        rects = sorted(x.geometry(w) for w in x.windows(name=OVERLAY_TITLE))
        if len(rects) >= count:
            break
        time.sleep(0.05)
    return rects


def drag_on(x, monitor, start, end, **kw):
    """A drag between two points local to a monitor (either may lie off it)."""
    x.drag(monitor.to_root(*start), monitor.to_root(*end), **kw)


def capture_over_pattern(launch, x, display, env=None):
    """Covers the root with the test pattern, starts the program, grabs the root and opens
    the capture; returns the program and the grab."""
    app, before = screen.launch_over_pattern(launch, display, PREFS, env=env)
    open_capture(app, x)
    return app, before


def region(picture, monitor, rect):
    """The part of a root picture under a rectangle local to a monitor."""
    return picture.crop(monitor.x + rect[0], monitor.y + rect[1], rect[2], rect[3])


def root_windows(display, prop):
    out = display.run(["xprop", "-root", prop]).stdout.decode()
    return [int(w, 16) for w in re.findall(r"0x[0-9a-f]+", out)]


def overlay_on(x, monitor):
    return next(w for w in x.windows(name=OVERLAY_TITLE) if x.geometry(w) == monitor.rect)


def wait_active(display, wid, timeout=5):
    deadline = time.time() + timeout
    while time.time() < deadline:
        if root_windows(display, "_NET_ACTIVE_WINDOW") == [wid]:
            return
        time.sleep(0.05)
    raise AssertionError(f"window {wid:#x} never became active: {root_windows(display, '_NET_ACTIVE_WINDOW')}")


def test_hot_key_opens_one_overlay_per_screen_keys_on_the_one_under_the_pointer(launch, x, display):
    left, right = display.monitors
    app = launch(prefs=PREFS)
    x.move(*right.to_root(600, 500))
    open_capture(app, x)
    assert overlay_rects(x, 2) == sorted(m.rect for m in display.monitors)
    app.wait_for_line(lines.overlay_opened(2))
    wait_active(display, overlay_on(x, right))
    x.key(HOT_KEY)
    mark = app.mark()
    drag_on(x, right, (100, 100), (300, 250))
    # The drag is handled after the key: a second capture would have opened by now.
    app.wait_after(mark, lines.crop_area())
    assert len(x.windows(name=OVERLAY_TITLE)) == 2
    assert captures(app) == 1
    # The keys follow the pointer onto the other screen.
    x.move(*left.to_root(600, 500))
    wait_active(display, overlay_on(x, left))
    x.key("Escape")
    wait_capture_closed(app, x)
    assert not x.windows(name=OVERLAY_TITLE)


@pytest.mark.parametrize("start, end, crop", [
    ((100, 100), (300, 250), (100, 100, 200, 150)),
    # Over the left edge onto the first screen: the crop stops at this screen's edge.
    ((80, 300), (-120, 380), (0, 300, 80, 80)),
    # Up and left onto the first screen, above this one's top: clamped in both directions.
    ((100, 20), (-120, -100), (0, 0, 100, 20)),
    # To the root's bottom-right corner: the edges come within the snapping margin.
    ((1000, 800), (1279, 1023), (1000, 800, 280, 224)),
])
def test_crop_on_the_second_screen_copies_that_screens_pixels(launch, x, display, start, end, crop):
    right = display.monitors[1]
    app, before = capture_over_pattern(launch, x, display)
    drag_on(x, right, start, end)
    picture = copied_picture(app, x, display)
    assert (picture.width, picture.height) == crop[2:]
    assert picture == region(before, right, crop)


def bright_pixels(picture, rect):
    x0, y0, w, h = rect
    return sum(1 for yy in range(y0, y0 + h) for xx in range(x0, x0 + w) if min(picture.pixel(xx, yy)) > 200)


def wait_cursor(x, predicate, what, timeout=5):
    deadline = time.time() + timeout
    cursor = None
    while time.time() < deadline:
        cursor = x.cursor()
        if predicate(cursor):
            return cursor
        time.sleep(0.05)
    raise AssertionError(f"the cursor never became {what}: {cursor}")


def test_handles_and_size_label_work_on_the_second_screen(launch, x, display):
    left, right = display.monitors
    app, before = capture_over_pattern(launch, x, display)
    drag_on(x, right, (100, 100), (300, 250))
    # The handles show the resize cursors where they are on this screen.
    for point, name in [((300, 250), "size_fdiag"), ((100, 250), "size_bdiag"), ((200, 96), "size_ver"),
                        ((304, 175), "size_hor")]:
        x.move(*right.to_root(*point))
        wait_cursor(x, lambda c: c.name == name, name)
    drag_on(x, right, (300, 250), (400, 330))  # bottom-right handle
    drag_on(x, right, (250, 96), (250, 56))    # top edge handle, at its middle
    x.move(*right.to_root(700, 700))
    # The label "300 X 270" sits centred above the crop on its own screen, and nowhere else.
    label_band = (250 - 40, 60 - 27, 80, 21)
    shown = screen.wait_until(
        display, lambda pic: pic if bright_pixels(region(pic, right, label_band), (0, 0, 80, 21)) > 20 else None)
    assert shown, "no size label above the crop"
    assert bright_pixels(region(shown, left, label_band), (0, 0, 80, 21)) == 0
    picture = copied_picture(app, x, display)
    assert (picture.width, picture.height) == (300, 270)
    assert picture == region(before, right, (100, 60, 300, 270))


def test_space_moves_the_crop_on_the_second_screen(launch, x, display):
    right = display.monitors[1]
    app, before = capture_over_pattern(launch, x, display)
    x.move(*right.to_root(100, 100))
    x._xdo("mousedown", 1)
    for step in range(1, 5):
        x.move(*right.to_root(100 + 50 * step, 100 + 37 * step + (2 if step == 4 else 0)))
    x.keydown("space")
    x.move(*right.to_root(301, 251))
    for step in range(1, 5):
        x.move(*right.to_root(301 + 25 * step - (1 if step == 4 else 0), 251 + 12 * step + (1 if step == 4 else 0)))
    # Let go at once: the move ends where the pointer was when the key came up.
    x.keyup("space")
    x._xdo("mouseup", 1)
    picture = copied_picture(app, x, display)
    assert (picture.width, picture.height) == (201, 151)
    assert picture == region(before, right, (200, 150, 201, 151))


def intersect(a, b):
    x0, y0 = max(a[0], b[0]), max(a[1], b[1])
    x1, y1 = min(a[0] + a[2], b[0] + b[2]), min(a[1] + a[3], b[1] + b[3])
    return (x0, y0, x1 - x0, y1 - y0)


@pytest.mark.parametrize("at, size, env", [
    ((2220, 500), (500, 300), None),  # inside the second screen
    ((1700, 600), (500, 300), None),  # reaching over from the first screen: cut to the second
    # At odd pixels of a 2x screen: the frame's edges fall on half points.
    ((2221, 501), (501, 301), MIXED_SCALES),
])
def test_window_choosing_on_the_second_screen_takes_the_frame_cut_to_it(launch, x, display, at, size, env):
    screen.paint_pattern(display)
    right = display.monitors[1]
    window = screen.TestWindow(display, x, "secondtarget", at=at, size=size)
    try:
        app = launch(prefs=PREFS, env=env)
        frame = window.frame()
        shown = intersect(frame, right.rect)
        assert shown[2] > 100, f"the window is not on the second screen: {frame}"
        before = screen.grab(display)
        open_capture(app, x)
        x.key("space")  # Space released before any crop: choose a window
        x.move(shown[0] + shown[2] // 2, shown[1] + shown[3] // 2)
        x.click()
        picture = copied_picture(app, x, display)
        assert (picture.width, picture.height) == shown[2:]
        assert picture == before.crop(*shown)
    finally:
        window.close()


def assert_above_overlays_on(display, x, wid, monitor):
    gx, gy, gw, gh = x.geometry(wid)
    assert monitor.contains(gx, gy) and monitor.contains(gx + gw - 1, gy + gh - 1), (x.geometry(wid), monitor)
    stacking = root_windows(display, "_NET_CLIENT_LIST_STACKING")
    overlays = x.windows(name=OVERLAY_TITLE)
    assert len(overlays) == 2
    assert all(stacking.index(wid) > stacking.index(o) for o in overlays), stacking


def test_the_close_alert_stacks_above_the_overlays_on_the_screen_under_the_pointer(launch, x, display):
    right = display.monitors[1]
    app = launch(prefs=PREFS)
    open_capture(app, x)
    drag_on(x, right, (100, 100), (300, 250))
    x.key("w")  # the whiteboard: an edit that can be undone
    x.key("Escape")
    alert = x.wait_window("^Quillnest$")[0]
    assert_above_overlays_on(display, x, alert, right)
    x.key("Return")  # OK
    wait_capture_closed(app, x)


def test_save_from_the_second_screen_uses_its_snapshot(launch, x, display):
    left, right = display.monitors
    app, before = capture_over_pattern(launch, x, display)
    drag_on(x, right, (100, 100), (300, 250))
    # Saved with the pointer (and so the keys) over the other screen.
    x.move(*left.to_root(900, 500))
    wait_active(display, overlay_on(x, left))
    target = os.path.join(app.home, "second screen.png")
    x.key("ctrl+s")
    dialog = x.wait_window("^Save$")[0]
    wait_focus_in(x, [dialog], time.time() + 10)
    # On the crop's screen, where the crop is, above both overlays.
    assert_above_overlays_on(display, x, dialog, right)
    x.key("ctrl+a")
    x.type(target)
    x.key("Return")
    app.wait_for_line(lines.saved(lines.ending("second screen.png")))
    wait_capture_closed(app, x)
    with open(target, "rb") as f:
        data = f.read()
    assert screen.decode(data, display) == region(before, right, (100, 100, 200, 150))



def test_a_crop_on_a_2x_screen_is_copied_at_its_pixel_ratio(launch, x, display):
    left, right = display.monitors
    app, before = capture_over_pattern(launch, x, display, env=MIXED_SCALES)
    assert overlay_rects(x, 2) == sorted(m.rect for m in display.monitors)
    # (100, 100) to (300, 250) in the second screen's points.
    drag_on(x, right, (200, 200), (600, 500))
    x.move(*right.to_root(900, 900))
    # The overlay shows the frozen screen pixel for pixel, not scaled up from half of it.
    inside = (216, 216, 368, 268)
    assert screen.wait_until(display, lambda pic: region(pic, right, inside) == region(before, right, inside))
    picture = copied_picture(app, x, display)
    assert (picture.width, picture.height) == (400, 300)
    assert picture == region(before, right, (200, 200, 400, 300))

    # Into the bottom-right corner: the crop snaps to the screen's last pixel.
    open_capture(app, x)
    drag_on(x, right, (1000, 800), (1279, 1023))
    picture = copied_picture(app, x, display)
    assert picture == region(before, right, (1000, 800, 280, 224))

    # The first screen keeps its own ratio in the same run.
    open_capture(app, x)
    drag_on(x, left, (100, 100), (300, 250))
    picture = copied_picture(app, x, display)
    assert picture == region(before, left, (100, 100, 200, 150))


@pytest.mark.parametrize("scales", ["1;2", "2;1"])
def test_image_cursors_take_each_screens_pixel_ratio_with_the_hot_spot_on_the_crosshair(launch, x, display, scales):
    app = launch(prefs=PREFS, env={"QT_SCREEN_SCALE_FACTORS": scales})
    open_capture(app, x)
    ratios = [int(r) for r in scales.split(";")]
    for monitor, ratio in [*zip(display.monitors, ratios), (display.monitors[0], ratios[0])]:
        x.move(*monitor.to_root(700, 700))
        # The crosshair: 28 points square, its centre on the pointer.
        wait_cursor(x, lambda c: c.width == 28 * ratio, f"{28 * ratio} pixels wide")
        assert x.cursor()[:4] == (28 * ratio, 28 * ratio, 14 * ratio, 14 * ratio)
    x.key("Escape")
    wait_capture_closed(app, x)
