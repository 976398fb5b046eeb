"""The settings and onboarding windows: where their controls are, read from the program's
diagnostic lines (X11 cannot see child widgets), placed on the root through the window's
own position."""
import re
import time

from . import lines

SETTINGS = "Quillnest - Settings"
ONBOARDING = "Quillnest - Onboarding"


def last_report(app, heading):
    """The frames of the latest controls report under `heading`, window-relative."""
    rx = lines.controls(heading)
    for line in reversed(list(app.lines)):
        if m := rx.match(line):
            return lines.control_frames(m.group(1))
    return None


def wait_report(app, heading, predicate=lambda frames: True, timeout=10, since=0):
    """Waits for a controls report under `heading` after output line `since` that
    satisfies predicate(frames)."""
    rx = lines.controls(heading)
    deadline = time.time() + timeout
    while time.time() < deadline:
        for line in reversed(list(app.lines)[since:]):
            m = rx.match(line)
            if m and m.group(1) is not None:
                frames = lines.control_frames(m.group(1))
                if predicate(frames):
                    return frames
                break
        time.sleep(0.03)
    raise AssertionError(f"no report {heading!r} matched; last: {last_report(app, heading)!r}")


def origin(x, title):
    """Top-left corner of the window's client area on the root."""
    wids = x.wait_window(title)
    gx, gy, _, _ = x.geometry(wids[0])
    return gx, gy


def centre_on_root(x, title, frame):
    ox, oy = origin(x, title)
    fx, fy, fw, fh = frame
    return ox + fx + fw // 2, oy + fy + fh // 2


def page_prefix(page):
    return lines.settings_page(page)


class SettingsWindow:
    """Drives the settings window like a user: sidebar rows and page controls by name."""

    def __init__(self, app, x):
        self.app, self.x = app, x

    def wait_open(self):
        self.x.wait_window(SETTINGS)
        wait_report(self.app, lines.settings_window(), lambda f: any(k.startswith("sidebar:") for k in f))
        return self

    def mark(self):
        return len(self.app.lines)

    def show(self, page):
        """Clicks the page's sidebar row and waits until the page reports its controls."""
        frames = last_report(self.app, lines.settings_window())
        self.x.click(*centre_on_root(self.x, SETTINGS, frames["sidebar:" + page.replace(" ", "_")]))
        return wait_report(self.app, page_prefix(page), since=0)

    def controls(self, page):
        frames = last_report(self.app, page_prefix(page))
        if frames is None:
            raise AssertionError(f"page {page!r} has not reported its controls")
        return frames

    def click(self, page, name):
        frames = self.controls(page)
        if name not in frames:
            raise AssertionError(f"no control {name!r} on {page!r}: {sorted(frames)}")
        self.x.click(*centre_on_root(self.x, SETTINGS, frames[name]))

    def focus(self):
        """Gives the settings window the keyboard focus (as a click on its title would)."""
        wid = self.x.wait_window(SETTINGS)[0]
        self.x._xdo("windowactivate", "--sync", wid, check=False)
        self.x._xdo("windowfocus", "--sync", wid, check=False)


def wait_line(app, pattern, since=0, timeout=10):
    rx = re.compile(pattern)
    deadline = time.time() + timeout
    while time.time() < deadline:
        for line in list(app.lines)[since:]:
            if rx.search(line):
                return line
        time.sleep(0.03)
    raise AssertionError(f"no line {pattern!r} after {since}; last lines:\n" + "\n".join(app.lines[-30:]))


def popups(app, x):
    return x.popups(app.pid)


def choose_more_info(app, x, title):
    """Picks an item of the "More info" submenu from the keyboard."""
    app.choose(x, "More info", title)
