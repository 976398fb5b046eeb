#!/usr/bin/env python3
"""Start-up time and idle memory of Quillnest.

Starts the program under Xvfb (with openbox and trayer, as the end-to-end tests
do) with a fresh HOME, measures the time from launch until its icon is shown in
the tray, waits, and reads the resident memory from /proc/PID/smaps_rollup.

    bench/startup_idle.py [--binary PATH] [--runs N] [--idle SECONDS]
                          [--variant NAME=BUILD_DIR ...] [--breakdown N]

--variant adds another build to the same run (runs alternate between builds, so a
busy machine weighs on each alike); --breakdown prints where the idle RSS of each
build's last run lies: the N largest mapped files and the groups they fall in.

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


def smaps_by_mapping(pid):
    """Resident kB per mapped file (anonymous mappings under their bracketed names)."""
    totals = {}
    name = None
    with open(f"/proc/{pid}/smaps") as f:
        for line in f:
            head = line.split()
            if not head:
                continue
            if "-" in head[0] and not head[0].endswith(":"):
                name = head[5] if len(head) > 5 else "[anonymous]"
            elif head[0] == "Rss:":
                totals[name] = totals.get(name, 0) + int(head[1])
    return totals


GROUPS = (
    ("Qt", lambda n: "/libQt6" in n or "/qt6/plugins/" in n),
    ("GStreamer", lambda n: "gstreamer" in n or "/libgst" in n or "/liborc" in n),
    ("FFmpeg", lambda n: any(f"/lib{x}" in n for x in ("avcodec", "avformat", "avutil", "swscale",
                                                          "swresample", "avfilter", "avdevice"))),
    ("anonymous", lambda n: not n.startswith("/")),
    ("program", lambda n: n.endswith("/quillnest")),
)


def group_of(name):
    for group, test in GROUPS:
        if test(name):
            return group
    return "other files"


def print_breakdown(label, totals, top):
    whole = sum(totals.values())
    print(f"  {label}: where the idle RSS lies ({whole / 1024:.1f} MB)")
    groups = {}
    for name, kb in totals.items():
        groups[group_of(name)] = groups.get(group_of(name), 0) + kb
    print("    " + ", ".join(f"{g} {kb / 1024:.1f}" for g, kb in sorted(groups.items(), key=lambda x: -x[1])))
    for name, kb in sorted(totals.items(), key=lambda x: -x[1])[:top]:
        print(f"    {kb / 1024:6.1f} MB  {name}")


def one_run(display, binary, idle, onboarding):
    os.environ["QUILLNEST_BIN"] = binary
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
        return shown_ms, mem["Rss"] / 1024, mem.get("Pss", 0) / 1024, smaps_by_mapping(app.pid)
    finally:
        app.cleanup()


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--binary", default=None)
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--idle", type=float, default=30.0, help="seconds to wait before reading memory")
    parser.add_argument("--variant", action="append", default=[],
                        help="another build in the same run: name=build-dir (e.g. before=/tmp/main-build)")
    parser.add_argument("--breakdown", type=int, default=0, metavar="N",
                        help="print the N largest mappings of each build's last idle run")
    args = parser.parse_args()
    builds = [("quillnest", os.path.abspath(args.binary or benchlib.default_binary()))]
    for spec in args.variant:
        name, _, build = spec.partition("=")
        builds.append((name, os.path.abspath(os.path.join(build, "bin", "quillnest"))))
    for name, binary in builds:
        print(f"{name}: {binary}")

    display = Display()
    try:
        for onboarding in (False, True):
            label = "first launch (onboarding window open)" if onboarding else "regular launch"
            results = {name: [] for name, _ in builds}
            for _ in range(args.runs):
                for name, binary in builds:
                    results[name].append(one_run(display, binary, args.idle, onboarding))
            print(f"{label}, {args.runs} runs:")
            for name, _ in builds:
                shown = [r[0] for r in results[name]]
                rss = [r[1] for r in results[name]]
                pss = [r[2] for r in results[name]]
                print(f" {name}:")
                print(f"  launch to tray icon shown: median {statistics.median(shown):.0f} ms "
                      f"(min {min(shown):.0f}, max {max(shown):.0f})")
                print(f"  idle RSS after {args.idle:.0f} s: median {statistics.median(rss):.1f} MB "
                      f"(min {min(rss):.1f}, max {max(rss):.1f}); PSS median {statistics.median(pss):.1f} MB; "
                      f"target <= {TARGET_RSS_MB} MB: {'met' if statistics.median(rss) <= TARGET_RSS_MB else 'NOT met'}")
                if args.breakdown and not onboarding:
                    print_breakdown(name, results[name][-1][3], args.breakdown)
    finally:
        display.close()


if __name__ == "__main__":
    main()
