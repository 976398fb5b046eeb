#!/usr/bin/env python3
"""Resident memory of Quillnest with the capture overlay open at 3840x2160, and after
50 open/close cycles (hot key, overlay up, Esc, overlay gone).

Usage: bench/overlay_memory.py [--build build-dev] [--cycles 50]
Prints RSS (from /proc/PID/status) idle, with the overlay open, after the cycles,
and the growth over the cycles (target: at most 2 MB), split into heap and other
private memory, pages of shared libraries and shared memory.

The cycles start only once the program has settled (--settle seconds after
start): the first refresh of the device lists, 10 s after start, loads the
multimedia libraries, which is start-up and not growth of the overlay.
"""
import argparse
import os
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
from harness import lines  # noqa: E402
from harness.app import Quillnest, open_capture, wait_capture_closed  # noqa: E402
from harness.display import Display  # noqa: E402
from harness.x import X  # noqa: E402
import benchlib  # noqa: E402


def rss_kb(pid):
    return benchlib.status_kb(pid).get("VmRSS", 0)


def cycle(app, x):
    open_capture(app, x)
    x.key("Escape")
    wait_capture_closed(app, x)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", default=os.path.join(ROOT, "build-dev"))
    ap.add_argument("--cycles", type=int, default=50)
    ap.add_argument("--settle", type=float, default=12.0, help="seconds after start before the first cycle")
    args = ap.parse_args()
    os.environ["QUILLNEST_BIN"] = os.path.join(args.build, "bin", "quillnest")
    d = Display(width=3840, height=2160)
    app = None
    try:
        x = X(d)
        app = Quillnest(d, prefs={"needOnboarding": False})
        app.wait_for_line(lines.started())
        started = time.time()
        time.sleep(1)
        idle = rss_kb(app.pid)
        time.sleep(max(0.0, started + args.settle - time.time()))
        # A few cycles first, so caches that fill once (fonts, cursors) are not counted as growth.
        for _ in range(3):
            cycle(app, x)
        open_capture(app, x)
        time.sleep(0.5)
        open_rss = rss_kb(app.pid)
        x.key("Escape")
        wait_capture_closed(app, x)
        time.sleep(0.5)
        before = benchlib.status_kb(app.pid)
        start = before.get("VmRSS", 0)
        for _ in range(args.cycles):
            cycle(app, x)
        time.sleep(1)
        after = benchlib.status_kb(app.pid)
        end = after.get("VmRSS", 0)
        print(f"idle RSS                 {idle / 1024:8.1f} MB")
        print(f"overlay open (4K) RSS    {open_rss / 1024:8.1f} MB")
        print(f"after warm-up RSS        {start / 1024:8.1f} MB")
        print(f"after {args.cycles} cycles RSS     {end / 1024:8.1f} MB")
        print(f"growth over {args.cycles} cycles   {(end - start) / 1024:8.1f} MB (target <= 2.0)")
        parts = ", ".join(f"{key[3:].lower()} {(after.get(key, 0) - before.get(key, 0)) / 1024:+.1f}"
                          for key in ("RssAnon", "RssFile", "RssShmem"))
        print(f"  of which (MB)          {parts}")
    finally:
        if app:
            app.cleanup()
        d.close()


if __name__ == "__main__":
    main()
