"""Our own windows stay out of the movie: the recording bar, its tools palette and the close
question stand outside the recorded rectangle, on another screen when the crop area fills its
own; where there is no place outside, the question pauses the frames while it is open."""
import os
import subprocess
import time

import pytest

from harness import chrome, lines, recorder, screen
from harness.app import open_capture, wait_focus_in

PREFS = {"localWatermark": False, "needOnboarding": False}
# A plain root of a colour none of our windows uses: anything else in a frame is ours
# (or the pointer).
ROOT = (40, 90, 200)
# Movie frames are read back scaled down by this much (each pixel the mean of a block).
BLOCK = 4


def paint_root(display):
    path = os.path.join(display.tmp, "root.png")
    display.run(["convert", "-size", f"{display.width}x{display.height}", "xc:rgb(%d,%d,%d)" % ROOT, path])
    display.run(["display", "-window", "root", path], check=False, timeout=90)
    assert screen.wait_until(display, lambda pic: pic.pixel(display.width // 2, display.height // 2) == ROOT)


def movie_blocks(path):
    """Every frame of the movie at 4 per second, scaled down by BLOCK: a list of
    (seconds, width, height, rgb bytes)."""
    stream = next(s for s in recorder.probe(path)["streams"] if s["codec_type"] == "video")
    w, h = int(stream["width"]) // BLOCK, int(stream["height"]) // BLOCK
    out = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-vf", f"fps=4,scale={w}:{h}:flags=area",
                          "-f", "rawvideo", "-pix_fmt", "rgb24", "-"],
                         capture_output=True, check=True, timeout=120).stdout
    size = w * h * 3
    assert out and len(out) % size == 0, (len(out), size)
    return [(i / 4, w, h, out[i * size:(i + 1) * size]) for i in range(len(out) // size)]


def foreign_blocks(frame, crop_origin, keep_out):
    """The blocks of a movie frame (as root rectangles) that are not the plain root, leaving
    out those that meet any rectangle of keep_out (root coordinates)."""
    _, w, h, data = frame
    found = []
    for y in range(h):
        for x in range(w):
            i = (y * w + x) * 3
            if max(abs(data[i + c] - ROOT[c]) for c in range(3)) <= 48:
                continue
            rect = (crop_origin[0] + x * BLOCK, crop_origin[1] + y * BLOCK, BLOCK, BLOCK)
            if not any(overlaps(rect, k) for k in keep_out):
                found.append(rect)
    return found


def overlaps(a, b):
    return a[0] < b[0] + b[2] and b[0] < a[0] + a[2] and a[1] < b[1] + b[3] and b[1] < a[1] + a[3]


def inside(rect, monitor):
    return (monitor.x <= rect[0] and rect[0] + rect[2] <= monitor.x + monitor.width and monitor.y <= rect[1]
            and rect[1] + rect[3] <= monitor.y + monitor.height)


def tray_strip(display):
    """The tray host's row along the top (the harness's trayer is 24 high): another
    program's window, not ours to keep out."""
    return (0, 0, display.width, 26)


def around(point, half=24):
    return (point[0] - half, point[1] - half, 2 * half, 2 * half)


def question_frame(x):
    wids = x.wait_window("^Quillnest$")
    return x.geometry(wids[0])


def wait_shown(display, frame):
    """Waits until a window's middle is on the screen (not the plain root any more)."""
    cx, cy = frame[0] + frame[2] // 2, frame[1] + frame[3] // 2
    assert screen.wait_until(display, lambda pic: pic.pixel(cx, cy) != ROOT, timeout=10), frame


def record_whole_screen(app, x, monitor):
    """Opens the capture, crops the whole of `monitor`, takes the video tool and starts
    recording; returns the action bar's save button."""
    x.move(*monitor.to_root(monitor.width // 2, monitor.height // 2))
    open_capture(app, x)
    x.drag(monitor.to_root(0, 0), monitor.to_root(monitor.width - 1, monitor.height - 1))
    chrome.wait_placement(app)
    save = chrome.controls(app)["save"]
    x.key("v")
    recorder.wait_bar(app, lambda s: s["state"] == "idle")
    return save


def pause_and_save(app, x, save, name):
    recorder.click(app, x, "record")
    recorder.wait_bar(app, lambda s: s["state"] == "paused")
    target = os.path.join(app.home, name)
    recorder.save_movie(app, x, save, target)
    return target


@pytest.mark.usefixtures("two_screens")
def test_a_crop_filling_its_screen_leaves_the_bar_and_the_question_on_the_other(launch, x, display):
    left, right = display.monitors
    paint_root(display)
    app = launch(prefs=PREFS)
    save = record_whole_screen(app, x, left)
    # The bar stands on the other screen from the start, so it does not jump at the first click.
    bar = recorder.controls(app)["bar"]
    assert inside(bar, right), bar
    recorder.click(app, x, "record")
    recorder.wait_bar(app, lambda s: s["state"] == "recording")
    assert inside(recorder.controls(app)["bar"], right)

    # Esc with the pointer over the recorded screen: the question goes to the other one
    # and the recording goes on under it.
    pointer = left.to_root(300, 300)
    x.move(*pointer)
    since = chrome.mark(app)
    x.key("Escape")
    chrome.wait_line_since(app, since, lines.close_question_placed(paused=False))
    question = question_frame(x)
    assert inside(question, right), question
    assert not overlaps(question, recorder.controls(app)["bar"]), question
    wait_shown(display, question)
    # The window manager may leave the keyboard with the overlay on the other screen.
    wid = x.wait_window("^Quillnest$")[0]
    x._xdo("windowactivate", "--sync", str(wid), check=False)
    wait_focus_in(x, [wid], time.time() + 10)
    running = recorder.wait_bar(app, lambda s: s["state"] == "recording")["time"]
    recorder.wait_bar(app, lambda s: s["time"] > running, timeout=20)
    if os.environ.get("QN_E2E_SHOTS"):
        display.screenshot(os.path.join(os.environ["QN_E2E_SHOTS"], "placement-two-screens.png"))
    x.key("Escape")
    x.wait_window("^Quillnest$", present=False)
    assert recorder.bar_states(app)[-1]["state"] == "recording"

    target = pause_and_save(app, x, save, "two-screens.mov")
    frames = movie_blocks(target)
    assert len(frames) >= 4, len(frames)  # a second and more, at four a second
    for frame in frames:
        found = foreign_blocks(frame, (left.x, left.y), [around(pointer), tray_strip(display)])
        assert not found, (frame[0], found[:5])


def test_a_single_screen_cropped_whole_keeps_the_question_out_of_the_movie(launch, x, display):
    (only,) = display.monitors
    paint_root(display)
    app = launch(prefs=PREFS)
    save = record_whole_screen(app, x, only)
    recorder.click(app, x, "record")
    recorder.wait_bar(app, lambda s: s["state"] == "recording" and s["time"] >= "00:01", timeout=20)
    # Nowhere outside: the bar stays where it was (it is in the movie; see the README).
    bar = recorder.controls(app)["bar"]

    pointer = (300, 300)
    x.move(*pointer)
    since = chrome.mark(app)
    x.key("Escape")
    chrome.wait_line_since(app, since, lines.close_question_placed(paused=True))
    recorder.wait_bar(app, lambda s: s["state"] == "paused")
    question = question_frame(x)
    wait_shown(display, question)
    if os.environ.get("QN_E2E_SHOTS"):
        display.screenshot(os.path.join(os.environ["QN_E2E_SHOTS"], "placement-one-screen.png"))
    # Cancel: the frames go on once the question has left the screen.
    x.key("Escape")
    x.wait_window("^Quillnest$", present=False)
    chrome.wait_line_since(app, since, lines.close_question_resumed())
    resumed = recorder.wait_bar(app, lambda s: s["state"] == "recording")["time"]
    recorder.wait_bar(app, lambda s: s["time"] > resumed, timeout=20)

    target = pause_and_save(app, x, save, "one-screen.mov")
    frames = movie_blocks(target)
    assert len(frames) >= 4, len(frames)
    for frame in frames:
        found = foreign_blocks(frame, (0, 0), [around(pointer), bar, tray_strip(display)])
        assert not found, (frame[0], found[:5])
    # The check itself sees the bar, which this layout leaves in the movie.
    assert any(overlaps(r, bar) for r in foreign_blocks(frames[-1], (0, 0), [around(pointer), tray_strip(display)]))


# A crop area whose right edge leaves the bar no room right of the tool column: the bar
# stands just right of the crop, and the palette's usual place, left of the bar's pencil,
# would reach into the recorded rectangle.
BESIDE_CROP = (200, 150, 1500, 700)


def test_the_tools_palette_opens_outside_the_recorded_rectangle(launch, x, display):
    paint_root(display)
    app = launch(prefs=PREFS)
    cx, cy, cw, ch = BESIDE_CROP
    x.move(cx - 50, cy - 50)
    open_capture(app, x)
    mark = app.mark()
    save = recorder.record_crop(app, x, (cx, cy), (cx + cw, cy + ch))
    crop = tuple(round(float(v)) for v in app.wait_after(mark, lines.crop_area()).groups())
    bar = recorder.controls(app)["bar"]
    # The layout this test is about: the bar beside the crop, closer than the palette is wide.
    assert not overlaps(bar, crop) and 0 <= bar[0] - (crop[0] + crop[2]) < 48, (bar, crop)

    since = chrome.mark(app)
    pencil = recorder.controls(app)["pencil"]
    before = screen.grab(display)
    x.move(pencil[0] + 18, pencil[1] + 18)
    placed = lines.recorder_tools_panel()
    chrome.wait_line_since(app, since, placed)
    panel = lines.frame(placed.match(chrome.lines_since(app, since, placed)[-1]).group(1))
    assert not overlaps(panel, crop), (panel, crop)
    assert inside(panel, display.monitors[0]), panel
    # It lies below the bar rather than over its Stop/Pause and pointer buttons.
    controls = recorder.controls(app)
    assert not any(overlaps(panel, controls[k]) for k in ("record", "pointer", "microphone")), (panel, controls)
    # Wait until the palette is on the screen, then let the movie run on with it open.
    line = chrome.lines_since(app, since, lines.recorder_tools())[-1]
    pen = next(lines.frame(f.split("=")[1]) for f in line.split() if f.startswith("pen="))
    assert screen.wait_until(display, lambda pic: pic.crop(*pen) != before.crop(*pen)), "the palette never showed"
    if os.environ.get("QN_E2E_SHOTS"):
        display.screenshot(os.path.join(os.environ["QN_E2E_SHOTS"], "placement-palette.png"))
    shown = recorder.wait_bar(app, lambda s: s["state"] == "recording")["time"]
    recorder.wait_bar(app, lambda s: s["time"] > shown, timeout=20)
    assert len(chrome.lines_since(app, since, placed)) == 1, "the palette moved or opened again"

    target = pause_and_save(app, x, save, "palette.mov")
    frames = movie_blocks(target)
    assert len(frames) >= 4, len(frames)
    for frame in frames:
        found = foreign_blocks(frame, crop[:2], [tray_strip(display)])
        assert not found, (frame[0], found[:5])
