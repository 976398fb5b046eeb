#!/usr/bin/env python3
"""Resident memory idle and after captures, Quillnest side by side with ksnip and
flameshot, at each size.

Each program is started on a detailed desktop and left to settle (--settle s; the
first refresh of the device lists, 10 s after start, belongs to start-up), then its
RSS is read ("idle"). Then --cycles captures are opened and dismissed with Escape,
each waited for until the screen is quiet; RSS is read with the last overlay open
("open"), and --after s after the last one closed ("after"; Quillnest keeps the
buffers of a capture 20 s for the next one).

Usage: bench/capture_memory.py [--build build/dev] [--cycles 20] [--only quillnest]
"""
import argparse
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import benchlib  # noqa: E402


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


def main():
    ap = argparse.ArgumentParser()
    benchlib.common_args(ap)
    ap.add_argument("--cycles", type=int, default=20)
    ap.add_argument("--settle", type=float, default=12.0)
    # Quillnest keeps a capture's screen-sized buffers for 20 s, for the next one.
    ap.add_argument("--after", type=float, default=25.0)
    args = ap.parse_args()
    benchlib.setup(args)
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


if __name__ == "__main__":
    main()
