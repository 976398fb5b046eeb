"""The recorder on a real X screen: the driver program records a changing region of an
Xvfb display with a PulseAudio sine source as microphone, and ffprobe/ffmpeg read the
movie back. Closing through the overlay is covered by the overlay's own tests."""
import array
import glob
import json
import math
import os
import queue
import re
import stat
import subprocess
import tempfile
import threading
import time

import pytest

from harness import lines
from harness.pulse import PulseAudio

HERE = os.path.dirname(__file__)
ANIMATE = os.path.join(HERE, "tools", "animate.py")
REGION = (100, 100, 640, 480)
# The picture ends on a frame (1/30 s) and the sound on a whole AAC frame (1024 samples
# at 44.1 kHz): the two ends of one movie lie at most one of each apart.
ENDS_APART = 1 / 30 + 1024 / 44100


def driver_binary():
    path = os.environ.get("QN_RECORD_DRIVER")
    if not path:
        pytest.skip("QN_RECORD_DRIVER is not set (run the e2e tests through ctest)")
    return path


class Driver:
    """qn_record_driver with commands on its standard input and its lines read back."""

    def __init__(self, display, pulse, mic=True, out=None, region=REGION, screen=None):
        self.home = tempfile.mkdtemp(prefix="qn-rec-home-")
        self.tmp = os.path.join(self.home, "tmp")
        os.makedirs(self.tmp)
        env = dict(display.env, HOME=self.home, TMPDIR=self.tmp, QT_QPA_PLATFORM="xcb",
                   XDG_CONFIG_HOME=os.path.join(self.home, ".config"),
                   XDG_RUNTIME_DIR=pulse.runtime_dir if pulse else os.path.join(self.home, "rt"),
                   QT_LOGGING_RULES="qt.qpa.*=false")
        if pulse:
            env["PULSE_RUNTIME_PATH"] = pulse.env["PULSE_RUNTIME_PATH"]
        else:
            os.makedirs(env["XDG_RUNTIME_DIR"], mode=0o700)
        args = [driver_binary(), "--rect", ",".join(str(v) for v in region)]
        if mic:
            args.append("--mic")
        if out:
            args += ["--out", out]
        if screen is not None:
            args += ["--screen", str(screen)]
        self.lines = []
        self._queue = queue.Queue()
        self.proc = subprocess.Popen(args, env=env, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=subprocess.STDOUT, text=True, bufsize=1)
        threading.Thread(target=self._read, daemon=True).start()
        self.wait_for(r"^ready$")

    def _read(self):
        for line in self.proc.stdout:
            self._queue.put(line.rstrip("\n"))
        self._queue.put(None)

    def send(self, command):
        self.proc.stdin.write(command + "\n")
        self.proc.stdin.flush()

    def wait_for(self, pattern, timeout=30):
        deadline = time.time() + timeout
        while time.time() < deadline:
            try:
                line = self._queue.get(timeout=max(0.01, deadline - time.time()))
            except queue.Empty:
                break
            if line is None:
                break
            self.lines.append(line)
            match = re.search(pattern, line)
            if match:
                return match
        raise AssertionError(f"no line matching {pattern!r}; got:\n" + "\n".join(self.lines[-30:]))

    def stats(self):
        self.send("stats")
        m = self.wait_for(r"^stats (.*)$")
        return {k: float(v) for k, v in (kv.split("=") for kv in m.group(1).split())}

    def wait_until(self, key, value, timeout=30):
        """Asks for the stats until `key` reaches `value` (recorded time, wall seconds)."""
        deadline = time.time() + timeout
        while time.time() < deadline:
            s = self.stats()
            if s[key] >= value:
                return s
        raise AssertionError(f"{key} never reached {value}")

    def close(self):
        if self.proc.poll() is None:
            try:
                self.send("quit")
                self.proc.wait(timeout=15)
            except (BrokenPipeError, subprocess.TimeoutExpired):
                self.proc.kill()
                self.proc.wait()


@pytest.fixture
def pulse():
    p = PulseAudio()
    yield p
    p.close()


