"""Reads "call<TAB>line" rows on standard input, where call is a call of a function in
harness/lines.py and line what the program's builder of the same name printed, and
fails unless every line matches its pattern and every pattern function was tried."""
import inspect
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from harness import lines  # noqa: E402

HELPERS = {"rx", "ending", "frame", "control_frames", "controls", "_v", "_line"}
HEADINGS = {"settings_window", "settings_page", "onboarding_controls"}

failures = []
tried = set()
for row in sys.stdin.read().splitlines():
    call, line = row.split("\t", 1)
    name = call.split("(", 1)[0]
    tried.add(name)
    result = eval(call, vars(lines))
    if name in HEADINGS:
        ok = result == line
    else:
        ok = result.fullmatch(line) is not None
    if not ok:
        failures.append(f"{call}: {line!r} does not match {getattr(result, 'pattern', result)!r}")
untried = sorted(n for n, f in inspect.getmembers(lines, inspect.isfunction)
                 if f.__module__ == lines.__name__ and n not in HELPERS and n not in tried)
for name in untried:
    failures.append(f"{name}: no builder text was checked against it")
print("\n".join(failures))
sys.exit(1 if failures else 0)
