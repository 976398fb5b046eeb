"""The onboarding: it opens at first start with its looping video, walks its five pages with the
step dots, and "Got it" ends it for good; the status menu opens it again at any time."""
import os
import time

from harness import lines, screen
from harness.windows import ONBOARDING, centre_on_root, choose_more_info, last_report, origin, wait_line, wait_report

BLUE = (0x1D, 0x8A, 0xFF)


def controls(app):
    return wait_report(app, lines.onboarding_controls(), lambda f: "button" in f and "dots" in f)


def press_button(app, x):
    frames = last_report(app, lines.onboarding_controls())
    x.click(*centre_on_root(x, ONBOARDING, frames["button"]))


def media_picture(display, x, frames):
    ox, oy = origin(x, ONBOARDING)
    mx, my, mw, mh = frames["media"]
    return screen.grab(display).crop(ox + mx, oy + my, mw, mh)


def active_dot(display, x, frames):
    """Index of the blue dot, or None."""
    ox, oy = origin(x, ONBOARDING)
    dx, dy, dw, dh = frames["dots"]
    pic = screen.grab(display)
    found = []
    for i in range(dw // 12):
        r, g, b = pic.pixel(ox + dx + i * 12 + 2, oy + dy + dh // 2)
        if b > 200 and r < 120:
            found.append(i)
    return found


def test_first_start_walks_five_pages_and_got_it_ends_it_for_good(launch, x, display):
    app = launch()
    x.wait_window(ONBOARDING)
    wait_line(app, lines.onboarding_step(0, "Next"))
    frames = controls(app)
    assert frames["media"][2:] == (260, 468)
    assert "video" in frames

    # The video plays and loops: the column's picture changes, and it starts over at the end.
    wait_line(app, lines.onboarding_video_shown())
    first = media_picture(display, x, frames)
    deadline = time.time() + 10
    while media_picture(display, x, frames) == first:
        assert time.time() < deadline, "the video's frames never changed"
    wait_line(app, lines.onboarding_video_restarted(), timeout=15)
    assert active_dot(display, x, frames) == [0]

    for step, title in [(1, "Next"), (2, "Next"), (3, "Next"), (4, "Got it")]:
        since = len(app.lines)
        press_button(app, x)
        wait_line(app, lines.onboarding_step(step, title), since=since)
        frames = wait_report(app, lines.onboarding_controls(), lambda f: f"step{step + 1}" in f, since=since)
        assert "picture" in frames and "video" not in frames
        deadline = time.time() + 5
        while active_dot(display, x, frames) != [step]:
            assert time.time() < deadline, f"dot {step} never turned blue"

    # The last page's switch starts Quillnest at login.
    x.click(*centre_on_root(x, ONBOARDING, frames["openAtLogin"]))
    app.wait_for_line(lines.open_at_login("on"))
    assert os.path.exists(os.path.join(app.config_dir, "autostart", "quillnest.desktop"))

    press_button(app, x)
    app.wait_for_line(lines.onboarding_finished())
    app.wait_for_pref("needOnboarding", False)
    x.wait_window(ONBOARDING, present=False)
    app.stop()

    again = launch(home=app.home)
    again.wait_for_line(lines.started())
    assert not any(l.startswith("onboarding:") for l in again.lines)
    assert not x.windows(name=ONBOARDING)


def test_menu_opens_the_onboarding_after_it_was_finished(launch, x):
    app = launch(prefs={"needOnboarding": False})
    assert not x.windows(name=ONBOARDING)
    choose_more_info(app, x, "Onboarding")
    x.wait_window(ONBOARDING)
    wait_line(app, lines.onboarding_step(0, "Next"))
    wait_line(app, lines.onboarding_video_shown())
    # Closing it is not finishing it: the preference stays as it was, and the video stops.
    since = len(app.lines)
    x.close_window(x.wait_window(ONBOARDING)[0])
    x.wait_window(ONBOARDING, present=False)
    wait_line(app, lines.onboarding_video_stopped(), since=since)
    assert app.pref("needOnboarding") is False
    # Opened again, it plays again.
    since = len(app.lines)
    choose_more_info(app, x, "Onboarding")
    x.wait_window(ONBOARDING)
    wait_line(app, lines.onboarding_video_shown(), since=since)


def rss_kb(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    raise AssertionError("no VmRSS")


def cpu_ticks(pid):
    """User and system time of the whole process, in clock ticks."""
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])


def settled_rss_kb(app, within_kb=1024, timeout=15):
    """The program's RSS once it has stopped moving (two readings 0.5 s apart within
    `within_kb`); the program is busy with nothing then."""
    deadline = time.time() + timeout
    last = rss_kb(app.pid)
    while time.time() < deadline:
        time.sleep(0.5)
        now = rss_kb(app.pid)
        if abs(now - last) <= within_kb:
            return now
        last = now
    return last


def test_window_destroyed_behind_its_back_stops_and_frees_the_video(launch, x):
    # What the same program holds without the onboarding, to come back to.
    plain = launch(prefs={"needOnboarding": False})
    idle = settled_rss_kb(plain)
    plain.stop()

    app = launch()
    wid = x.wait_window(ONBOARDING)[0]
    wait_line(app, lines.onboarding_video_shown())
    wait_line(app, lines.onboarding_video_restarted(), timeout=15)  # it loops while shown
    playing = rss_kb(app.pid)

    # As a crashing window manager or `xdotool windowclose` does: the window is gone
    # without a close request, so the program only sees it leave the screen.
    since = len(app.lines)
    x.destroy_window(wid)
    wait_line(app, lines.onboarding_video_stopped(), since=since)

    # Within a second it is idle. Longer than one round of the video (7 s) passes
    # after that without a restart, the CPU time stays flat, and the memory the
    # player held is given back.
    start = time.time()
    ticks = cpu_ticks(app.pid)
    rss = playing
    while time.time() - start < 8:
        time.sleep(0.2)
        rss = rss_kb(app.pid)
    used = cpu_ticks(app.pid) - ticks
    hz = os.sysconf("SC_CLK_TCK")
    assert used <= 0.01 * 8 * hz, f"{used} ticks in 8 s after the window went"
    assert not any(line.startswith("onboarding: video restarted") for line in app.lines[since:])
    # Most of what the video took is given back (bench/onboarding_idle.py measures how
    # close to the plain idle it comes).
    assert rss - idle < (playing - idle) / 2, f"RSS {rss} kB, idle {idle} kB, while playing {playing} kB"

    # Gone for the program too: the menu opens a new window, which plays again.
    since = len(app.lines)
    choose_more_info(app, x, "Onboarding")
    x.wait_window(ONBOARDING)
    wait_line(app, lines.onboarding_video_shown(), since=since)