@pytest.fixture
def animation(display):
    proc = subprocess.Popen(["/usr/bin/python3", ANIMATE, *(str(v) for v in REGION), "60"], env=display.env,
                            stdout=subprocess.PIPE, text=True)
    assert proc.stdout.readline().strip() == "animating"
    yield proc
    proc.terminate()
    proc.wait()


@pytest.fixture
def drivers():
    started = []
    yield started
    for d in started:
        d.close()


def probe(path):
    out = subprocess.run(["ffprobe", "-v", "error", "-count_packets", "-show_streams", "-show_format",
                          "-of", "json", path], capture_output=True, text=True, check=True).stdout
    info = json.loads(out)
    streams = {s["codec_type"]: s for s in info["streams"]}
    return info["format"], streams


def sound_levels(path, window=0.25):
    """Root mean square of the decoded sound in windows of `window` seconds."""
    raw = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-f", "s16le", "-ac", "1", "-ar", "44100", "-"],
                         capture_output=True, check=True).stdout
    samples = array.array("h", raw)
    n = int(44100 * window)
    return [math.sqrt(sum(x * x for x in samples[i:i + n]) / n) for i in range(0, len(samples) - n + 1, n)]


def level_between(levels, start, end, window=0.25):
    part = levels[int(start / window):int(end / window)]
    return min(part), max(part)


def test_records_the_region_with_sound_pause_and_mute(display, pulse, animation, drivers):
    d = Driver(display, pulse)
    drivers.append(d)
    d.wait_for(r"^microphone Sine source")
    d.send("start")
    d.wait_for(r"^recording$")
    path = d.wait_for(lines.recording_started()).group(1)

    # Each change is told with the recorded time at which it took effect; the
    # sound is checked between those times, a quarter second in from each.
    d.wait_until("time", 2.0)
    d.send("mute")
    muted = float(d.wait_for(r"^muted (\S+)$").group(1))
    d.wait_until("time", muted + 1.0)
    d.send("unmute")
    unmuted = float(d.wait_for(r"^unmuted (\S+)$").group(1))
    d.wait_until("time", unmuted + 1.0)
    d.send("pause")
    paused_at = float(d.wait_for(r"^paused (\S+)$").group(1))
    paused = d.stats()
    d.wait_until("seconds", paused["seconds"] + 1.5)
    assert d.stats()["time"] == pytest.approx(paused["time"], abs=0.05), "the time runs on while paused"
    d.send("resume")
    d.wait_for(r"^resumed ")
    d.wait_until("time", paused_at + 1.5)
    d.send("stop")
    d.wait_for(r"^finished ")
    d.wait_for(r"^stopped$")

    # The per-user temporary folder, private, with the default name.
    folder = os.path.dirname(path)
    assert folder == os.path.join(d.tmp, f"Quillnest-{os.getuid()}")
    assert stat.S_IMODE(os.lstat(folder).st_mode) == 0o700
    assert re.fullmatch(r".+ \d{4}-\d\d-\d\d \d\d\.\d\d\.\d\d\.mov", os.path.basename(path))

    fmt, streams = probe(path)
    assert "mov" in fmt["format_name"]
    video, audio = streams["video"], streams["audio"]
    assert video["codec_name"] == "h264" and video["pix_fmt"] == "yuv420p"
    assert (video["width"], video["height"]) == REGION[2:]
    assert video.get("color_primaries") == "bt709" and video.get("color_space") == "bt709"
    assert audio["codec_name"] == "aac" and audio["sample_rate"] == "44100" and audio["channels"] == 1
    duration = float(video["duration"])
    # Everything but the paused 1.5 s is in the movie.
    assert paused_at + 1.4 <= duration <= paused_at + 2.2, (paused_at, duration)
    assert abs(float(audio["duration"]) - duration) <= ENDS_APART
    # A flowing stream, told from a stalled one; how close it comes to the full rate is
    # measured beside ffmpeg in bench/recording_4k.py.
    assert int(video["nb_read_packets"]) >= 30 * duration / 3

    levels = sound_levels(path)
    assert level_between(levels, 0.25, muted - 0.25)[0] > 5000, "live sound"
    assert level_between(levels, muted + 0.25, unmuted - 0.25)[1] < 50, "silence while muted"
    assert level_between(levels, unmuted + 0.25, paused_at - 0.25)[0] > 5000, "sound after the unmute"
    assert level_between(levels, paused_at - 0.25, paused_at + 1.0)[0] > 5000, "no gap at the pause"


