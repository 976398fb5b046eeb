"""The camera bubble: the live camera (a pattern camera here) in a circle at the crop
area's bottom-left corner, dragged by mouse, snapping to the nearest anchor."""
import os
import time

from harness import chrome, lines, recorder, screen
from test_recording_devices import centre, open_settings

PREFS = {"localWatermark": False, "needOnboarding": False}
CROP = (300, 200, 400, 300)


def bubbles(app, since=0):
    rx = lines.stream_shape()
    out = []
    for line in list(app.lines)[since:]:
        m = rx.match(line)
        if m:
            out.append(lines.frame(m.group(4)))
    return out


def wait_bubble(app, predicate, since=0, timeout=10):
    deadline = time.time() + timeout
    while time.time() < deadline:
        found = bubbles(app, since)
        if found and predicate(found[-1]):
            return found[-1]
        time.sleep(0.02)
    raise AssertionError("the bubble never matched; last: %r" % (bubbles(app, since)[-3:],))


def test_the_bubble_shows_the_camera_and_snaps_to_an_anchor_after_a_drag(launch, x, display):
    app = launch(prefs=PREFS, env={"QUILLNEST_TEST_CAMERA": "1"})
    panel, _ = open_settings(app, x)
    app.wait_for_line(lines.recorder_devices("cameras", "Test pattern camera", "Test pattern camera"))
    since = chrome.mark(app)
    x.click(*centre(panel["cameraSwitch"]))
    chrome.wait_line_since(app, since, lines.camera_session("running", "Test pattern camera"))
    # At the crop area's bottom-left corner, 10 in from its edges.
    start = wait_bubble(app, lambda b: b is not None, since)
    assert start == (CROP[0] + 10, CROP[1] + CROP[3] - 10 - 95, 95, 95), start
    recorder.wait_bar(app, lambda s: s["camera"].startswith("camera@recorder"))
    x.click(100, 900)  # closes the settings popover
    chrome.wait_line_since(app, since, lines.options_settings("closed"))

    # The live picture shows in the circle (the pattern's blue and orange halves).
    bx, by = start[0], start[1]

    def halves(picture):
        return picture.pixel(bx + 30, by + 47), picture.pixel(bx + 65, by + 47)

    def shows_pattern(picture):
        left, right = halves(picture)
        return left[2] > 180 and left[0] < 80 and right[0] > 200 and right[2] < 80

    picture = screen.wait_until(display, lambda pic: pic if shows_pattern(pic) else None) or screen.grab(display)
    if os.environ.get("QN_E2E_SHOTS"):
        display.screenshot(os.path.join(os.environ["QN_E2E_SHOTS"], "bubble.png"))
    left, right = halves(picture)
    assert left[2] > 180 and left[0] < 80, left
    assert right[0] > 200 and right[2] < 80, right

    # Dropped beyond the right edge near the top: slides to the top-right anchor.
    since = chrome.mark(app)
    x.drag((bx + 47, by + 47), (CROP[0] + CROP[2] + 40, CROP[1] + 60), steps=10)
    chrome.wait_line_since(app, since, lines.bubble_dropped(snaps_to="595,210"))
    wait_bubble(app, lambda b: b[:2] == (595, 210), since)

    # Dropped well inside: stays where it was let go.
    since = chrome.mark(app)
    x.drag((595 + 47, 210 + 47), (500, 330), steps=10)
    line = chrome.wait_line_since(app, since, lines.bubble_dropped())
    dropped = chrome.lines_since(app, since, lines.bubble_dropped())[-1]
    assert "snaps" not in dropped, dropped

    # Muting the camera hides it; unmuting shows it where it was.
    where = bubbles(app)[-1]
    recorder.click(app, x, "camera")
    wait_bubble(app, lambda b: b is None)
    recorder.click(app, x, "camera")
    assert wait_bubble(app, lambda b: b is not None) == where
