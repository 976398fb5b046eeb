"""Reading the editor chrome (action bar and tool column) from the program's diagnostics:
X11 cannot see the child widgets they are made of."""
import re
import time

from . import lines

PLACEMENT = lines.chrome_placement()
CONTROLS = lines.chrome_controls()


def _rect(text):
    return None if text == "none" else tuple(int(v) for v in text.split(","))


def _placement_lines(app):
    """(index, bar, column) of every placement line so far."""
    found = []
    for i, line in enumerate(list(app.lines)):
        m = PLACEMENT.match(line)
        if m:
            found.append((i, _rect(m.group(1)), _rect(m.group(2))))
    return found


def placements(app):
    """Every placement so far, as (bar, column) frames (x, y, w, h) or None when hidden."""
    return [(bar, column) for _, bar, column in _placement_lines(app)]


def _controls_after(app, index):
    for line in list(app.lines)[index + 1:]:
        m = CONTROLS.match(line)
        if m:
            return {name: _rect(frame) for name, frame in (p.split("=") for p in m.group(1).split())}
        if PLACEMENT.match(line):
            break
    return None


def wait_placement(app, predicate=lambda bar, column: bar is not None, timeout=10):
    """Waits until the latest placement satisfies `predicate` (and, with a bar shown, its
    controls have been reported) and returns it."""
    deadline = time.time() + timeout
    while time.time() < deadline:
        found = _placement_lines(app)
        if found:
            index, bar, column = found[-1]
            if predicate(bar, column) and (bar is None or _controls_after(app, index) is not None):
                return bar, column
        time.sleep(0.02)
    raise AssertionError("no such placement of the chrome; last: %r" % (placements(app)[-1:],))


def controls(app):
    """The frames of the chrome's controls by name (global x, y, w, h) at the latest placement."""
    found = _placement_lines(app)
    shown = _controls_after(app, found[-1][0]) if found else None
    if shown is None:
        raise AssertionError("the chrome has not reported its controls at its latest placement")
    return shown


def centre(frame):
    x, y, w, h = frame
    return (x + w // 2, y + h // 2)


def click_control(app, x, name):
    x.click(*centre(controls(app)[name]))


def hover_control(app, x, name):
    x.move(*centre(controls(app)[name]))


def mark(app):
    """A point in the program's output to look for later lines from."""
    return len(app.lines)


def lines_since(app, since, pattern):
    rx = re.compile(pattern)
    return [line for line in list(app.lines)[since:] if rx.search(line)]


def wait_line_since(app, since, pattern, timeout=10):
    """Waits for a line matching `pattern` printed after `since`; returns the time (time.time())
    the first such line reached the harness, which a busy test may notice much later."""
    deadline = time.time() + timeout
    while time.time() < deadline:
        at = app.time_of(since, pattern)
        if at is not None:
            return at
        time.sleep(0.01)
    raise AssertionError("no line matching %r; output was:\n%s" % (pattern, "\n".join(app.lines[since:][-40:])))
