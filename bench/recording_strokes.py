#!/usr/bin/env python3
"""Frames delivered while 50 strokes are drawn and fade over a 1080p recording.

Runs the real program under Xvfb (openbox, trayer) over a screen that changes every
frame, records the whole screen with the video tool, draws 50 strokes with the
recording pen (so that all 50 are on screen and then fade together), saves the
movie and counts its frames against its duration at 30 per second. The same run
without strokes gives the baseline. Also reports the program's CPU time while the
strokes are drawn and fade.

    bench/recording_strokes.py [--binary PATH] [--seconds N]

Target: at least 99 % of the frames delivered with the strokes.
"""
import argparse
import json
import os
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))

from harness import chrome, recorder  # noqa: E402
from harness.app import Quillnest, open_capture, wait_capture_closed  # noqa: E402
from harness.display import Display  # noqa: E402
from harness.x import X  # noqa: E402

ANIMATE = os.path.join(ROOT, "tests", "e2e", "tools", "animate.py")


def default_binary():
    for candidate in ("build/release/bin/quillnest", "build/dev/bin/quillnest"):
        path = os.path.join(ROOT, candidate)
        if os.path.exists(path):
            return path
    sys.exit("no quillnest binary found; build one or pass --binary")


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def lower_override_redirect(d):
    """Puts the moving window (override-redirect, so above managed windows) at the bottom,
    under the overlay, where a recording sees it through the overlay's hole."""
    from Xlib import X as XL, display as xdisplay
    conn = xdisplay.Display(d.env["DISPLAY"])
    for child in conn.screen().root.query_tree().children:
        attrs = child.get_attributes()
        geo = child.get_geometry()
        if attrs.override_redirect and attrs.map_state == XL.IsViewable and geo.width > 200 and geo.height > 200:
            child.configure(stack_mode=XL.Below)
    conn.sync()
    conn.close()


def one_run(binary, strokes, seconds, size=(1920, 1080)):
    os.environ["QUILLNEST_BIN"] = binary
    d = Display()
    x = X(d)
    w, h = size
    animation = subprocess.Popen(["/usr/bin/python3", ANIMATE, "0", "0", str(w), str(h), "60"], env=d.env,
                                 stdout=subprocess.PIPE, text=True)
    assert animation.stdout.readline().strip() == "animating"
    lower_override_redirect(d)
    app = Quillnest(d, prefs={"localWatermark": False, "needOnboarding": False})
    try:
        app.wait_for_line(r"^Quillnest started")
        open_capture(app, x)
        x.drag((0, 0), (min(w, 1919), min(h, 1079)))
        chrome.wait_placement(app)
        save = chrome.controls(app)["save"]
        x.key("v")
        recorder.wait_bar(app, lambda s: s["state"] == "idle")
        recorder.click(app, x, "record")
        recorder.wait_bar(app, lambda s: s["state"] == "recording")
        recorder.wait_bar(app, lambda s: s["time"] >= "00:01", timeout=20)
        if os.environ.get("QN_BENCH_SHOT"):
            d.screenshot(os.environ["QN_BENCH_SHOT"])
        cpu0, wall0 = cpu_seconds(app.proc.pid), time.time()
        if strokes:
            recorder.click(app, x, "pencil")
            recorder.wait_bar(app, lambda s: s["drawing"] == "on")
            for i in range(strokes):
                y = 20 + (i * 19) % max(40, h - 80)
                x0 = 20 + (i * 37) % max(40, w // 3)
                x.drag((x0, y), (x0 + w // 2, y + 40), steps=4)
            # All of them fade together and go 4 s after the last release.
            app.wait_for_line(r"^recorder: stream shape none strokes=0 ", timeout=30)
        else:
            time.sleep(8)
        cpu1, wall1 = cpu_seconds(app.proc.pid), time.time()
        target = time.time() + seconds
        while time.time() < target:
            time.sleep(0.1)
        recorder.click(app, x, "record")
        recorder.wait_bar(app, lambda s: s["state"] == "paused")
        x.click(*chrome.centre(save))
        try:
            x.wait_window("^Save$")
        except AssertionError:
            d.screenshot("/tmp/bench-failed.png")
            print("program exit code:", app.proc.poll())
            print("\n".join(app.lines[-15:]))
            raise
        path = os.path.join(app.home, "bench.mov")
        time.sleep(0.3)
        x.key("ctrl+a")
        x.type(path)
        x.key("Return")
        app.wait_for_line(r"^capture: saved movie ", timeout=60)
        wait_capture_closed(app, x)
        out = subprocess.run(["ffprobe", "-v", "error", "-count_frames", "-select_streams", "v:0", "-show_entries",
                              "stream=nb_read_frames,width,height:format=duration", "-of", "json", path],
                             capture_output=True, check=True).stdout
        info = json.loads(out)
        frames = int(info["streams"][0]["nb_read_frames"])
        duration = float(info["format"]["duration"])
        return {
            "size": "%dx%d" % (info["streams"][0]["width"], info["streams"][0]["height"]),
            "duration_s": round(duration, 2),
            "frames": frames,
            "delivered": round(frames / (duration * 30), 4),
            "cpu_share_during_strokes": round((cpu1 - cpu0) / (wall1 - wall0), 3),
        }
    finally:
        app.cleanup()
        animation.terminate()
        animation.wait()
        d.close()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--binary", default=None)
    parser.add_argument("--seconds", type=float, default=5)
    parser.add_argument("--size", default="1920x1080", help="the recorded area, from the top-left corner")
    args = parser.parse_args()
    binary = args.binary or default_binary()
    print("load average before:", os.getloadavg())
    size = tuple(int(v) for v in args.size.split("x"))
    base = one_run(binary, 0, args.seconds, size)
    print("without strokes:", base)
    run = one_run(binary, 50, args.seconds, size)
    print("with 50 strokes:", run)
    print("target: >= 0.99 delivered with strokes:", "met" if run["delivered"] >= 0.99 else "NOT met")


if __name__ == "__main__":
    main()
