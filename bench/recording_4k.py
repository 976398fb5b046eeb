#!/usr/bin/env python3
"""A full-screen recording at 4K and at 1080p, through the real program, side by side
with ffmpeg -f x11grab on the same display, in the same run.

Each run starts a display of the given size (Xvfb, openbox, trayer) with a window over
the whole screen that changes 60 times a second, records the whole screen through the
overlay with the video tool for --seconds, saves the movie, and then lets ffmpeg
record the same screen for the same time with the recorder's encoder settings
(libx264 veryfast, zerolatency, crf 23; ffmpeg keeps its own choice of encoder threads,
one per core). Runs of the sizes alternate.

Reported per run and as medians and p90 over the runs:
- distinct: frames of the movie that differ from the one before them, against 30 a
  second of the movie's length (a frame written twice counts once);
- ms/frame: CPU time per distinct frame (the recorder's CPU is measured over the
  recorded span only, ffmpeg's over its whole run);
- peak MB: peak resident memory (the whole program for the recorder).

    bench/recording_4k.py [--binary PATH] [--seconds 20] [--runs 3] [--sizes 3840x2160,1920x1080] [--breakdown]

--breakdown also prints where the recorder's resident memory lies (by kind of mapping,
and its largest mappings) before the recording, after its first second and at the end
of the measured span, and when its resident memory peaked.

Targets at 4K: distinct >= 95 % when ffmpeg's is >= 99 %, ms/frame <= ffmpeg's, peak
MB <= ffmpeg's; at 1080p: distinct 100 %, ms/frame <= 0.71x ffmpeg's.
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))

from harness import chrome, lines, recorder  # noqa: E402
from harness.app import Quillnest, open_capture, wait_capture_closed  # noqa: E402
from harness.display import Display  # noqa: E402
from harness.x import X  # noqa: E402
from recording_strokes import ANIMATE, cpu_seconds, default_binary, lower_override_redirect, peak_mb  # noqa: E402

FPS = 30
BREAKDOWN = False


class RssTrail:
    """Resident MB of a process sampled every 20 ms, to tell when its peak came."""

    def __init__(self, pid):
        import threading
        self.pid, self.samples, self.marks, self.stopped = pid, [], [], False
        self.thread = threading.Thread(target=self._run, daemon=True)
        self.thread.start()

    def _run(self):
        while not self.stopped:
            try:
                with open(f"/proc/{self.pid}/status") as f:
                    rss = next(int(line.split()[1]) for line in f if line.startswith("VmRSS:"))
            except (OSError, StopIteration):
                return
            self.samples.append((time.monotonic(), rss / 1024))
            time.sleep(0.02)

    def mark(self, name):
        self.marks.append((time.monotonic(), name))

    def report(self):
        self.stopped = True
        self.thread.join()
        if not self.samples:
            return "no samples"
        at, peak = max(self.samples, key=lambda s: s[1])
        # The marks of the timeline before and after the peak.
        before = [f"{name} {at - t:.2f} s before" for t, name in self.marks if t <= at][-1:]
        after = [f"{name} {t - at:.2f} s after" for t, name in self.marks if t > at][:1]
        return f"peak RSS {peak:.1f} MB, " + ", ".join(before + after)


def memory_breakdown(pid):
    """Resident MB of the process by kind of mapping, and its largest mappings."""
    kinds, largest = {}, []
    name, size = None, 0
    with open(f"/proc/{pid}/smaps") as f:
        for line in f:
            head = line.split()
            if re.match(r"^[0-9a-f]+-[0-9a-f]+ ", line):
                name = head[5] if len(head) > 5 else "[anon]"
                size = (int(head[0].split("-")[1], 16) - int(head[0].split("-")[0], 16)) >> 10
            elif head[0] == "Rss:":
                rss = int(head[1])
                kind = ("SYSV shm" if name.startswith("/SYSV") else "library" if ".so" in name else
                        "/dev/shm or memfd" if name.startswith(("/dev/shm", "/memfd")) else name)
                if rss >= 1024:
                    kinds[kind] = kinds.get(kind, 0) + rss
                largest.append((rss, size, name))
    largest.sort(reverse=True)
    return ({k: round(v / 1024, 1) for k, v in sorted(kinds.items(), key=lambda kv: -kv[1])},
            [(round(r / 1024, 1), round(s / 1024, 1), n) for r, s, n in largest[:40] if r >= 256])


def distinct_frames(path):
    """(frames that differ from the one before them, all frames, duration in s)."""
    out = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-map", "0:v", "-f", "framemd5", "-"],
                         capture_output=True, text=True, check=True).stdout
    sums = [line.rsplit(",", 1)[1].strip() for line in out.splitlines() if line and not line.startswith("#")]
    distinct = sum(1 for i, s in enumerate(sums) if i == 0 or s != sums[i - 1])
    duration = float(subprocess.run(["ffprobe", "-v", "error", "-show_entries", "format=duration", "-of", "csv=p=0",
                                     path], capture_output=True, text=True, check=True).stdout.strip())
    return distinct, len(sums), duration


def figures(path, cpu, wall, peak):
    distinct, total, duration = distinct_frames(path)
    rate = distinct / duration if duration else 0
    return {"distinct": round(distinct / (duration * FPS), 4) if duration else 0, "frames": total,
            "duration_s": round(duration, 2), "cpu_share": round(cpu / wall, 3),
            "ms_per_frame": round(1000 * cpu / wall / rate, 2) if rate else float("inf"),
            "peak_mb": round(peak, 1)}


def record_ours(binary, d, x, size, seconds):
    w, h = size
    os.environ["QUILLNEST_BIN"] = binary
    app = Quillnest(d, prefs={"localWatermark": False, "needOnboarding": False})
    try:
        app.wait_for_line(lines.started())
        trail = RssTrail(app.proc.pid) if BREAKDOWN else None
        open_capture(app, x)
        x.drag((0, 0), (w - 1, h - 1))
        chrome.wait_placement(app)
        if BREAKDOWN:
            kinds, largest = memory_breakdown(app.proc.pid)
            print(f"  before recording, peak {peak_mb(app.proc.pid):.1f} MB\n  resident by kind (MB): {kinds}\n"
                  f"  largest (rss MB, size MB, name): {largest}", flush=True)
        save = chrome.controls(app)["save"]
        x.key("v")
        recorder.wait_bar(app, lambda s: s["state"] == "idle")
        if trail:
            trail.mark("record pressed")
        recorder.click(app, x, "record")
        recorder.wait_bar(app, lambda s: s["state"] == "recording")
        if trail:
            trail.mark("recording")
        recorder.wait_bar(app, lambda s: s["time"] >= "00:01", timeout=30)
        if trail:
            trail.mark("one second recorded")
            kinds, largest = memory_breakdown(app.proc.pid)
            print(f"  after one second: resident by kind (MB): {kinds}\n  largest: {largest}", flush=True)
        if os.environ.get("QN_BENCH_SHOT"):
            d.screenshot(os.environ["QN_BENCH_SHOT"])
        cpu0, wall0 = cpu_seconds(app.proc.pid), time.monotonic()
        time.sleep(seconds)  # the measured span itself, not a wait for an event
        cpu1, wall1 = cpu_seconds(app.proc.pid), time.monotonic()
        peak = peak_mb(app.proc.pid)
        if trail:
            print("  " + trail.report(), flush=True)
        if BREAKDOWN:
            kinds, largest = memory_breakdown(app.proc.pid)
            print(f"  resident by kind (MB): {kinds}\n  largest (rss MB, size MB, name): {largest}", flush=True)
        recorder.click(app, x, "record")
        recorder.wait_bar(app, lambda s: s["state"] == "paused")
        x.click(*chrome.centre(save))
        dialog = x.wait_window("^Save$")
        deadline = time.time() + 20
        while int(x._xdo("getwindowfocus", check=False).strip() or 0) not in dialog:
            if time.time() > deadline:
                raise RuntimeError("the Save dialog never took the keyboard")
            time.sleep(0.05)
        path = os.path.join(app.home, "bench.mov")
        x.key("ctrl+a")
        x.type(path)
        x.key("Return")
        app.wait_for_line(lines.saved_movie(), timeout=120)
        wait_capture_closed(app, x)
        return figures(path, cpu1 - cpu0, wall1 - wall0, peak)
    finally:
        app.cleanup()


def record_ffmpeg(d, size, seconds, out):
    w, h = size
    cmd = ["ffmpeg", "-v", "error", "-y", "-f", "x11grab", "-framerate", str(FPS), "-video_size", f"{w}x{h}",
           "-draw_mouse", "0", "-i", f"{d.env['DISPLAY']}+0,0", "-t", str(seconds), "-fps_mode", "passthrough",
           "-c:v", "libx264", "-preset", "veryfast", "-tune", "zerolatency", "-crf", "23", "-pix_fmt", "yuv420p",
           out]
    t0 = time.monotonic()
    proc = subprocess.Popen(cmd, env=d.env, stdin=subprocess.DEVNULL)
    _, _, usage = os.wait4(proc.pid, 0)
    wall = time.monotonic() - t0
    return figures(out, usage.ru_utime + usage.ru_stime, wall, usage.ru_maxrss / 1024)


def one_run(binary, size, seconds):
    w, h = size
    d = Display(width=w, height=h)
    x = X(d)
    animation = subprocess.Popen(["/usr/bin/python3", ANIMATE, "0", "0", str(w), str(h), "60"], env=d.env,
                                 stdout=subprocess.PIPE, text=True)
    try:
        assert animation.stdout.readline().strip() == "animating"
        lower_override_redirect(d)
        ours = record_ours(binary, d, x, size, seconds)
        out = tempfile.mkdtemp(prefix="qn-bench-ffmpeg-")
        try:
            theirs = record_ffmpeg(d, size, seconds, os.path.join(out, "ffmpeg.mov"))
        finally:
            shutil.rmtree(out, ignore_errors=True)
        return ours, theirs
    finally:
        animation.terminate()
        animation.wait()
        d.close()


def median_p90(values):
    values = sorted(values)
    n = len(values)
    median = values[n // 2] if n % 2 else (values[n // 2 - 1] + values[n // 2]) / 2
    return median, values[min(n - 1, int(round(0.9 * (n - 1))))]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--binary", default=None)
    parser.add_argument("--seconds", type=float, default=20)
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--sizes", default="3840x2160,1920x1080")
    parser.add_argument("--breakdown", action="store_true",
                        help="print where the recorder's resident memory lies at the end of the measured span")
    args = parser.parse_args()
    global BREAKDOWN
    BREAKDOWN = args.breakdown
    binary = args.binary or default_binary()
    sizes = [tuple(int(v) for v in s.split("x")) for s in args.sizes.split(",")]
    print("load average before:", os.getloadavg(), "cores:", os.cpu_count(), flush=True)
    results = {size: ([], []) for size in sizes}
    for run in range(args.runs):
        for size in sizes:
            ours, theirs = one_run(binary, size, args.seconds)
            results[size][0].append(ours)
            results[size][1].append(theirs)
            name = "%dx%d" % size
            print(f"  run {run + 1} {name}: quillnest {ours}\n  run {run + 1} {name}: ffmpeg    {theirs}", flush=True)
    for size, (ours, theirs) in results.items():
        name = "%dx%d" % size
        for key in ("distinct", "ms_per_frame", "cpu_share", "peak_mb"):
            a, b = median_p90([r[key] for r in ours]), median_p90([r[key] for r in theirs])
            print(f"{name} {key:13s} quillnest median {a[0]:g} p90 {a[1]:g} | ffmpeg median {b[0]:g} p90 {b[1]:g}")
        ratios = [o["ms_per_frame"] / t["ms_per_frame"] for o, t in zip(ours, theirs)]
        r = median_p90(ratios)
        print(f"{name} CPU per frame quillnest/ffmpeg median {r[0]:.2f} p90 {r[1]:.2f}")
    print("load average after:", os.getloadavg())


if __name__ == "__main__":
    main()