def test_a_failing_stream_leaves_a_playable_movie(display, pulse, animation, drivers):
    """The ends a user reaches through the program (signals, Quit, the X server going
    away, a screen unplugged) are driven on quillnest itself in test_recording_ends.py;
    a stream that fails by itself can only be forced here."""
    out = os.path.join(tempfile.mkdtemp(prefix="qn-rec-out-"), "movie.mov")
    d = Driver(display, pulse, out=out)
    drivers.append(d)
    d.wait_for(r"^microphone Sine source")
    d.send("start")
    d.wait_for(r"^recording$")
    d.wait_until("time", 1.5)
    d.send("fail")
    d.wait_for(lines.recorder_delegate_error())
    d.wait_for(r"^finished ")
    d.wait_for(r"^idle$")
    _, streams = probe(out)
    duration = float(streams["video"]["duration"])
    assert duration >= 1.5
    assert abs(float(streams["audio"]["duration"]) - duration) <= ENDS_APART
    assert int(streams["video"]["nb_read_packets"]) >= 30 * 1.5 / 3


def test_an_unchanged_screen_holds_its_picture(display, drivers):
    out = os.path.join(tempfile.mkdtemp(prefix="qn-rec-out-"), "still.mov")
    d = Driver(display, None, mic=False, out=out)
    drivers.append(d)
    d.send("start")
    d.wait_for(r"^recording$")
    d.wait_until("time", 2.0)
    d.send("stop")
    d.wait_for(r"^stopped$")
    _, streams = probe(out)
    duration = float(streams["video"]["duration"])
    assert 2.0 <= duration <= 2.5
    # Nothing moved: the first picture is held rather than encoded again each tick
    # (the writer repeats it only twice a half-second fragment, so a kill keeps it).
    assert int(streams["video"]["nb_read_packets"]) <= 4 * duration + 3
    # Without a microphone the movie has no sound track.
    assert "audio" not in streams


def _second_screen_index(display):
    """Qt lists the screens in RandR's order: the index of the second monitor's."""
    second = display.monitors[1]
    listing = subprocess.run(["xrandr", "--listactivemonitors"], env=display.env, capture_output=True,
                             text=True).stdout
    return next(i for i, line in enumerate(listing.splitlines()[1:]) if f"+{second.x}+{second.y}" in line)


def test_records_the_crop_of_a_screen_beside_the_first(two_screens, drivers):
    """The crop is in points of its own screen: on a second monitor that sits right of
    and below the first, the recorder reads that monitor's part of the root window."""
    second = two_screens.monitors[1]
    x, y = second.to_root(REGION[0], REGION[1])
    anim = subprocess.Popen(["/usr/bin/python3", ANIMATE, str(x), str(y), *(str(v) for v in REGION[2:]), "60"],
                            env=two_screens.env, stdout=subprocess.PIPE, text=True)
    try:
        assert anim.stdout.readline().strip() == "animating"
        out = os.path.join(tempfile.mkdtemp(prefix="qn-rec-out-"), "second.mov")
        index = _second_screen_index(two_screens)
        d = Driver(two_screens, None, mic=False, out=out, screen=index)
        drivers.append(d)
        d.send("start")
        d.wait_for(r"^recording$")
        d.wait_until("time", 1.5)
        d.send("stop")
        d.wait_for(r"^stopped$")
    finally:
        anim.terminate()
        anim.wait()
    _, streams = probe(out)
    assert (streams["video"]["width"], streams["video"]["height"]) == REGION[2:]
    # A flowing stream, not a stalled one; the rate itself is a bench figure.
    assert int(streams["video"]["nb_read_packets"]) >= 30 * 1.5 / 3
