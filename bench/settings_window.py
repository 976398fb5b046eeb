#!/usr/bin/env python3
"""How fast the settings window opens and switches pages, beside how fast the status menu opens.

Starts Quillnest under Xvfb (openbox, trayer, a fresh HOME) once per run and measures:
  - status menu: from the click on the tray icon to the menu's window being mapped (X event);
  - settings window: from choosing "Settings" in the menu (the Return key) to the first page
    painted and handed to the X server, as the program reports it ("opened"), and as seen from
    outside (the Return key to that report arriving);
  - page switch: from a click on a sidebar row to the new page painted (program's report);
  - which shared libraries opening the window mapped (it must not bring in the recorder's media
    back ends or the OCR engine).

    bench/settings_window.py [--binary PATH] [--runs N]

Targets: window open <= 150 ms, page switch <= 50 ms (medians).
"""
import argparse
import os
import re
import statistics
import sys
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))

from Xlib import X as XC  # noqa: E402
from Xlib import display as xdisplay  # noqa: E402

from harness.app import Quillnest  # noqa: E402
from harness.display import Display  # noqa: E402
from harness import lines  # noqa: E402
from harness.windows import SettingsWindow, wait_line  # noqa: E402
from harness.x import X  # noqa: E402
import benchlib  # noqa: E402

OPEN_TARGET_MS = 150
SWITCH_TARGET_MS = 50
PAGES = ["Notifications", "Appearance", "Settings", "Hotkeys", "About", "Cloud account"]
HEAVY = re.compile(r"tesseract|lept|gst|avcodec|avformat|multimediawidgets|ffmpegmediaplugin", re.I)


class MapWatcher:
    """Times MapNotify events of top-level windows (menus, frames) on the root."""

    def __init__(self, name):
        self.d = xdisplay.Display(name)
        self.d.screen().root.change_attributes(event_mask=XC.SubstructureNotifyMask)
        self.d.sync()
        self.maps = []
        self._stop = False
        self.thread = threading.Thread(target=self._run, daemon=True)
        self.thread.start()

    def _run(self):
        while not self._stop:
            while self.d.pending_events():
                ev = self.d.next_event()
                if ev.type == XC.MapNotify:
                    self.maps.append((time.perf_counter(), ev.window.id, ev.override))
            time.sleep(0.0005)

    def wait_map(self, after, override, timeout=10):
        deadline = time.time() + timeout
        while time.time() < deadline:
            for t, wid, ovr in list(self.maps):
                if t >= after and bool(ovr) == override:
                    return t
            time.sleep(0.001)
        raise AssertionError("no window was mapped")

    def close(self):
        self._stop = True
        self.thread.join(timeout=1)
        self.d.close()


def libraries(pid):
    with open(f"/proc/{pid}/maps") as f:
        return {line.split()[-1] for line in f if ".so" in line}


def one_run(binary):
    display = Display()
    x = X(display)
    watcher = MapWatcher(display.name)
    os.environ["QUILLNEST_BIN"] = binary
    app = Quillnest(display, prefs={"needOnboarding": False})
    try:
        app.wait_for_line(lines.started())
        icon = app.tray_icon(x)
        gx, gy, w, h = x.geometry(icon)
        x.move(gx + w // 2, gy + h // 2)
        before_libs = libraries(app.pid)
        t0 = time.perf_counter()
        x.click()
        menu_ms = (watcher.wait_map(t0, override=True) - t0) * 1000
        items = [i for i in app.menu() if not i.get("separator")]
        for _ in range([i["title"] for i in items].index("Settings") + 1):
            x.key("Down")
        since = len(app.lines)
        t1 = time.perf_counter()
        x.key("Return")
        line = wait_line(app, lines.page_timed("opened"), since=since)
        seen_ms = (time.perf_counter() - t1) * 1000
        open_ms = float(re.search(r"in ([\d.]+) ms", line).group(1))
        added = sorted(os.path.basename(p) for p in libraries(app.pid) - before_libs if HEAVY.search(p))
        window = SettingsWindow(app, x).wait_open()
        switches = []
        for page in PAGES:
            since = len(app.lines)
            window.show(page)
            line = wait_line(app, lines.page_timed("switched"), since=since)
            switches.append(float(re.search(r"in ([\d.]+) ms", line).group(1)))
        return menu_ms, open_ms, seen_ms, switches, added
    finally:
        app.cleanup()
        watcher.close()
        display.close()


def summary(values):
    values = sorted(values)
    p90 = values[min(len(values) - 1, int(round(0.9 * (len(values) - 1))))]
    return f"median {statistics.median(values):6.1f} ms   p90 {p90:6.1f} ms   max {values[-1]:6.1f} ms"


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--binary", default=benchlib.default_binary())
    ap.add_argument("--runs", type=int, default=8)
    args = ap.parse_args()
    menus, opens, seen, switches, heavy = [], [], [], [], set()
    for _ in range(args.runs):
        m, o, s, sw, added = one_run(args.binary)
        menus.append(m)
        opens.append(o)
        seen.append(s)
        switches += sw
        heavy.update(added)
    print(f"status menu open (click -> mapped):          {summary(menus)}")
    print(f"settings window open (program's own count):  {summary(opens)}   target <= {OPEN_TARGET_MS} ms")
    print(f"settings window open (key -> report seen):   {summary(seen)}")
    print(f"page switch (click handled -> painted):      {summary(switches)}   target <= {SWITCH_TARGET_MS} ms")
    print("libraries mapped by opening the window:     " + (", ".join(sorted(heavy)) or "none of the recorder's or OCR's"))
    ok = statistics.median(opens) <= OPEN_TARGET_MS and statistics.median(switches) <= SWITCH_TARGET_MS and not heavy
    print("PASS" if ok else "FAIL")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
