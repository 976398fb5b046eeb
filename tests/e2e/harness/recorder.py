"""Reading the recording bar and the video tool's overlay from the program's
diagnostics, and reading movies back with ffprobe/ffmpeg."""
import json
import subprocess
import time

from . import lines

BAR = lines.recorder_bar()
CONTROLS = lines.recorder_controls()
HOLE = lines.overlay_hole()


def _rect(text):
    return None if text == "none" else tuple(int(v) for v in text.split(","))


def bar_states(app):
    out = []
    for line in list(app.lines):
        m = BAR.match(line)
        if m:
            out.append(dict(state=m.group(1), title=m.group(2), time=m.group(3), badge=m.group(4),
                            drawing=m.group(5), microphone=m.group(6), camera=m.group(7), scheme=m.group(8)))
    return out


def wait_bar(app, predicate, timeout=15):
    """Waits until the bar's latest state satisfies predicate(state) and returns it."""
    deadline = time.time() + timeout
    while time.time() < deadline:
        states = bar_states(app)
        if states and predicate(states[-1]):
            return states[-1]
        time.sleep(0.02)
    raise AssertionError("the bar never matched; last states: %r\n%s" % (bar_states(app)[-3:],
                                                                          "\n".join(app.lines[-30:])))


def controls(app, timeout=10):
    """The bar's controls by name (global x, y, w, h), as last reported."""
    deadline = time.time() + timeout
    while time.time() < deadline:
        found = [CONTROLS.match(l) for l in list(app.lines)]
        found = [m for m in found if m]
        if found:
            return {k: _rect(v) for k, v in (p.split("=") for p in found[-1].group(1).split())}
        time.sleep(0.02)
    raise AssertionError("the bar reported no controls")


def click(app, x, name):
    fx, fy, fw, fh = controls(app)[name]
    x.click(fx + fw // 2, fy + fh // 2)


def hole(app):
    """(hole, card) of the overlay's last reported shape, each (x, y, w, h) or None."""
    found = [HOLE.match(l) for l in list(app.lines)]
    found = [m for m in found if m]
    return (_rect(found[-1].group(1)), _rect(found[-1].group(2))) if found else (None, None)


def wait_hole(app, predicate, timeout=10):
    deadline = time.time() + timeout
    while time.time() < deadline:
        h = hole(app)
        if predicate(*h):
            return h
        time.sleep(0.02)
    raise AssertionError("the overlay's hole never matched; last: %r" % (hole(app),))


def probe(path):
    """ffprobe's streams and format of a movie, as a dict."""
    out = subprocess.run(["ffprobe", "-v", "error", "-show_streams", "-show_format", "-of", "json", path],
                         capture_output=True, check=True, timeout=60).stdout
    return json.loads(out)


def frame_at(path, seconds, size):
    """One decoded frame (RGB bytes) of the movie at `seconds`."""
    w, h = size
    out = subprocess.run(["ffmpeg", "-v", "error", "-ss", str(seconds), "-i", path, "-frames:v", "1",
                          "-f", "rawvideo", "-pix_fmt", "rgb24", "-"],
                         capture_output=True, check=True, timeout=60).stdout
    assert len(out) == w * h * 3, (len(out), w, h)
    return out


def pixel(frame, size, x, y):
    w, _ = size
    i = (y * w + x) * 3
    return tuple(frame[i:i + 3])


def save_movie(app, x, save, target):
    """Saves the paused recording through the action bar's save button and the file
    dialog, and waits until the movie is copied and the capture has closed."""
    import os
    from .app import wait_capture_closed, wait_focus_in
    from .chrome import centre
    x.click(*centre(save))
    wait_focus_in(x, x.wait_window("^Save$"), time.time() + 10)
    x.key("ctrl+a")
    x.type(target)
    x.key("Return")
    app.wait_for_line(lines.saved_movie(lines.ending(os.path.basename(target))), timeout=30)
    wait_capture_closed(app, x)


def open_list(app, x, point, timeout=10):
    """Clicks a drop-down list and waits until its popup is on the screen, so that the
    keys sent next choose in the list."""
    from .windows import popups
    before = len(popups(app, x))
    x.click(*point)
    deadline = time.time() + timeout
    while len(popups(app, x)) <= before:
        assert time.time() < deadline, "the list did not open"
        time.sleep(0.02)
