"""The video tool's options: the device lists come from the sound server, choosing a
microphone restarts its session, and muting by mouse writes silence into the movie."""
import os
import re
import subprocess
import time

import pytest

from harness import chrome, lines, recorder
from harness.app import open_capture
from harness.pulse import PulseAudio

PREFS = {"localWatermark": False, "needOnboarding": False}
CROP = (300, 200, 400, 300)
SINE = "Sine source at 440 Hz"


@pytest.fixture
def pulse():
    p = PulseAudio()
    yield p
    p.close()


def launch_with_sound(launch, pulse):
    return launch(prefs=PREFS, env={"XDG_RUNTIME_DIR": pulse.runtime_dir,
                                    "PULSE_RUNTIME_PATH": pulse.env["PULSE_RUNTIME_PATH"]})


def settings_controls(app, since):
    rx = lines.recorder_settings_controls()
    for line in reversed(list(app.lines)[since:]):
        m = rx.match(line)
        if m:
            return {k: tuple(int(v) for v in f.split(",")) for k, f in (p.split("=") for p in m.group(1).split())}
    return None


def wait_settings_controls(app, since, timeout=10):
    deadline = time.time() + timeout
    while time.time() < deadline:
        found = settings_controls(app, since)
        if found:
            return found
        time.sleep(0.02)
    raise AssertionError("the settings panel did not open")


def microphones(app):
    rx = lines.recorder_devices("microphones")
    found = [rx.match(l) for l in list(app.lines)]
    found = [m for m in found if m]
    return (found[-1].group(1).split("|") if found[-1].group(1) else [], found[-1].group(2)) if found else ([], "")


def centre(frame):
    return (frame[0] + frame[2] // 2, frame[1] + frame[3] // 2)


def open_settings(app, x):
    open_capture(app, x)
    x.drag((CROP[0], CROP[1]), (CROP[0] + CROP[2], CROP[1] + CROP[3]))
    chrome.wait_placement(app)
    save = chrome.controls(app)["save"]
    x.key("v")
    recorder.wait_bar(app, lambda s: s["state"] == "idle")
    button = app.wait_for_line(lines.options_button())
    since = chrome.mark(app)
    x.click(*centre(tuple(int(v) for v in button.groups())))
    chrome.wait_line_since(app, since, lines.options_settings("open"))
    return wait_settings_controls(app, since), save


def test_device_lists_come_from_the_sound_server_and_a_choice_restarts_the_session(launch, x, pulse):
    subprocess.run(["pactl", "load-module", "module-sine-source", "frequency=880", "source_name=second"],
                   env=pulse.env, check=True, capture_output=True)
    app = launch_with_sound(launch, pulse)
    panel, _ = open_settings(app, x)
    deadline = time.time() + 10
    while time.time() < deadline and len(microphones(app)[0]) < 2:
        time.sleep(0.05)
    names, chosen = microphones(app)
    assert SINE in names and "Sine source at 880 Hz" in names, names
    assert chosen == names[0]

    # The switch turns the microphone on: its session starts and the bar shows it.
    since = chrome.mark(app)
    x.click(*centre(panel["microphoneSwitch"]))
    chrome.wait_line_since(app, since, lines.microphone_session("running", chosen))
    recorder.wait_bar(app, lambda s: s["microphone"].startswith("microphone@recorder"))

    # Choosing the other microphone restarts the session on it.
    other = [n for n in names if n != chosen][0]
    since = chrome.mark(app)
    recorder.open_list(app, x, centre(panel["microphoneChooser"]))
    x.key("Down" if names.index(other) > names.index(chosen) else "Up")
    x.key("Return")
    chrome.wait_line_since(app, since, lines.microphone_session("stopped"))
    chrome.wait_line_since(app, since, lines.microphone_session("running", other))
    assert microphones(app)[1] == other


def loudness(path, start, end):
    """The loudest sample in dB between two movie times."""
    out = subprocess.run(["ffmpeg", "-v", "info", "-ss", str(start), "-t", str(end - start), "-i", path,
                          "-vn", "-af", "volumedetect", "-f", "null", "-"],
                         capture_output=True, timeout=60).stderr.decode()
    m = re.search(r"max_volume: (-?[\d.]+|-inf) dB", out)
    assert m, out
    return float("-inf") if m.group(1) == "-inf" else float(m.group(1))


def test_muting_the_microphone_by_mouse_records_silence(launch, x, pulse):
    app = launch_with_sound(launch, pulse)
    panel, save = open_settings(app, x)
    deadline = time.time() + 10
    while time.time() < deadline and SINE not in microphones(app)[0]:
        time.sleep(0.05)
    if microphones(app)[1] != SINE:
        since = chrome.mark(app)
        recorder.open_list(app, x, centre(panel["microphoneChooser"]))
        x.key("Up")
        x.key("Return")
        chrome.wait_line_since(app, since, lines.recorder_devices("microphones", chosen=SINE))
    since = chrome.mark(app)
    x.click(*centre(panel["microphoneSwitch"]))
    chrome.wait_line_since(app, since, lines.microphone_session("running", SINE))
    # A click elsewhere in the program (the overlay's dimmed part) closes the settings popover.
    x.click(100, 900)
    chrome.wait_line_since(app, since, lines.options_settings("closed"))

    recorder.click(app, x, "record")
    recorder.wait_bar(app, lambda s: s["state"] == "recording")
    recorder.wait_bar(app, lambda s: s["time"] >= "00:02", timeout=20)
    recorder.click(app, x, "microphone")
    muted = recorder.wait_bar(app, lambda s: s["microphone"].startswith("microphone-mute@recorder/#d70202"))
    muted_at = int(muted["time"][-2:])
    recorder.wait_bar(app, lambda s: int(s["time"][-2:]) >= muted_at + 3, timeout=20)
    recorder.click(app, x, "microphone")
    loud = recorder.wait_bar(app, lambda s: s["microphone"].startswith("microphone@recorder"))
    unmuted_at = int(loud["time"][-2:])
    recorder.wait_bar(app, lambda s: int(s["time"][-2:]) >= unmuted_at + 2, timeout=20)
    recorder.click(app, x, "record")
    recorder.wait_bar(app, lambda s: s["state"] == "paused")

    target = os.path.join(app.home, "sound.mov")
    recorder.save_movie(app, x, save, target)

    info = recorder.probe(target)
    assert any(s["codec_type"] == "audio" for s in info["streams"]), info["streams"]
    assert loudness(target, 0.3, muted_at - 0.3) > -30
    assert loudness(target, muted_at + 1.2, muted_at + 2.8) < -60
    assert loudness(target, unmuted_at + 1.2, unmuted_at + 1.9) > -30
