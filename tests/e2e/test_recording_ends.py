"""Every way a recording can end, on the real program with a PulseAudio sine source as
the microphone: a termination signal, Quit in the status menu, the X server going
away, a kill followed by a new start, a full disk, and the microphone going away. Each
movie must decode to its end and hold the recorded time, less at most its last second.
A screen unplugged under its crop ends the recording the same way."""
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


def check_movie(path, recorded, sound=True, lost=0.0, went_on=0.0):
    """The movie decodes to its end and holds the `recorded` seconds (from the program's
    word that the recording started to the moment the test ended it), less what is in
    flight (a few pictures) and `lost` more where the program had no say (a kill, a full
    disk); its sound (when recorded) lasts as long as its picture. `went_on` is how long
    the test itself took to end the recording after it took the time (a menu to open and
    click), during which the recording rightly goes on."""
    assert os.path.exists(path), path
    if os.environ.get("QN_KEEP_MOVIES"):
        import shutil
        shutil.copy(path, os.environ["QN_KEEP_MOVIES"])
    assert recorder.decode_errors(path) == ""
    video, audio = recorder.durations(path)
    print(f"movie {os.path.basename(path)}: {video:.2f} s of picture, "
          f"{'no' if audio is None else f'{audio:.2f} s of'} sound, recorded {recorded:.2f} s")
    assert recorded - 0.3 - lost <= video <= recorded + 0.5 + went_on, (video, recorded, went_on)
    if sound:
        # Cut short by a kill or a full disk, the two tracks end where each last
        # reached the disk, a fragment's length apart at most.
        assert audio is not None and abs(audio - video) <= 0.1 + lost, (audio, video)
    return video


@pytest.mark.parametrize("sig", [signal.SIGTERM, signal.SIGHUP, signal.SIGINT])
def test_a_termination_signal_finishes_the_movie_and_then_quits(launch, x, pulse, sig):
    app = launch(prefs=PREFS, env=recorder.pulse_env(pulse))
    path, started = recorder.start_recording(app, x, CROP)
    wait_recorded(app, RECORD_FOR)
    app.proc.send_signal(sig)
    recorded = time.time() - started
    assert app.proc.wait(timeout=30) == 0
    app.wait_for_line(lines.recording_finished(path))
    check_movie(path, recorded)


def test_quit_in_the_status_menu_finishes_the_movie(launch, x, pulse):
    app = launch(prefs=PREFS, env=recorder.pulse_env(pulse))
    path, started = recorder.start_recording(app, x, CROP)
    wait_recorded(app, RECORD_FOR)
    read_at = time.time()
    recorder.quit_by_mouse(app, x)
    quit_at = app.wait_for_line(lines.recording_finished(path)) and time.time()
    assert app.proc.wait(timeout=30) == 0
    check_movie(path, read_at - started, went_on=quit_at - read_at)


def test_the_x_server_going_away_finishes_the_movie(launch, x, display, pulse):
    app = launch(prefs=PREFS, env=recorder.pulse_env(pulse))
    path, started = recorder.start_recording(app, x, CROP)
    wait_recorded(app, RECORD_FOR)
    server = display.procs[0]
    server.kill()
    recorded = time.time() - started
    server.wait()
    assert app.proc.wait(timeout=30) == 1
    app.wait_for_line(lines.recording_finished(path))
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
    path, started = recorder.start_recording(app, x, CROP)
    wait_recorded(app, 2)
    modules = subprocess.run(["pactl", "list", "short", "modules"], env=pulse.env, capture_output=True, text=True,
                             check=True).stdout
    sine = next(line.split()[0] for line in modules.splitlines() if "module-remap-source" in line)
    subprocess.run(["pactl", "unload-module", sine], env=pulse.env, check=True)
    app.wait_for_line(lines.notice(f"The microphone \u201c{recorder.SINE}\u201d went away; the recording goes on "
                                   "with silence."), timeout=20)
    lost = recorder.wait_bar(app, lambda s: s["microphone"].startswith("microphone-mute@recorder")
                             and "#d70202" not in s["microphone"])
    assert lost["state"] == "recording"
    lost_at = seconds(lost)
    wait_recorded(app, lost_at + 3)
    app.proc.send_signal(signal.SIGTERM)
    recorded = time.time() - started
    assert app.proc.wait(timeout=30) == 0
    video = check_movie(path, recorded)
    assert loudness(path, 0.2, 1.5) > -30
    assert loudness(path, lost_at + 1.5, video - 0.2) < -60


