#!/usr/bin/env python3
"""Screen recording: frames delivered, frames lost, CPU time and peak memory of the
recorder, side by side with `ffmpeg -f x11grab` using the same encoder settings.

A fresh Xvfb (no window manager) shows a window that changes at 60 fps over the
recorded area. Each case runs the recorder (through the qn_record_driver program)
and then ffmpeg on the same area for the same time, and a last case measures the
recorder on a screen that does not change.

    bench/recording_bench.py [--driver PATH] [--seconds-1080 60] [--seconds-4k 30] [--idle 10]

Targets: >= 99 % of frames at 1080p and >= 95 % at 4K; CPU <= 1.0x ffmpeg's;
peak RSS <= 250 MB; an unchanged 1080p screen <= 5 % of one core.
"""
import argparse
import json
import os
import re
import subprocess
import sys
import tempfile
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
ANIMATE = os.path.join(ROOT, "tests", "e2e", "tools", "animate.py")
FPS = 30


def default_driver():
    for candidate in ("build/release/tests/e2e/qn_record_driver", "build/dev/tests/e2e/qn_record_driver"):
        path = os.path.join(ROOT, candidate)
        if os.path.exists(path):
            return path
    sys.exit("no qn_record_driver found; build the dev flavour or pass --driver")


class Xvfb:
    def __init__(self, width, height):
        r, w = os.pipe()
        self.proc = subprocess.Popen(["Xvfb", "-displayfd", str(w), "-screen", "0", f"{width}x{height}x24",
                                      "-nolisten", "tcp"], pass_fds=(w,), stderr=subprocess.DEVNULL)
        os.close(w)
        number = b""
        while not number.endswith(b"\n"):
            chunk = os.read(r, 16)
            if not chunk:
                raise RuntimeError("Xvfb did not start")
            number += chunk
        os.close(r)
        self.name = ":" + number.decode().strip()
        self.env = dict(os.environ, DISPLAY=self.name)

    def close(self):
        self.proc.terminate()
        self.proc.wait()


