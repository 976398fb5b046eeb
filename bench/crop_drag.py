#!/usr/bin/env python3
"""Crop drag: pointer motion -> new edge on screen, Quillnest side by side with ksnip
and flameshot, on a detailed desktop at each size.

Each round opens the program's capture overlay, presses at 20 % of the screen, drags
to 60 %, and then moves the pointer --steps times by 8 pixels to the right while the
button stays down (paint_probe drag). Per step: the time until the pixel just inside
the new edge changes, and the area the program drew for that step (X DAMAGE, in
megapixels). Rounds are interleaved between programs. Prints median and p90.

Usage: bench/crop_drag.py [--build build/dev] [--rounds 5] [--steps 20] [--only quillnest]
"""
import argparse
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import benchlib  # noqa: E402


def one_round(d, args, p, width, height):
    benchlib.probe(d, args.probe, p, "open", *p.trigger)
    out = benchlib.probe(d, args.probe, p, "drag", str(width // 5), str(height // 5), str(width * 3 // 5),
                         str(height * 3 // 5), str(args.steps), "8", timeout=120)
    steps = []
    for line in out:
        parts = line.split()
        if len(parts) == 3 and parts[0] == "step" and float(parts[1]) >= 0:
            steps.append((float(parts[1]), float(parts[2])))
    benchlib.wait_quiet(d, args.probe, p)
    return steps


def measure(width, height, args):
    d = benchlib.Display(width=width, height=height, tray=True)
    results = {n: [] for n in args.names}
    programs = {}
    try:
        benchlib.detailed_desktop(d)
        for r in range(args.rounds):
            for name in args.names:
                p = programs.get(name)
                # ksnip ends a drag by opening its editor: it starts anew each round.
                if p is None or name == "ksnip":
                    if p:
                        p.stop()
                    p = benchlib.make(name, d, args.binary)
                    if not p.start():
                        print(f"  {name}: did not start", flush=True)
                        programs[name] = None
                        continue
                    programs[name] = p
                results[name] += one_round(d, args, p, width, height)
    finally:
        for p in programs.values():
            if p:
                p.stop()
        d.close()
    return results


def main():
    ap = argparse.ArgumentParser()
    benchlib.common_args(ap)
    ap.add_argument("--rounds", type=int, default=5)
    ap.add_argument("--steps", type=int, default=20)
    args = ap.parse_args()
    benchlib.setup(args)
    print(f"{'program':<10} {'size':<10} {'what':<22} {'median':>8} {'p90':>8} {'n':>4}")
    for width, height in args.size_list:
        results = measure(width, height, args)
        size = f"{width}x{height}"
        for name in args.names:
            steps = results.get(name, [])
            benchlib.print_row(name, size, "motion -> edge (ms)", benchlib.summary([s[0] for s in steps]), 22)
            benchlib.print_row(name, size, "drawn per step (Mpx)", benchlib.summary([s[1] for s in steps], 3), 22)


if __name__ == "__main__":
    main()
