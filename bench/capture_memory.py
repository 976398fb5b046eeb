#!/usr/bin/env python3
"""Resident memory idle and after captures, Quillnest side by side with ksnip and
flameshot, at each size.

Each program is started on a detailed desktop and left to settle (--settle s; the
first refresh of the device lists, 10 s after start, belongs to start-up), then its
RSS is read ("idle"). Then --cycles captures are opened and dismissed with Escape,
each waited for until the screen is quiet; RSS is read with the last overlay open
("open"), and --after s after the last one closed ("after"; Quillnest keeps the
buffers of a capture 20 s for the next one).

The copies case (--copies, 3 by default; 0 leaves it out) starts each program afresh,
reads its idle RSS, copies the whole screen that many times (Ctrl+C, the PNG read
from the clipboard as a pasting program does), and reads RSS 5, 30 and 60 s after the
last copy. What a program must keep is the picture on the clipboard, so the target
is idle + 15 MB + the PNG's size at +30 s. Each figure is the median and p90 over
--rounds fresh starts.

Usage: bench/capture_memory.py [--build build/dev] [--cycles 20] [--copies 3] [--only quillnest]
"""
import argparse
import os
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import benchlib  # noqa: E402
import clipboard_copy  # noqa: E402

COPY_MARKS = (5, 30, 60)  # seconds after the last copy
COPY_SLACK_MB = 15


def measure(width, height, args):
    d = benchlib.Display(width=width, height=height, tray=True)
    rows = {}
    try:
        benchlib.detailed_desktop(d)
        programs = benchlib.start_all(args.names, d, args.binary)
        time.sleep(args.settle)
        for p in programs:
            idle = p.rss_mb()
            opened = 0
            for i in range(args.cycles):
                benchlib.probe(d, args.probe, p, "open", *p.trigger)
                if i == args.cycles - 1:
                    opened = p.rss_mb()
                benchlib.wait_quiet(d, args.probe, p)
            time.sleep(args.after)
            rows[p.name] = (idle, opened, p.rss_mb())
        for p in programs:
            p.stop()
    finally:
        d.close()
    return rows


def measure_copies(width, height, args):
    """One fresh start of each program that copies (ksnip copies only from its editor):
    name -> (idle MB, PNG MB, RSS at each of COPY_MARKS)."""
    d = benchlib.Display(width=width, height=height, tray=True)
    rows = {}
    tmp = tempfile.mkdtemp(prefix="qn-bench-copies-")
    programs = []
    try:
        benchlib.detailed_desktop(d)
        programs = benchlib.start_all([n for n in args.names if n != "ksnip"], d, args.binary)
        time.sleep(args.settle)
        for p in programs:
            idle = p.rss_mb()
            png = float("nan")
            for _ in range(args.copies):
                r = clipboard_copy.one_run(d, args, p, os.path.join(tmp, "screen.png"),
                                           os.path.join(tmp, f"{p.name}.png"))
                if r:
                    png = r[2] / 2**20
            last = time.monotonic()
            marks = []
            for mark in COPY_MARKS:
                time.sleep(max(0.0, last + mark - time.monotonic()))
                marks.append(p.rss_mb())
            rows[p.name] = (idle, png, marks)
    finally:
        for p in programs:
            p.stop()
        d.close()
    return rows


def report_copies(args):
    print(f"\n{args.copies} full-screen copies; RSS after the last one (median / p90 over {args.rounds} starts)")
    marks = " ".join(f"{f'+{m}s MB':>15}" for m in COPY_MARKS)
    print(f"{'program':<10} {'size':<10} {'idle MB':>15} {'PNG MB':>15} {marks} {'target MB':>10} {'met':>4}")

    def cell(values):
        return f"{benchlib.percentile(values, 0.5):7.1f} {benchlib.percentile(values, 0.9):7.1f}"

    for width, height in args.size_list:
        runs = {}
        for _ in range(args.rounds):
            for name, row in measure_copies(width, height, args).items():
                runs.setdefault(name, []).append(row)
        for name, rows in runs.items():
            idle = [r[0] for r in rows]
            png = [r[1] for r in rows]
            at = [[r[2][i] for r in rows] for i in range(len(COPY_MARKS))]
            target = benchlib.percentile(idle, 0.5) + COPY_SLACK_MB + benchlib.percentile(png, 0.5)
            met = benchlib.percentile(at[COPY_MARKS.index(30)], 0.9) <= target
            print(f"{name:<10} {f'{width}x{height}':<10} {cell(idle)} {cell(png)} "
                  f"{' '.join(cell(v) for v in at)} {target:10.1f} {'yes' if met else 'NO':>4}", flush=True)


def main():
    ap = argparse.ArgumentParser()
    benchlib.common_args(ap)
    ap.add_argument("--cycles", type=int, default=20)
    ap.add_argument("--settle", type=float, default=12.0)
    # Quillnest keeps a capture's screen-sized buffers for 20 s, for the next one.
    ap.add_argument("--after", type=float, default=25.0)
    ap.add_argument("--copies", type=int, default=3)
    ap.add_argument("--rounds", type=int, default=3)
    ap.add_argument("--no-cycles", dest="run_cycles", action="store_false")
    args = ap.parse_args()
    benchlib.setup(args)
    # What clipboard_copy.one_run reads from its own arguments.
    args.verify = False
    if not args.run_cycles:
        if args.copies > 0:
            report_copies(args)
        return
    print(f"{'program':<10} {'size':<10} {'idle MB':>8} {'open MB':>8} {'after MB':>9} {'after-idle':>10}")
    for width, height in args.size_list:
        rows = measure(width, height, args)
        for name in args.names:
            if name not in rows:
                print(f"{name:<10} {width}x{height:<5} n/a")
                continue
            idle, opened, after = rows[name]
            print(f"{name:<10} {f'{width}x{height}':<10} {idle:8.1f} {opened:8.1f} {after:9.1f} {after - idle:10.1f}",
                  flush=True)
    if args.copies > 0:
        report_copies(args)


if __name__ == "__main__":
    main()