def cpu_and_peak(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    ticks = os.sysconf("SC_CLK_TCK")
    cpu = (int(fields[11]) + int(fields[12])) / ticks
    peak = 0
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmHWM:"):
                peak = int(line.split()[1]) / 1024
    return cpu, peak


def packets(path):
    out = subprocess.run(["ffprobe", "-v", "error", "-select_streams", "v", "-count_packets", "-show_entries",
                          "stream=nb_read_packets,duration", "-of", "json", path],
                         capture_output=True, text=True, check=True).stdout
    s = json.loads(out)["streams"][0]
    return int(s["nb_read_packets"]), float(s["duration"])


def run_recorder(driver, xvfb, rect, seconds, out):
    home = tempfile.mkdtemp(prefix="qn-bench-")
    env = dict(xvfb.env, HOME=home, TMPDIR=home, XDG_RUNTIME_DIR=home, QT_QPA_PLATFORM="xcb",
               XDG_CONFIG_HOME=os.path.join(home, ".config"))
    proc = subprocess.Popen([driver, "--rect", ",".join(map(str, rect)), "--out", out], env=env,
                            stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                            text=True, bufsize=1)
    lines = []

    def wait(pattern):
        for line in proc.stdout:
            lines.append(line)
            m = re.search(pattern, line)
            if m:
                return m
        raise RuntimeError("driver ended: " + "".join(lines[-10:]))

    def send(cmd):
        proc.stdin.write(cmd + "\n")
        proc.stdin.flush()

    wait(r"^ready")
    cpu0, _ = cpu_and_peak(proc.pid)
    send("start")
    wait(r"^recording")
    t0 = time.monotonic()
    time.sleep(seconds)  # the measured span itself, not a wait for an event
    send("stats")
    stats = dict(kv.split("=") for kv in wait(r"^stats (.*)").group(1).split())
    send("stop")
    wait(r"^stopped")
    wall = time.monotonic() - t0
    cpu1, peak = cpu_and_peak(proc.pid)
    send("quit")
    proc.wait()
    n, duration = packets(out)
    return {"frames": n, "duration": duration, "wall": wall, "cpu": cpu1 - cpu0, "peak_mb": peak,
            "lost": int(stats["lost"]), "read": int(stats["delivered"])}


def run_ffmpeg(xvfb, rect, seconds, out):
    x, y, w, h = rect
    cmd = ["ffmpeg", "-v", "error", "-y", "-f", "x11grab", "-framerate", str(FPS), "-video_size", f"{w}x{h}",
           "-draw_mouse", "0", "-i", f"{xvfb.name}+{x},{y}", "-t", str(seconds), "-fps_mode", "passthrough",
           "-c:v", "libx264", "-preset", "veryfast", "-tune", "zerolatency", "-crf", "23", "-pix_fmt", "yuv420p",
           "-color_primaries", "bt709", "-color_trc", "bt709", "-colorspace", "bt709",
           "-movflags", "+faststart", out]
    t0 = time.monotonic()
    proc = subprocess.Popen(cmd, env=xvfb.env, stdin=subprocess.DEVNULL)
    _, status, usage = os.wait4(proc.pid, 0)
    wall = time.monotonic() - t0
    n, duration = packets(out)
    return {"frames": n, "duration": duration, "wall": wall, "cpu": usage.ru_utime + usage.ru_stime,
            "peak_mb": usage.ru_maxrss / 1024, "lost": max(0, round(duration * FPS) - n)}


def report(name, r, seconds):
    expected = int(round(seconds * FPS))
    delivered = r["frames"] / r["duration"] if r["duration"] else 0
    share = 100.0 * min(r["frames"], expected) / expected
    print(f"  {name:10s} frames {r['frames']:5d} in {r['duration']:6.2f} s = {delivered:5.1f} fps "
          f"({share:5.1f} % of {expected}), lost {max(r['lost'], expected - r['frames']):4d}, "
          f"(screen reads {r.get('read', '-')}), CPU {r['cpu']:7.2f} s ({100 * r['cpu'] / r['wall']:5.1f} % of a core, "
          f"{1000 * r['cpu'] / max(r['frames'], 1):5.1f} ms a frame), peak RSS {r['peak_mb']:6.1f} MB")
    return share


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--driver", default=None)
    parser.add_argument("--seconds-1080", type=float, default=60)
    parser.add_argument("--seconds-4k", type=float, default=30)
    parser.add_argument("--idle", type=float, default=10)
    args = parser.parse_args()
    driver = args.driver or default_driver()
    out_dir = tempfile.mkdtemp(prefix="qn-bench-out-")
    print(f"load average before: {os.getloadavg()}  cores: {os.cpu_count()}")

    xvfb = Xvfb(3840, 2160)
    try:
        for label, rect, seconds in (("1920x1080", (0, 0, 1920, 1080), args.seconds_1080),
                                     ("3840x2160", (0, 0, 3840, 2160), args.seconds_4k)):
            if seconds <= 0:
                continue
            anim = subprocess.Popen(["/usr/bin/python3", ANIMATE, *map(str, rect), "60"], env=xvfb.env,
                                    stdout=subprocess.PIPE, text=True)
            anim.stdout.readline()
            print(f"{label}, screen changing at 60 fps, {seconds:.0f} s:")
            ours = run_recorder(driver, xvfb, rect, seconds, os.path.join(out_dir, f"ours-{label}.mov"))
            theirs = run_ffmpeg(xvfb, rect, seconds, os.path.join(out_dir, f"ffmpeg-{label}.mov"))
            anim.terminate()
            anim.wait()
            report("quillnest", ours, seconds)
            report("ffmpeg", theirs, seconds)
            print(f"  CPU ratio quillnest / ffmpeg: {ours['cpu'] / max(theirs['cpu'], 1e-6):.2f}")
        if args.idle > 0:
            print(f"1920x1080 unchanged screen, {args.idle:.0f} s:")
            still = run_recorder(driver, xvfb, (0, 0, 1920, 1080), args.idle, os.path.join(out_dir, "still.mov"))
            print(f"  quillnest  CPU {still['cpu']:.2f} s = {100 * still['cpu'] / still['wall']:.1f} % of one core, "
                  f"peak RSS {still['peak_mb']:.1f} MB")
    finally:
        xvfb.close()
    print(f"load average after: {os.getloadavg()}")


if __name__ == "__main__":
    main()
