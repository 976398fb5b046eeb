"""A crop area that fills a 4K screen records the moving desktop into a 3840x2160 movie
that plays to its end and keeps moving all the way (how many frames a busy machine
keeps up with is measured by bench/recording_4k.py, not here)."""
import os
import subprocess

import pytest
from Xlib import X as XL
from Xlib import display as xdisplay

from harness import recorder
from harness.app import open_capture
from harness.display import Display
from test_recording_throughput import ANIMATE, FPS, PREFS, distinct_frames, save_movie

SCREEN = (3840, 2160)


@pytest.fixture
def display():
    d = Display(width=SCREEN[0], height=SCREEN[1])
    yield d
    d.close()


@pytest.fixture
def moving_screen(display):
    w, h = SCREEN
    proc = subprocess.Popen(["/usr/bin/python3", ANIMATE, "0", "0", str(w), str(h), "60"], env=display.env,
                            stdout=subprocess.PIPE, text=True)
    assert proc.stdout.readline().strip() == "animating"
    # The moving window is override-redirect, so it starts above every managed one:
    # it goes under the overlay, which shows it through its hole.
    conn = xdisplay.Display(display.env["DISPLAY"])
    for child in conn.screen().root.query_tree().children:
        geo = child.get_geometry()
        if child.get_attributes().override_redirect and (geo.width, geo.height) == SCREEN:
            child.configure(stack_mode=XL.Below)
    conn.sync()
    conn.close()
    yield proc
    proc.terminate()
    proc.wait()


def decodes_to_its_end(path):
    # Frames are taken at their own times: a constant-rate output would make ffmpeg
    # itself complain about repeated times.
    result = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-fps_mode", "passthrough", "-f", "null", "-"],
                            capture_output=True, text=True, timeout=300)
    return result.returncode == 0 and not result.stderr.strip(), result.stderr


def test_a_full_4k_screen_records_a_moving_4k_movie(launch, x, display, moving_screen):
    app = launch(prefs=PREFS)
    open_capture(app, x)
    save = recorder.record_crop(app, x, (0, 0), (SCREEN[0] - 1, SCREEN[1] - 1))
    recorder.wait_hole(app, lambda h, c: h == (0, 0) + SCREEN and c is None)
    recorder.wait_bar(app, lambda s: s["time"] >= "00:05", timeout=60)
    path = os.path.join(app.home, "full 4k screen.mov")
    info = save_movie(app, x, save, path)
    video = [s for s in info["streams"] if s["codec_type"] == "video"][0]
    assert (video["width"], video["height"]) == SCREEN
    duration = float(info["format"]["duration"])
    assert duration >= 4.5, duration
    ok, errors = decodes_to_its_end(path)
    assert ok, errors
    distinct, total = distinct_frames(path)
    # A stream whose picture never came back from the writer freezes once it has lent
    # it; a moving one keeps changing through the movie. How many a second a
    # busy machine lets through is the bench's business (bench/recording_4k.py).
    assert distinct > 3, (distinct, total, duration, FPS)
