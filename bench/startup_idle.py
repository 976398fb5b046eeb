#!/usr/bin/env python3
"""Start-up time and idle memory of Quillnest.

Starts the program under Xvfb (with openbox and trayer, as the end-to-end tests
do) with a fresh HOME, measures the time from launch until its icon is shown in
the tray, waits, and reads the resident memory from /proc/PID/smaps_rollup.

    bench/startup_idle.py [--binary PATH] [--runs N] [--idle SECONDS]

Target: idle RSS at most 40 MB.
"""
import argparse
import os
import statistics
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))

from harness.app import Quillnest  # noqa: E402
from harness.display import Display  # noqa: E402
import benchlib  # noqa: E402

TARGET_RSS_MB = 40


def icon_shown(display, pid):
    """Whether the program's tray icon window is mapped (trayer embeds it at 22x22)."""
    out = display.run(["xdotool", "search", "--onlyvisible", "--pid", str(pid), "--name", "^Quillnest$"],
                      check=False).stdout.split()
    for wid in out:
        geo = display.run(["xdotool", "getwindowgeometry", wid], check=False).stdout.decode()
        for line in geo.splitlines():
            if "Geometry:" in line:
                w, h = (int(v) for v in line.split(":")[1].strip().split("x"))
                if w <= 64 and h <= 64:
                    return True
    return False


def smaps_rollup(pid):
    values = {}
    with open(f"/proc/{pid}/smaps_rollup") as f:
        for line in f:
            parts = line.split()
            if len(parts) >= 3 and parts[2] == "kB":
                values[parts[0].rstrip(":")] = int(parts[1])
    return values


def one_run(display, idle, onboarding):
    prefs = None if onboarding else {"needOnboarding": False, "isFirstRun": False}
    start = time.monotonic()
    app = Quillnest(display, prefs=prefs)
    try:
        deadline = start + 30
        while not icon_shown(display, app.pid):
            if time.monotonic() > deadline or not app.alive():
                raise RuntimeError("the tray icon never appeared:\n" + "\n".join(app.lines[-20:]))
            time.sleep(0.002)
        shown_ms = (time.monotonic() - start) * 1000
        time.sleep(idle)
        mem = smaps_rollup(app.pid)
        return shown_ms, mem["Rss"] / 1024, mem.get("Pss", 0) / 1024
    finally:
        app.cleanup()


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--binary", default=None)
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--idle", type=float, default=30.0, help="seconds to wait before reading memory")
    args = parser.parse_args()
    os.environ["QUILLNEST_BIN"] = os.path.abspath(args.binary or benchlib.default_binary())
    print(f"binary: {os.environ['QUILLNEST_BIN']}")

    display = Display()
    try:
        for onboarding in (False, True):
            label = "first launch (onboarding window open)" if onboarding else "regular launch"
            results = [one_run(display, args.idle, onboarding) for _ in range(args.runs)]
            shown = [r[0] for r in results]
            rss = [r[1] for r in results]
            pss = [r[2] for r in results]
            print(f"{label}, {args.runs} runs:")
            print(f"  launch to tray icon shown: median {statistics.median(shown):.0f} ms "
                  f"(min {min(shown):.0f}, max {max(shown):.0f})")
            print(f"  idle RSS after {args.idle:.0f} s: median {statistics.median(rss):.1f} MB "
                  f"(min {min(rss):.1f}, max {max(rss):.1f}); PSS median {statistics.median(pss):.1f} MB; "
                  f"target <= {TARGET_RSS_MB} MB: {'met' if statistics.median(rss) <= TARGET_RSS_MB else 'NOT met'}")
    finally:
        display.close()


if __name__ == "__main__":
    main()
