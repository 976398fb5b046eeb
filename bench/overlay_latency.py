#!/usr/bin/env python3
"""Hot key -> overlay painted: Quillnest side by side with ksnip and flameshot.

For each size a fresh Xvfb with openbox shows a detailed desktop. Two figures per
program, both from X DAMAGE reports (paint_probe; nothing reads the screen while a
program paints):
  first    the first capture after the program was started (the program is started
           anew for every run);
  steady   later captures of a running program (after --warmups).
"painted" is the last drawing before the screen stays quiet for 300 ms; "changed" is
the first drawing at all; "CPU" is the processor time the program and the X server
spent from the trigger to painted (a peer started by a command counts only the
server), which other load on the machine hardly changes. After each run the settled screen is compared with the
desktop before the trigger: "settled" gives the brightness factor seen at a 3x3 grid
(1.00 = the plain snapshot, 0.80 = dimmed by 0.2) and whether all nine points agree,
i.e. whether the overlay shows the frozen desktop.
Programs are interleaved run by run. Prints median and 90th percentile.

Usage: bench/overlay_latency.py [--build build/dev] [--runs 20] [--first-runs 6]
                                [--only quillnest] [--sizes 1920x1080,3840x2160]
"""
import argparse
import os
import statistics
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import benchlib  # noqa: E402


def parse(lines):
    """(changed, painted, settled factor or None)"""
    if not lines or len(lines[0].split()) != 3:
        return None
    changed, painted, _ = (float(v) for v in lines[0].split())
    after = [tuple(int(c) for c in s.split(",")) for s in lines[1].split()[1:]]
    before = [tuple(int(c) for c in s.split(",")) for s in lines[2].split()[1:]]
    factors = [a / b for pa, pb in zip(after, before) for a, b in zip(pa, pb) if b >= 40]
    factor = statistics.median(factors) if factors else None
    consistent = factor is not None and all(
        abs(a - b * factor) <= 4 for pa, pb in zip(after, before) for a, b in zip(pa, pb))
    return changed, painted, (factor, consistent)


def run_once(d, args, program):
    server = benchlib.server_pid(d)
    cpu = benchlib.cpu_ms(program.pid) + benchlib.cpu_ms(server)
    out = benchlib.probe(d, args.probe, program, "open", *program.trigger)
    cpu = benchlib.cpu_ms(program.pid) + benchlib.cpu_ms(server) - cpu
    benchlib.wait_quiet(d, args.probe, program)
    r = parse(out)
    return r + (cpu,) if r else None


def measure(width, height, args):
    d = benchlib.Display(width=width, height=height, tray=True)
    results = {}
    try:
        benchlib.detailed_desktop(d)
        for name in args.names:
            results[name] = {"first": [], "steady": [], "first_changed": [], "steady_changed": [], "settled": [],
                             "first_cpu": [], "steady_cpu": []}
        # First capture after launch: a fresh start per run.
        for _ in range(args.first_runs):
            for name in args.names:
                p = benchlib.make(name, d, args.binary)
                try:
                    if not p.start():
                        print(f"  {name}: did not start", flush=True)
                        continue
                    r = run_once(d, args, p)
                    if r:
                        results[name]["first"].append(r[1])
                        results[name]["first_changed"].append(r[0])
                        results[name]["first_cpu"].append(r[3])
                        results[name]["settled"].append(r[2])
                finally:
                    p.stop()
        # Steady: one running instance each, interleaved.
        programs = benchlib.start_all(args.names, d, args.binary, report=False)
        for i in range(args.warmups + args.runs):
            for p in programs:
                r = run_once(d, args, p)
                if r and i >= args.warmups:
                    results[p.name]["steady"].append(r[1])
                    results[p.name]["steady_changed"].append(r[0])
                    results[p.name]["steady_cpu"].append(r[3])
                    results[p.name]["settled"].append(r[2])
        for p in programs:
            p.stop()
    finally:
        d.close()
    return results


def settled_text(values):
    factors = [f for f, _ in values if f is not None]
    if not factors:
        return "n/a"
    agree = sum(1 for _, ok in values if ok)
    return f"x{statistics.median(factors):.2f} ({agree}/{len(values)} uniform)"


def main():
    ap = argparse.ArgumentParser()
    benchlib.common_args(ap)
    ap.add_argument("--runs", type=int, default=20)
    ap.add_argument("--first-runs", type=int, default=6)
    ap.add_argument("--warmups", type=int, default=3)
    args = ap.parse_args()
    benchlib.setup(args)
    print(f"{'program':<10} {'size':<10} {'what':<16} {'median':>8} {'p90':>8} {'runs':>4}   (ms)")
    for width, height in args.size_list:
        results = measure(width, height, args)
        size = f"{width}x{height}"
        for name in args.names:
            r = results.get(name, {})
            for key, label in (("first", "first painted"), ("steady", "steady painted"),
                               ("first_changed", "first changed"), ("steady_changed", "steady changed"),
                               ("first_cpu", "first CPU"), ("steady_cpu", "steady CPU")):
                benchlib.print_row(name, size, label, benchlib.summary(r.get(key, [])), 16)
            benchlib.print_row(name, size, "settled", settled_text(r.get("settled", [])), 16)


if __name__ == "__main__":
    main()
