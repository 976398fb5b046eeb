"""Start-up and the files the program keeps: one program per display, a clear exit
without X11, preferences that cannot be saved, a home folder whose name is not UTF-8,
a planted link at the kept capture, an oversized dropped file, an oversized logo and a
save to a full disk."""
import os
import shutil
import stat
import subprocess
import tempfile
import time

import pytest

from harness import lines
from harness.app import binary, copied_picture, drag_crop, open_capture, wait_capture_closed, wait_focus_in
from test_cloud_drop import drop, make_image
from test_cloud_upload import API, SIGNED_IN, api_requests, signed_in

PREFS = {"needOnboarding": False}


def launch_over_mount(launch, monkeypatch, tmp_path, folder, mount, prefs):
    """Starts the program in a mount namespace of its own, once the shell command `mount`
    has put a file system of the test's making at `folder` of a fresh home ("$1" in the
    command). Returns the program and the folder's path."""
    wrapper = tmp_path / "mount-first"
    wrapper.write_text("#!/bin/sh\nexec unshare -m sh -c '" + mount +
                       ' && exec "$2"\' sh "$QN_MOUNT_DIR" "$QN_REAL_BIN"\n')
    wrapper.chmod(0o755)
    real = binary()
    monkeypatch.setenv("QUILLNEST_BIN", str(wrapper))
    home = tempfile.mkdtemp(prefix="qn-home-")
    path = os.path.join(home, folder)
    os.makedirs(path)
    return launch(prefs=prefs, home=home, env={"QN_MOUNT_DIR": path, "QN_REAL_BIN": real}), path


@pytest.mark.parametrize("env", [{}, {"WAYLAND_DISPLAY": "wayland-0"}, {"DISPLAY": ":97"}],
                         ids=["no-display", "wayland-only", "display-gone"])
def test_without_an_x11_display_it_says_so_and_exits_with_1(env):
    home = tempfile.mkdtemp(prefix="qn-home-")
    try:
        run_env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
        run_env.update(HOME=home, XDG_RUNTIME_DIR=home, **env)
        out = subprocess.run([binary()], env=run_env, capture_output=True, text=True, timeout=30)
        assert out.returncode == 1
        printed = (out.stdout + out.stderr).strip().splitlines()
        assert len(printed) == 1 and lines.needs_x11().fullmatch(printed[0]), printed
    finally:
        shutil.rmtree(home, ignore_errors=True)


def test_a_second_launch_hands_over_to_the_first(launch, x, display):
    first = launch(prefs=PREFS)
    first.tray_icon(x)
    second = launch(home=first.home, wait=False)
    second.wait_for_line(lines.already_running())
    assert second.proc.wait(timeout=10) == 0
    first.wait_for_line(lines.launch_handed_over())
    # One tray icon, the hot key still the first one's, and no word about it being taken.
    assert not second.alive()
    first.tray_icon(x)
    assert not [n for n in first.notices() if "used by another program" in n]
    open_capture(first, x)
    x.key("Escape")
    wait_capture_closed(first, x)
    # Once the first has gone, a launch runs again (its lock does not outlive it).
    first.stop()
    third = launch(home=first.home)
    assert third.alive()


@pytest.mark.skipif(os.geteuid() != 0, reason="a read-only mount needs a mount namespace of our own")
def test_preferences_that_cannot_be_saved_are_reported_once(launch, x, display, monkeypatch, tmp_path):
    # The preferences folder on a read-only mount: even root cannot write there.
    app, _ = launch_over_mount(launch, monkeypatch, tmp_path, os.path.join(".config", "Quillnest"),
                               'mount --bind "$1" "$1" && mount -o remount,ro,bind "$1" "$1"', PREFS)
    app.wait_for_line(lines.preferences_not_saved(reason="Read-only file system"))
    app.wait_for_line(lines.notice("Settings can't be saved: Read-only file system"))
    app.choose(x, "Autoupload to cloud")
    app.wait_for_menu(lambda m: any(i.get("title") == "Autoupload to cloud" and i["checked"] for i in m))
    app.choose(x, "Autoupload to cloud")
    app.wait_for_menu(lambda m: any(i.get("title") == "Autoupload to cloud" and not i["checked"] for i in m))
    assert len([n for n in app.notices() if n.startswith("Settings can't be saved")]) == 1
    assert len([l for l in app.lines if lines.preferences_not_saved().fullmatch(l)]) == 1
    assert app.pref("autoUpload") is None  # the file was never written