def test_a_killed_recording_is_recovered_at_the_next_start(launch, x, pulse):
    app = launch(prefs=PREFS, env=recorder.pulse_env(pulse))
    path, started = recorder.start_recording(app, x, CROP)
    wait_recorded(app, RECORD_FOR)
    app.proc.kill()
    recorded = time.time() - started
    app.proc.wait(timeout=30)
    # Nothing was finished: what is on disk is the recording as it was written.
    assert not os.path.exists(path)
    again = launch(prefs=PREFS, env=recorder.pulse_env(pulse), home=app.home)
    told = again.wait_for_line(
        lines.notice(lines.rx(r"A recording that was cut short is recovered: (.*?\.mov)(?:  \|  Close)?")), timeout=60)
    movie = told.group(1)
    assert os.path.dirname(movie) == recordings_folder(again)
    # A kill costs the fragment under way and the pictures still inside the encoder.
    check_movie(movie, recorded, lost=0.7)
    # Nothing else is left behind in the folder.
    assert sorted(os.listdir(recordings_folder(again))) == [os.path.basename(movie)]


@pytest.fixture
def small_disk():
    """A home whose temporary folder is a tmpfs of its own, small enough to fill."""
    home = tempfile.mkdtemp(prefix="qn-home-")
    tmp = os.path.join(home, "tmp")
    os.makedirs(tmp)
    if subprocess.run(["mount", "-t", "tmpfs", "-o", "size=160m", "tmpfs", tmp], capture_output=True).returncode:
        pytest.skip("cannot mount a tmpfs here")
    yield home, tmp
    subprocess.run(["umount", "-l", tmp], capture_output=True)


def test_a_disk_filled_by_another_program_keeps_a_playable_movie(launch, x, pulse, small_disk):
    home, tmp = small_disk
    app = launch(prefs=PREFS, env=recorder.pulse_env(pulse), home=home)
    path, started = recorder.start_recording(app, x, CROP)
    wait_recorded(app, RECORD_FOR)
    # Another program takes every byte that is left, a megabyte at a time; the
    # recording writes on meanwhile, so what is free is taken again until nothing is.
    # One allocation of everything would race with the recording: it fails when the
    # recording took a byte first and gives all it held back at once, and a movie then
    # finishes with room to spare.
    with open(os.path.join(tmp, "filler"), "wb") as filler:
        taken = 0
        for _ in range(10000):
            free = os.statvfs(tmp).f_bavail * os.statvfs(tmp).f_frsize
            if not free:
                break
            chunk = min(free, 1 << 20)
            try:
                os.posix_fallocate(filler.fileno(), taken, chunk)
                taken += chunk
            except OSError:
                pass
    recorded = time.time() - started
    assert os.statvfs(tmp).f_bavail == 0
    app.wait_for_line(lines.notice("The disk is full; the recording was stopped."), timeout=30)
    kept = app.wait_for_line(lines.notice(lines.rx(r"There was no room to finish the movie; it is kept, "
                                                   r"playable, at (.*?\.mov)(?:  \|  Close)?")), timeout=30)
    recorder.wait_bar(app, lambda s: s["state"] == "idle")
    check_movie(kept.group(1), recorded, lost=0.7)


def test_a_screen_unplugged_while_its_crop_records_finishes_the_movie(launch, x, two_screens, pulse):
    right = two_screens.monitors[1]
    app = launch(prefs=PREFS, env=recorder.pulse_env(pulse))
    # The crop on the second screen; the pointer starts there so the capture keys on it.
    x.move(right.x + 50, right.y + 50)
    path, started = recorder.start_recording(app, x, (right.x + 300, right.y + 200, 400, 300))
    wait_recorded(app, RECORD_FOR)
    subprocess.run(["xrandr", "--output", "DUMMY1", "--off"], env=two_screens.env, check=True)
    recorded = time.time() - started
    app.wait_for_line(lines.notice("The recording stopped: its screen is gone."), timeout=20)
    app.wait_for_line(r"^Recording finished: " + re.escape(path) + "$", timeout=30)
    # The program stays: the user goes on with the other screen.
    assert app.proc.poll() is None
    # The stream notices the screen going within a frame or two; that much may be lost.
    check_movie(path, recorded, lost=0.3)
