"""Helpers for drawing on a capture: colour preferences, keys and reading pixels."""
import base64
import time

from harness import lines, screen
from harness.app import open_capture

CROP = ((100, 100), (900, 700))


def color_pref(hex_digits, mask=False):
    """The stored form of an annotation colour, for the "color" preference."""
    inner = base64.b64encode(f'"{hex_digits}"'.encode()).decode()
    return f'{{"color":"{inner}","mask":{"true" if mask else "false"}}}'.encode()


def prefs(color="0075FF", mask=False, tool="rectangle"):
    # No onboarding window in the frozen picture.
    return {"localWatermark": False, "needOnboarding": False, "isFirstRun": False,
            "color": color_pref(color, mask), "tool": tool}


def start(app, x, crop=CROP):
    """Opens a capture and drags out the crop area."""
    open_capture(app, x)
    mark = app.mark()
    x.drag(*crop)
    app.wait_after(mark, lines.crop_area())


def copy(app, x, display):
    """Copies the capture and returns the clipboard's picture."""
    # Whatever the clipboard held, even an earlier capture, must not pass for this one.
    x.set_clipboard_text("waiting for the capture")
    x.key("ctrl+c")
    data = x.wait_clipboard(lambda v: v.startswith(b"\x89PNG"), target="image/png")
    return screen.decode(data, display)


def is_blue(px):
    r, g, b = px
    return b > 180 and r < 90 and g < 170


def near(pic, x, y, test, radius=2):
    """Whether some pixel within `radius` of (x, y) passes `test` (strokes are antialiased)."""
    for dy in range(-radius, radius + 1):
        for dx in range(-radius, radius + 1):
            if 0 <= x + dx < pic.width and 0 <= y + dy < pic.height and test(pic.pixel(x + dx, y + dy)):
                return True
    return False


def wait_points(app, expected, timeout=5):
    """Waits for the comment points line that lists `expected` ("1@300,300 2@..." order kept)."""
    deadline = time.time() + timeout
    while time.time() < deadline:
        found = [m.group(1) for line in app.lines if (m := lines.comment_points().match(line))]
        if found and found[-1].strip() == expected:
            return
        time.sleep(0.05)
    raise AssertionError(f"comment points {expected!r} not seen; last: {found[-1] if found else None!r}")
