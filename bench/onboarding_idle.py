#!/usr/bin/env python3
"""What the onboarding costs while its video plays and after its window is gone.

Under Xvfb (openbox, trayer, as the end-to-end tests), with a fresh HOME each run:
  idle       the program started without the onboarding, RSS and CPU after --idle s;
  playing    the onboarding open on its video page: RSS and CPU share over --play s;
  closed     the window then closed through the window manager (Alt+F4) or destroyed
             behind the program's back (xdotool windowclose): CPU share from 1 s to
             3 s after "onboarding: video stopped", and RSS 5 s after it.

    bench/onboarding_idle.py [--binary PATH] [--runs N] [--idle S] [--play S]
                             [--variant NAME=BUILD_DIR ...]

--variant adds another build (e.g. the one before a change) to the same run; runs
alternate between builds so the machine's load weighs on each alike.

Targets: RSS while playing <= 90 MB; after the close, CPU ~0 % and RSS within
10 MB of the idle RSS.
"""
import argparse
import os
import statistics
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import benchlib  # noqa: E402
from benchlib import Display  # noqa: E402
from harness.app import Quillnest  # noqa: E402
from harness.x import X  # noqa: E402

PLAYING_TARGET_MB = 90
CLOSED_SLACK_MB = 10
ONBOARDING = "Quillnest - Onboarding"


def rss_mb(pid):
    return benchlib.status_kb(pid)["VmRSS"] / 1024


def cpu_share(pid, seconds):
    """Share of one core the process used over the next `seconds`, in percent."""
    start_cpu, start = benchlib.cpu_ms(pid), time.monotonic()
    end = start + seconds
    while time.monotonic() < end:
        time.sleep(0.05)
    return (benchlib.cpu_ms(pid) - start_cpu) / ((time.monotonic() - start) * 1000) * 100


def wait_line(app, text, since=0, timeout=30):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if any(line.startswith(text) for line in list(app.lines)[since:]):
            return
        if not app.alive():
            break
        time.sleep(0.02)
    raise RuntimeError(f"no line {text!r}:\n" + "\n".join(app.lines[-20:]))


def idle_run(display, binary, idle):
    os.environ["QUILLNEST_BIN"] = binary
    app = Quillnest(display, prefs={"needOnboarding": False, "isFirstRun": False})
    try:
        wait_line(app, "Quillnest started")
        time.sleep(idle)
        return {"idle_rss": rss_mb(app.pid), "idle_cpu": cpu_share(app.pid, 2.0)}
    finally:
        app.cleanup()


def onboarding_run(display, binary, play, how):
    os.environ["QUILLNEST_BIN"] = binary
    x = X(display)
    app = Quillnest(display)
    try:
        wait_line(app, "onboarding: video shown")
        time.sleep(play / 2)
        playing_cpu = cpu_share(app.pid, play / 2)
        playing_rss = rss_mb(app.pid)
        wid = x.wait_window(ONBOARDING)[0]
        since = len(app.lines)
        if how == "destroyed":
            x.destroy_window(wid)
        else:
            x.close_window(wid)
        gone = time.monotonic()
        try:
            wait_line(app, "onboarding: video stopped", since=since, timeout=5)
            stopped = time.monotonic()
        except RuntimeError:
            stopped = gone  # a build that never stops the video: measured from the close
        time.sleep(1.0)
        closed_cpu = cpu_share(app.pid, 2.0)
        time.sleep(max(0.0, stopped + 5.0 - time.monotonic()))
        restarted = sum(1 for line in list(app.lines)[since:] if line.startswith("onboarding: video restarted"))
        return {"playing_rss": playing_rss, "playing_cpu": playing_cpu, f"{how}_cpu": closed_cpu,
                f"{how}_rss": rss_mb(app.pid), f"{how}_restarts": restarted}
    finally:
        app.cleanup()


ROWS = [
    ("idle_rss", "idle RSS (MB)"),
    ("idle_cpu", "idle CPU (% of a core)"),
    ("playing_rss", "RSS while the video plays (MB)"),
    ("playing_cpu", "CPU while the video plays (%)"),
    ("closed_cpu", "CPU 1-3 s after Alt+F4 (%)"),
    ("closed_rss", "RSS 5 s after Alt+F4 (MB)"),
    ("destroyed_cpu", "CPU 1-3 s after windowclose (%)"),
    ("destroyed_rss", "RSS 5 s after windowclose (MB)"),
    ("destroyed_restarts", "video restarts after windowclose"),
]


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--binary", default=None)
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--idle", type=float, default=10.0)
    parser.add_argument("--play", type=float, default=6.0)
    parser.add_argument("--variant", action="append", default=[])
    args = parser.parse_args()
    builds = [("quillnest", os.path.abspath(args.binary or benchlib.default_binary()))]
    for spec in args.variant:
        name, _, build = spec.partition("=")
        builds.append((name, os.path.abspath(os.path.join(build, "bin", "quillnest"))))
    for name, binary in builds:
        print(f"{name}: {binary}")

    results = {name: {} for name, _ in builds}
    display = Display()
    try:
        for _ in range(args.runs):
            for name, binary in builds:
                for run in (idle_run(display, binary, args.idle),
                            onboarding_run(display, binary, args.play, "closed"),
                            onboarding_run(display, binary, args.play, "destroyed")):
                    for key, value in run.items():
                        results[name].setdefault(key, []).append(value)
    finally:
        display.close()

    print(f"{args.runs} runs; median, p90, count")
    for name, _ in builds:
        r = results[name]
        print(f" {name}:")
        for key, label in ROWS:
            print(f"  {label:36s} {benchlib.summary(r.get(key, []))}")
        idle = statistics.median(r["idle_rss"])
        playing = statistics.median(r["playing_rss"])
        print(f"  target: RSS while playing <= {PLAYING_TARGET_MB} MB: "
              f"{'met' if playing <= PLAYING_TARGET_MB else 'NOT met'}")
        for how in ("closed", "destroyed"):
            after = statistics.median(r[f"{how}_rss"])
            cpu = statistics.median(r[f"{how}_cpu"])
            ok = after <= idle + CLOSED_SLACK_MB and cpu < 0.5
            print(f"  target after {how}: RSS within {CLOSED_SLACK_MB} MB of idle ({after - idle:+.1f} MB), "
                  f"CPU ~0 ({cpu:.2f} %): {'met' if ok else 'NOT met'}")


if __name__ == "__main__":
    benchlib.isolate()
    main()
