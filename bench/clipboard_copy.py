#!/usr/bin/env python3
"""Copy of a full-screen crop: Ctrl+C -> the PNG readable from the clipboard,
Quillnest side by side with flameshot (ksnip copies only from its editor window).

On a detailed desktop, each run opens the program's overlay, drags the crop over the
whole screen, presses Ctrl+C and reads CLIPBOARD as image/png like a pasting program
does (paint_probe clipboard, incremental transfers included). "owner" is the time
until the program took the clipboard, "readable" until the last byte was read. Every
copied picture is checked against the screen: a valid PNG holding exactly the crop's
pixels. Runs are interleaved. Prints median and p90.

Usage: bench/clipboard_copy.py [--build build/dev] [--runs 12] [--only quillnest]
"""
import argparse
import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import benchlib  # noqa: E402


def rgb(display, path, crop=None):
    argv = ["convert", path]
    if crop:
        argv += ["-crop", "{}x{}+{}+{}".format(*crop), "+repage"]
    r = subprocess.run(argv + ["-alpha", "off", "-depth", "8", "rgb:-"], env=display.env, capture_output=True)
    return r.stdout if r.returncode == 0 else None


def size_of(display, path):
    r = subprocess.run(["identify", "-format", "%w %h", path], env=display.env, capture_output=True)
    parts = r.stdout.decode().split()
    return tuple(int(v) for v in parts) if len(parts) == 2 else None


def one_run(d, args, p, screen_path, out):
    w, h = d.width, d.height
    if args.verify:
        # The screen as it is now (tray icons, notices of earlier runs and all).
        subprocess.run(["import", "-window", "root", screen_path], env=d.env, check=True)
    benchlib.probe(d, args.probe, p, "open", *p.trigger)
    x = ["xdotool"]
    subprocess.run(x + ["mousemove", "0", "0", "mousedown", "1"], env=d.env, check=False)
    for i in range(1, 9):
        subprocess.run(x + ["mousemove", str((w - 1) * i // 8), str((h - 1) * i // 8)], env=d.env, check=False)
    subprocess.run(x + ["mouseup", "1"], env=d.env, check=False)
    benchlib.probe(d, args.probe, p, "--quiet", "300", "open", "command", "true")
    lines = benchlib.probe(d, args.probe, p, "clipboard", "key", p.copy_key, out)
    parts = lines[0].split()
    result = None
    if len(parts) == 3:
        result = (float(parts[0]), float(parts[1]), int(parts[2]))
    # The overlay is gone after a copy; Escape covers a program that stays open.
    benchlib.wait_quiet(d, args.probe, p)
    if result and args.verify:
        size = size_of(d, out)
        ok = bool(size) and rgb(d, out) == rgb(d, screen_path, (size[0], size[1], 0, 0))
        result += (ok, size)
    return result


def measure(width, height, args):
    d = benchlib.Display(width=width, height=height, tray=True)
    results = {n: [] for n in args.names}
    programs = []
    tmp = tempfile.mkdtemp(prefix="qn-bench-clip-")
    try:
        benchlib.detailed_desktop(d)
        programs += benchlib.start_all(args.names, d, args.binary)
        screen_path = os.path.join(tmp, "screen.png")
        for i in range(args.warmups + args.runs):
            for p in programs:
                r = one_run(d, args, p, screen_path, os.path.join(tmp, f"{p.name}.png"))
                if r and i >= args.warmups:
                    results[p.name].append(r)
    finally:
        for p in programs:
            p.stop()
        d.close()
    return results


def main():
    ap = argparse.ArgumentParser()
    benchlib.common_args(ap)
    ap.add_argument("--runs", type=int, default=12)
    ap.add_argument("--warmups", type=int, default=1)
    ap.add_argument("--no-verify", dest="verify", action="store_false")
    args = ap.parse_args()
    benchlib.setup(args, default=("quillnest", "flameshot"))
    print(f"{'program':<10} {'size':<10} {'what':<24} {'median':>8} {'p90':>8} {'n':>4}")
    for width, height in args.size_list:
        results = measure(width, height, args)
        size = f"{width}x{height}"
        for name in args.names:
            runs = results.get(name, [])
            for label, text in (("Ctrl+C -> owner (ms)", benchlib.summary([r[0] for r in runs])),
                                ("Ctrl+C -> readable (ms)", benchlib.summary([r[1] for r in runs])),
                                ("PNG size (MB)", benchlib.summary([r[2] / 1e6 for r in runs], 2))):
                benchlib.print_row(name, size, label, text, 24)
            if args.verify and runs:
                good = sum(1 for r in runs if r[3])
                sizes = sorted({r[4] for r in runs if r[4]})
                benchlib.print_row(name, size, "exact crop pixels", f"{good}/{len(runs)} {sizes}", 24)


if __name__ == "__main__":
    main()
