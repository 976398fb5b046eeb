"""The custom watermark logo: chosen from a file on the Appearance page, decoded and measured
before it is taken, kept as PNG in the user's data folder; refused files show the warning for
3 s and change nothing; a logo that vanished is forgotten."""
import json
import os
import subprocess
import time

from harness import lines
from harness.windows import SettingsWindow, page_prefix, wait_line, wait_report

DIALOG = "Choose a logo"


def make_png(path, width, height, density=None):
    cmd = ["convert", "-size", f"{width}x{height}", "xc:#1C6AFF", "-fill", "white",
           "-draw", f"circle {width // 2},{height // 2} {width // 2},{height // 4}"]
    if density:
        cmd += ["-units", "PixelsPerInch", "-density", str(density)]
    subprocess.run(cmd + [path], check=True)
    return path


def choose_file(app, x, window, path):
    since = len(app.lines)
    window.click("Appearance", "logoButton")
    wait_line(app, lines.logo_dialog_shown(), since=since)
    dialog = x.wait_window(DIALOG)[0]
    x._xdo("windowactivate", "--sync", dialog, check=False)
    x.type(path)
    x.key("Return")
    x.wait_window(DIALOG, present=False)
    # The window manager hands the focus back to the settings window on its own time; a
    # click sent while it does could be lost, so it is given back here as a user would.
    window.focus()
    return since


def wait_warning(app, since, first_line):
    # Timed by when the program printed each line, not by when this test got round to
    # looking: choosing the file may still be busy when the warning appears.
    shown = wait_line(app, lines.logo_warning_shown(), since=since)
    assert first_line in shown, shown
    wait_line(app, lines.logo_warning_hidden(), since=since, timeout=8)
    return app.time_of(since, lines.logo_warning_hidden()) - app.time_of(since, lines.logo_warning_shown())


def open_appearance(app, x):
    app.choose(x, "Settings")
    window = SettingsWindow(app, x).wait_open()
    window.show("Appearance")
    return window


def test_a_png_is_kept_as_png_in_the_data_folder_and_deleting_leaves_the_file(launch, x, tmp_path):
    app = launch(prefs={"needOnboarding": False})
    window = open_appearance(app, x)
    # 320×320 pixels at 144 dpi is 160×160 points: within the limit.
    chosen = make_png(str(tmp_path / "retina.png"), 320, 320, density=144)
    since = choose_file(app, x, window, chosen)
    wait_line(app, lines.logo("set"), since=since)
    # Stored as the JSON text of the path.
    path = json.loads(app.pref("logo"))
    assert path == os.path.join(app.home, ".local", "share", "Quillnest", "custom-logo.png")
    with open(path, "rb") as f:
        assert f.read(8) == b"\x89PNG\r\n\x1a\n"
    # The event is logged a turn of the event loop after the logo is set.
    wait_line(app, lines.analytics(lines.rx('.*"add_custom_logo".*')), since=since)

    # The button now deletes: the preference becomes null, the file stays.
    since = len(app.lines)
    window.click("Appearance", "logoButton")
    wait_line(app, lines.logo("none"), since=since)
    app.wait_for_pref("logo", b"null")
    assert os.path.exists(path)
    deadline = time.time() + 5
    while not app.events("delete_custom_logo") and time.time() < deadline:
        time.sleep(0.05)
    assert app.events("delete_custom_logo")


def test_refused_files_warn_for_3_s_and_change_nothing(launch, x, tmp_path):
    app = launch(prefs={"needOnboarding": False})
    window = open_appearance(app, x)
    not_image = tmp_path / "notes.png"
    not_image.write_text("this is not a picture\n")
    too_wide = make_png(str(tmp_path / "wide.png"), 161, 160)
    too_tall = make_png(str(tmp_path / "tall.jpg"), 160, 161)
    for path, text in [(str(not_image), "This file is not an image"),
                       (too_wide, "You are trying to upload"),
                       (too_tall, "You are trying to upload")]:
        since = choose_file(app, x, window, path)
        seconds = wait_warning(app, since, text)
        assert 2.0 < seconds < 5.0, seconds
        assert app.pref("logo") in (None, b"null")
        assert not any(lines.logo("set").match(l) for l in app.lines[since:])
    data_dir = os.path.join(app.home, ".local", "share", "Quillnest")
    assert not os.path.exists(os.path.join(data_dir, "custom-logo.png"))

    # Exactly 160×160 passes.
    since = choose_file(app, x, window, make_png(str(tmp_path / "ok.png"), 160, 160))
    wait_line(app, lines.logo("set"), since=since)


def test_a_logo_removed_behind_the_programs_back_is_forgotten(launch, x, tmp_path):
    app = launch(prefs={"needOnboarding": False})
    window = open_appearance(app, x)
    since = choose_file(app, x, window, make_png(str(tmp_path / "a.png"), 64, 64))
    wait_line(app, lines.logo("set"), since=since)
    os.remove(json.loads(app.pref("logo")))
    window.show("Notifications")
    since = len(app.lines)
    window.show("Appearance")
    wait_line(app, lines.logo("none"), since=since)
    app.wait_for_pref("logo", b"null")
