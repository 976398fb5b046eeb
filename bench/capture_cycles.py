#!/usr/bin/env python3
"""Long run of hot key / crop / Esc cycles: the program must survive every one of them
and its resident memory must stay flat once the first captures have warmed it up.

Usage: bench/capture_cycles.py [--build build/dev] [--cycles 10000] [--report 500]
Prints a line every --report cycles (cycle, RSS in MB, seconds so far) and a summary:
cycles run, whether the program is still alive, RSS after warm-up and at the end.
Exit status 1 when the program died or did not answer.
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


def rss_mb(pid):
    return benchlib.status_kb(pid).get("VmRSS", 0) / 1024


def cycle(app, x, i):
    open_capture(app, x)
    # A different crop each time, so the low-quality copy and the window snapping run.
    dx = (i * 37) % 400
    dy = (i * 53) % 300
    x.drag((100 + dx, 100 + dy), (400 + dx, 350 + dy), steps=4)
    x.key("Escape")
    wait_capture_closed(app, x)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", default=os.path.join(ROOT, "build", "dev"))
    ap.add_argument("--bin", default=None, help="the program (default: <build>/bin/quillnest)")
    ap.add_argument("--cycles", type=int, default=10000)
    ap.add_argument("--warmup", type=int, default=20)
    ap.add_argument("--report", type=int, default=500)
    args = ap.parse_args()
    os.environ["QUILLNEST_BIN"] = args.bin or os.path.join(args.build, "bin", "quillnest")
    d = Display()
    app = None
    done = 0
    started = time.time()
    try:
        x = X(d)
        app = Quillnest(d, prefs={"needOnboarding": False})
        app.wait_for_line(lines.started())
        warm = None
        for i in range(args.cycles):
            try:
                cycle(app, x, i)
            except AssertionError as e:
                state = "died" if not app.alive() else "alive"
                print(f"cycle {i + 1}: failed ({state}, exit {app.proc.poll()}): {str(e).splitlines()[0]}", flush=True)
                break
            done = i + 1
            if done == args.warmup:
                time.sleep(0.5)
                warm = rss_mb(app.pid)
            if done % args.report == 0:
                print(f"cycle {done:6d}  RSS {rss_mb(app.pid):7.1f} MB  {time.time() - started:7.0f} s", flush=True)
        alive = app.alive()
        end = rss_mb(app.pid) if alive else 0.0
        print(f"cycles run            {done} of {args.cycles}")
        print(f"program alive         {alive}")
        if warm is not None:
            print(f"RSS after {args.warmup} cycles   {warm:7.1f} MB")
        print(f"RSS at the end        {end:7.1f} MB")
        print(f"time                  {time.time() - started:7.0f} s")
        return 0 if alive and done == args.cycles else 1
    finally:
        if app:
            app.cleanup()
        d.close()


if __name__ == "__main__":
    sys.exit(main())
