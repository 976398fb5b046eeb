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
    app.wait_for_line(lines.saved_movie(lines.ending(os.path.basename(target))), timeout=60)
    wait_capture_closed(app, x)


def record_crop(app, x, start, end):
    """In an open capture: drags the crop from `start` to `end`, chooses the video tool
    and starts recording by mouse. Returns the action bar's save button."""
    from . import chrome
    x.drag(start, end)
    chrome.wait_placement(app)
    save = chrome.controls(app)["save"]
    x.key("v")
    wait_bar(app, lambda s: s["state"] == "idle")
    click(app, x, "record")
    wait_bar(app, lambda s: s["state"] == "recording")
    return save


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


# ---- a recording with the microphone on, and what became of its movie -----------
SINE = "Sine source at 440 Hz"
STARTED = lines.recording_started()
FINISHED = lines.recording_finished()


def pulse_env(pulse):
    """The environment that gives the program the test's own sound server."""
    return {"XDG_RUNTIME_DIR": pulse.runtime_dir, "PULSE_RUNTIME_PATH": pulse.env["PULSE_RUNTIME_PATH"]}


def _settings_controls(app, since, timeout=10):
    rx = lines.recorder_settings_controls()
    deadline = time.time() + timeout
    while time.time() < deadline:
        for line in reversed(list(app.lines)[since:]):
            m = rx.match(line)
            if m:
                return {k: tuple(int(v) for v in f.split(",")) for k, f in (p.split("=") for p in m.group(1).split())}
        time.sleep(0.02)
    raise AssertionError("the recorder settings did not open")


def _microphones(app):
    rx = lines.recorder_devices("microphones")
    found = [m for m in (rx.match(l) for l in list(app.lines)) if m]
    return (found[-1].group(1).split("|") if found[-1].group(1) else [], found[-1].group(2)) if found else ([], "")


def start_recording(app, x, crop, microphone=True):
    """Opens the capture, draws `crop`, chooses the video tool, turns the sine
    microphone on (when asked) and starts recording by mouse. Returns (movie path,
    wall time at which the program said the recording started)."""
    from . import chrome
    from .app import open_capture

    def centre(f):
        return (f[0] + f[2] // 2, f[1] + f[3] // 2)

    open_capture(app, x)
    cx, cy, cw, ch = crop
    x.drag((cx, cy), (cx + cw, cy + ch))
    chrome.wait_placement(app)
    x.key("v")
    wait_bar(app, lambda s: s["state"] == "idle")
    if microphone:
        button = app.wait_for_line(lines.options_button())
        since = chrome.mark(app)
        x.click(*centre(tuple(int(v) for v in button.groups())))
        chrome.wait_line_since(app, since, lines.options_settings("open"))
        panel = _settings_controls(app, since)
        deadline = time.time() + 10
        while SINE not in _microphones(app)[0]:
            assert time.time() < deadline, "the sine source was never listed"
            time.sleep(0.05)
        assert _microphones(app)[1] == SINE, _microphones(app)
        since = chrome.mark(app)
        x.click(*centre(panel["microphoneSwitch"]))
        chrome.wait_line_since(app, since, lines.microphone_session("running", SINE))
        # A click on the dimmed part of the overlay closes the settings popover.
        x.click(100, 900)
        chrome.wait_line_since(app, since, lines.options_settings("closed"))
    mark = app.mark()
    click(app, x, "record")
    path = app.wait_after(mark, STARTED).group(1)
    started = app.time_of(mark, STARTED)
    wait_bar(app, lambda s: s["state"] == "recording")
    return path, started


def decode_errors(path):
    """What ffmpeg says when it decodes the whole movie (empty: it decodes to its end)."""
    run = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-f", "null", "-"], capture_output=True, timeout=120)
    return (run.stderr.decode("utf-8", "replace") + ("" if run.returncode == 0 else f"exit {run.returncode}")).strip()


def durations(path):
    """(video seconds, audio seconds or None) of a movie."""
    info = probe(path)
    streams = {s["codec_type"]: s for s in info["streams"]}
    video = float(streams["video"].get("duration") or info["format"]["duration"])
    audio = streams.get("audio")
    return video, (float(audio.get("duration") or info["format"]["duration"]) if audio else None)


def quit_by_mouse(app, x):
    """Opens the status menu and clicks its last item, Quit, with the mouse: while a
    recording runs the overlay keeps the keyboard, as it does for Esc."""
    menu = app.open_menu(x)
    assert menu[-1].get("title") == "Quit", menu[-1]
    deadline = time.time() + 10
    while time.time() < deadline:
        for wid in x.windows(pid=app.pid):
            if x.override_redirect(wid) and x.name(wid) != "Quillnest - Notification":
                gx, gy, w, h = x.geometry(wid)
                if 100 < h < 1000 and w < 800:
                    x.click(gx + w // 2, gy + h - 14)
                    return
        time.sleep(0.05)
    raise AssertionError("the status menu's window was not found")
