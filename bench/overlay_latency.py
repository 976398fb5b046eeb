#!/usr/bin/env python3
"""Hot key -> overlay painted: Quillnest side by side with ksnip and flameshot.

For each resolution (1920x1080 and 3840x2160) a fresh Xvfb with openbox is started;
every program is triggered 3 times to warm up and then 30 times, interleaved, and
the time from the trigger (an XTEST key chord, or `flameshot gui`) to the first
changed pixel of a 3x3 grid of root-window samples is measured by latency_probe.
Prints the median and 90th percentile per program and resolution.

Usage: bench/overlay_latency.py [--build build-dev] [--runs 30] [--only quillnest]
Peers are installed from Debian when missing (needs root or sudo and the network to
the package mirror); a peer that cannot be installed or started is reported as n/a.
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
from harness.display import Display  # noqa: E402


def ensure_packages(names):
    missing = [n for n in names if subprocess.run(["dpkg-query", "-W", "-f=${Status}", n], capture_output=True)
               .stdout.decode().find("install ok installed") < 0]
    if not missing:
        return True
    sudo = [] if os.geteuid() == 0 else ["sudo"]
    print(f"installing {' '.join(missing)} ...", flush=True)
    subprocess.run(sudo + ["apt-get", "update", "-qq"], check=False)
    r = subprocess.run(sudo + ["apt-get", "install", "-y", "-qq", "--no-install-recommends", *missing],
                       env=dict(os.environ, DEBIAN_FRONTEND="noninteractive"), check=False)
    return r.returncode == 0


class Program:
    def __init__(self, name, display, home):
        self.name, self.d, self.home = name, display, home
        self.env = dict(display.env, HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"),
                        XDG_RUNTIME_DIR=os.path.join(home, "run"), QT_QPA_PLATFORM="xcb")
        os.makedirs(self.env["XDG_RUNTIME_DIR"], mode=0o700, exist_ok=True)
        self.proc = None

    def stop(self):
        if self.proc and self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(timeout=5)
            except subprocess.TimeoutExpired:
                self.proc.kill()


class Quillnest(Program):
    trigger = ("key", "Alt_L+Shift_L+s")

    def start(self, binary):
        self.proc = subprocess.Popen([binary], env=self.env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        deadline = time.time() + 20
        while time.time() < deadline:
            line = self.proc.stdout.readline().decode()
            if line.startswith("Quillnest started"):
                # Keep reading so the pipe never fills up.
                subprocess.Popen(["cat"], stdin=self.proc.stdout, stdout=subprocess.DEVNULL)
                return True
        return False


class Flameshot(Program):
    trigger = ("command", "flameshot gui")

    def start(self, _binary):
        self.proc = subprocess.Popen(["flameshot"], env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        time.sleep(2)
        return self.proc.poll() is None


class Ksnip(Program):
    trigger = ("key", "Control_L+Shift_L+r")

    def start(self, _binary):
        conf = os.path.join(self.env["XDG_CONFIG_HOME"], "ksnip")
        os.makedirs(conf, exist_ok=True)
        with open(os.path.join(conf, "ksnip.conf"), "w") as f:
            f.write("[Application]\nGlobalHotKeysEnabled=true\nUseTrayIcon=false\nStartMinimizedToTray=true\n"
                    "[ImageGrabber]\nImplicitCaptureDelay=0\nCaptureDelay=0\n"
                    "[HotKeys]\nGlobalHotKeysEnabled=true\nRectAreaHotKey=Ctrl+Shift+R\n")
        self.proc = subprocess.Popen(["ksnip"], env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        time.sleep(3)
        return self.proc.poll() is None


def probe(d, probe_bin, trigger):
    r = d.run([probe_bin, *trigger], check=False, timeout=20)
    out = r.stdout.decode().strip()
    try:
        return float(out)
    except ValueError:
        return None


def dismiss(d, probe_bin):
    d.run(["xdotool", "key", "Escape"], check=False)
    # Wait for the screen to come back: a probe with no trigger sees nothing change.
    time.sleep(0.4)


def measure(width, height, args, names):
    d = Display(width=width, height=height, tray=True)
    try:
        d.run(["xsetroot", "-solid", "#7f8f9f"], check=False)
        programs = []
        for name in names:
            home = tempfile.mkdtemp(prefix=f"qn-bench-{name}-")
            p = {"quillnest": Quillnest, "ksnip": Ksnip, "flameshot": Flameshot}[name](name, d, home)
            if p.start(args.binary):
                programs.append(p)
            else:
                print(f"  {name}: did not start", flush=True)
        results = {p.name: [] for p in programs}
        for i in range(args.warmups + args.runs):
            for p in programs:
                ms = probe(d, args.probe, p.trigger)
                dismiss(d, args.probe)
                if i >= args.warmups and ms is not None:
                    results[p.name].append(ms)
        for p in programs:
            p.stop()
        return results
    finally:
        d.close()


def percentile(values, q):
    values = sorted(values)
    k = (len(values) - 1) * q
    lo = int(k)
    hi = min(lo + 1, len(values) - 1)
    return values[lo] + (values[hi] - values[lo]) * (k - lo)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", default=os.path.join(ROOT, "build-dev"))
    ap.add_argument("--runs", type=int, default=30)
    ap.add_argument("--warmups", type=int, default=3)
    ap.add_argument("--only", action="append")
    args = ap.parse_args()
    args.binary = os.path.join(args.build, "bin", "quillnest")
    args.probe = os.path.join(args.build, "bench", "latency_probe")
    names = args.only or ["quillnest", "ksnip", "flameshot"]
    peers = [n for n in names if n != "quillnest" and shutil.which(n) is None]
    if peers and not ensure_packages(peers):
        print("  could not install " + " ".join(peers) + "; measuring without them")
        names = [n for n in names if n not in peers]
    print(f"{'program':<10} {'resolution':<10} {'runs':>4} {'median ms':>10} {'p90 ms':>8}")
    for width, height in ((1920, 1080), (3840, 2160)):
        results = measure(width, height, args, names)
        for name in names:
            values = results.get(name, [])
            res = f"{width}x{height}"
            if values:
                print(f"{name:<10} {res:<10} {len(values):>4} {statistics.median(values):>10.1f} "
                      f"{percentile(values, 0.9):>8.1f}", flush=True)
            else:
                print(f"{name:<10} {res:<10} {0:>4} {'n/a':>10} {'n/a':>8}", flush=True)


if __name__ == "__main__":
    main()