def test_a_home_folder_whose_name_is_not_utf8_keeps_its_files_there(launch, x, display):
    parent = tempfile.mkdtemp(prefix="qn-home-")
    home = os.path.join(parent, os.fsdecode(b"caf\xe9-\xff"))
    os.makedirs(home)
    try:
        app = launch(prefs=PREFS, home=home)
        app.choose(x, "Sound Notifications ON/OFF")
        app.wait_for_pref("isMuted", True)  # in the very file under the real folder
        open_capture(app, x)
        drag_crop(app, x)
        x.key("ctrl+c")
        x.wait_clipboard(lambda v: v.startswith(b"\x89PNG"), target="image/png")
        wait_capture_closed(app, x)
        kept = os.path.join(home, ".cache", "Quillnest", "last-screenshot.png")
        deadline_ok = _wait_file(kept)
        assert deadline_ok, [os.path.join(d, f) for d, _, fs in os.walk(parent) for f in fs] + app.lines[-5:]
        # Nothing went to a folder with a mangled name beside it.
        assert os.listdir(parent) == [os.path.basename(home)]
    finally:
        shutil.rmtree(parent, ignore_errors=True)


def _wait_file(path, timeout=10):
    deadline = time.time() + timeout
    while time.time() < deadline:
        if os.path.isfile(path) and not os.path.islink(path):
            return True
        time.sleep(0.05)
    return False


def test_the_kept_capture_never_writes_through_a_planted_link(launch, x, display):
    app = launch(prefs=PREFS)
    elsewhere = os.path.join(app.home, "elsewhere")
    os.makedirs(elsewhere)
    os.chmod(elsewhere, 0o755)
    cache = os.path.join(app.home, ".cache")
    os.makedirs(cache, exist_ok=True)
    # The cache folder is a link (its target must keep its mode), and the file in it a
    # link to a file of the user's (which must keep its content).
    os.symlink(elsewhere, os.path.join(cache, "Quillnest"))
    victim = os.path.join(app.home, "victim.txt")
    with open(victim, "w") as f:
        f.write("precious")
    planted = os.path.join(elsewhere, "last-screenshot.png")
    os.symlink(victim, planted)

    open_capture(app, x)
    drag_crop(app, x)
    copied_picture(app, x, display)
    assert _wait_file(planted)
    with open(planted, "rb") as f:
        assert f.read(8) == b"\x89PNG\r\n\x1a\n"
    with open(victim) as f:
        assert f.read() == "precious"
    assert stat.S_IMODE(os.stat(elsewhere).st_mode) == 0o755
    assert stat.S_IMODE(os.lstat(planted).st_mode) == 0o600


def test_an_oversized_dropped_file_is_refused_with_a_notice(launch, x, display, cloud):
    app = signed_in(launch, cloud)
    # A real GIF, then 101 MB of nothing after its end (a sparse file: no disk used).
    big = make_image(app, display, "huge.gif", size="16x16")
    with open(big, "r+b") as f:
        f.truncate(101 * 1024 * 1024)
    requests = len(api_requests(cloud))
    assert drop(app, x, display, big)
    app.wait_for_line(lines.notice("File too large: over 100 MB Info  |  Ok."))
    assert len(api_requests(cloud)) == requests
    assert app.alive()


def test_an_oversized_logo_is_neither_read_at_start_up_nor_drawn(launch, x, tmp_path):
    logo = tmp_path / "logo.png"
    with open(logo, "wb") as f:
        f.truncate(3 * 1024 ** 3)  # sparse: 3 GiB that cost nothing to make
    app = launch(prefs=dict(PREFS, logo=b'"' + str(logo).encode() + b'"'))

    def peak_kb():
        with open(f"/proc/{app.pid}/status") as f:
            return next(int(l.split()[1]) for l in f if l.startswith("VmHWM:"))

    # Reading it through would have taken gigabytes at the start already.
    assert peak_kb() < 1024 * 1024
    # A capture with the watermark falls back to the default logo.
    open_capture(app, x)
    drag_crop(app, x)
    x.key("ctrl+c")
    x.wait_clipboard(lambda v: v.startswith(b"\x89PNG"), target="image/png")
    wait_capture_closed(app, x)
    assert peak_kb() < 1024 * 1024
    assert app.alive()


@pytest.mark.skipif(os.geteuid() != 0, reason="a full disk needs a mount namespace of our own")
def test_a_save_to_a_full_disk_names_the_reason_and_offers_the_capture(launch, x, display, monkeypatch, tmp_path):
    # A tiny file system, filled up before the program starts, where the save goes.
    app, full = launch_over_mount(launch, monkeypatch, tmp_path, "full",
                                  'mount -t tmpfs -o size=64k none "$1" && '
                                  '{ head -c 1M /dev/zero > "$1/filler" 2>/dev/null; true; }',
                                  dict(PREFS, localWatermark=False))
    open_capture(app, x)
    drag_crop(app, x)
    x.key("ctrl+s")
    dialog = x.wait_window("^Save$")
    wait_focus_in(x, dialog, time.time() + 10)
    x.key("ctrl+a")
    x.type(os.path.join(full, "shot.png"))
    x.key("Return")
    app.wait_for_line(lines.save_failed(lines.ending("shot.png"), "No space left on device"))
    app.wait_for_line(lines.notice("Not saved: No space left on device Info  |  Save to your Computer  |  Close"))
