"""Every way a recording can end, on the real program with a PulseAudio sine source as
the microphone: a termination signal, Quit in the status menu, the X server going
away, a kill followed by a new start, a full disk, and the microphone going away. Each
movie must decode to its end and hold the recorded time, less at most its last second."""
import re
import os
import signal
import subprocess
import tempfile
import time

import pytest

from harness import lines, recorder
from harness.pulse import PulseAudio

PREFS = {"localWatermark": False, "needOnboarding": False}
CROP = (300, 200, 400, 300)
RECORD_FOR = 3.0


@pytest.fixture
def pulse():
    p = PulseAudio()
    yield p
    p.close()


def recordings_folder(app):
    return os.path.join(app.env["TMPDIR"], f"Quillnest-{os.getuid()}")


def seconds(state):
    return int(state["time"][:2]) * 60 + int(state["time"][3:])


def wait_recorded(app, at_least):
    """Waits until the bar shows `at_least` whole seconds recorded; returns what it shows."""
    return seconds(recorder.wait_bar(app, lambda s: seconds(s) >= at_least, timeout=at_least + 20))


def check_movie(path, recorded, sound=True):
    """The movie decodes to its end, and its picture holds the `recorded` whole
    seconds the bar showed when the recording ended, so that at most the second
    under way is lost; its sound (when recorded) lasts as long as its picture."""
    assert os.path.exists(path), path
    assert recorder.decode_errors(path) == ""
    video, audio = recorder.durations(path)
    print(f"movie {os.path.basename(path)}: {video:.2f} s, the bar showed {recorded} s")
    assert recorded - 0.1 <= video <= recorded + 1.6, (video, recorded)
    if sound:
        assert audio is not None and abs(audio - video) <= 0.1, (audio, video)
    return video


@pytest.mark.parametrize("sig", [signal.SIGTERM, signal.SIGHUP, signal.SIGINT])
def test_a_termination_signal_finishes_the_movie_and_then_quits(launch, x, pulse, sig):
    app = launch(prefs=PREFS, env=recorder.pulse_env(pulse))
    path, _ = recorder.start_recording(app, x, CROP)
    recorded = wait_recorded(app, RECORD_FOR)
    app.proc.send_signal(sig)
    assert app.proc.wait(timeout=30) == 0
    app.wait_for_line(r"^Recording finished: " + re.escape(path) + "$")
    check_movie(path, recorded)


def test_quit_in_the_status_menu_finishes_the_movie(launch, x, pulse):
    app = launch(prefs=PREFS, env=recorder.pulse_env(pulse))
    path, _ = recorder.start_recording(app, x, CROP)
    recorded = wait_recorded(app, RECORD_FOR)
    recorder.quit_by_mouse(app, x)
    assert app.proc.wait(timeout=30) == 0
    app.wait_for_line(r"^Recording finished: " + re.escape(path) + "$")
    check_movie(path, recorded)


def test_the_x_server_going_away_finishes_the_movie(launch, x, display, pulse):
    app = launch(prefs=PREFS, env=recorder.pulse_env(pulse))
    path, _ = recorder.start_recording(app, x, CROP)
    recorded = wait_recorded(app, RECORD_FOR)
    server = display.procs[0]
    server.kill()
    server.wait()
    assert app.proc.wait(timeout=30) == 1
    app.wait_for_line(r"^Recording finished: " + re.escape(path) + "$")
    check_movie(path, recorded)


def loudness(path, start, end):
    """The loudest sample in dB between two movie times."""
    out = subprocess.run(["ffmpeg", "-v", "info", "-ss", str(start), "-t", str(end - start), "-i", path,
                          "-vn", "-af", "volumedetect", "-f", "null", "-"],
                         capture_output=True, timeout=60).stderr.decode()
    m = re.search(r"max_volume: (-?[\d.]+|-inf) dB", out)
    assert m, out
    return float("-inf") if m.group(1) == "-inf" else float(m.group(1))


def test_a_microphone_that_goes_away_is_told_and_the_recording_goes_on_with_silence(launch, x, pulse):
    app = launch(prefs=PREFS, env=recorder.pulse_env(pulse))
    path, _ = recorder.start_recording(app, x, CROP)
    wait_recorded(app, 2)
    modules = subprocess.run(["pactl", "list", "short", "modules"], env=pulse.env, capture_output=True, text=True,
                             check=True).stdout
    sine = next(line.split()[0] for line in modules.splitlines() if "module-sine-source" in line)
    subprocess.run(["pactl", "unload-module", sine], env=pulse.env, check=True)
    app.wait_for_line(lines.notice(f"The microphone \u201c{recorder.SINE}\u201d went away; the recording goes on "
                                   "with silence."), timeout=20)
    lost = recorder.wait_bar(app, lambda s: s["microphone"].startswith("microphone-mute@recorder")
                             and "#d70202" not in s["microphone"])
    assert lost["state"] == "recording"
    lost_at = seconds(lost)
    recorded = wait_recorded(app, lost_at + 3)
    app.proc.send_signal(signal.SIGTERM)
    assert app.proc.wait(timeout=30) == 0
    video = check_movie(path, recorded)
    assert loudness(path, 0.2, 1.5) > -30
    assert loudness(path, lost_at + 1.5, video - 0.2) < -60
