"""Pictures of an X display for capture tests: a test pattern on the root window,
grabs of the root, PNG/JPEG decoding through ImageMagick, and test windows."""
import os
import subprocess
import tempfile
import time

from . import procs


class Picture:
    """An RGB picture: width, height and rows of bytes (3 per pixel)."""

    def __init__(self, width, height, data):
        self.width, self.height, self.data = width, height, data

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.data[i:i + 3])

    def crop(self, x, y, w, h):
        rows = []
        for row in range(y, y + h):
            start = (row * self.width + x) * 3
            rows.append(self.data[start:start + w * 3])
        return Picture(w, h, b"".join(rows))

    def __eq__(self, other):
        return (self.width, self.height, self.data) == (other.width, other.height, other.data)

    def __repr__(self):
        return f"<Picture {self.width}x{self.height}>"


def _parse_ppm(blob):
    # P6 <w> <h> <max>\n<data>, header fields separated by any whitespace; "#" starts
    # a comment up to the end of its line (ImageMagick writes some for JPEG input).
    parts, pos = [], 0
    while len(parts) < 4:
        while blob[pos:pos + 1].isspace() or blob[pos:pos + 1] == b"#":
            if blob[pos:pos + 1] == b"#":
                pos = blob.index(b"\n", pos)
            pos += 1
        start = pos
        while not blob[pos:pos + 1].isspace():
            pos += 1
        parts.append(blob[start:pos])
    pos += 1
    if parts[0] != b"P6" or int(parts[3]) != 255:
        raise ValueError("not an 8-bit PPM")
    w, h = int(parts[1]), int(parts[2])
    return Picture(w, h, blob[pos:pos + w * h * 3])


def decode(data, display=None):
    """Decodes PNG or JPEG bytes into a Picture (alpha dropped)."""
    run = display.run if display else (lambda argv, **kw: subprocess.run(argv, capture_output=True, check=True, **kw))
    out = run(["convert", "-", "-alpha", "off", "-depth", "8", "ppm:-"], input=data).stdout
    return _parse_ppm(out)


def image_format(data):
    if data.startswith(b"\x89PNG"):
        return "png"
    if data.startswith(b"\xff\xd8\xff"):
        return "jpeg"
    return None


def grab(display):
    """The root window as a Picture."""
    out = display.run(["import", "-window", "root", "-depth", "8", "ppm:-"], timeout=60).stdout
    return _parse_ppm(out)


def grab_area(display, x, y, w, h):
    """A small area of the root window as a Picture, read straight from the X server: a
    whole-screen grab through ImageMagick can take seconds on a busy machine, too slow to
    catch what shows for a moment."""
    from Xlib import X as XL
    from Xlib import display as xdisplay
    conn = xdisplay.Display(display.env["DISPLAY"])
    try:
        raw = conn.screen().root.get_image(x, y, w, h, XL.ZPixmap, 0xFFFFFFFF).data
    finally:
        conn.close()
    # 32 bits a pixel, blue first, on every server these tests start.
    rgb = bytearray(w * h * 3)
    rgb[0::3], rgb[1::3], rgb[2::3] = raw[2::4], raw[1::4], raw[0::4]
    return Picture(w, h, bytes(rgb))


def wait_until(display, look, timeout=5):
    """Grabs the display until look(picture) gives something true and returns that; on a
    timeout returns the last answer. The program paints when it gets to it: a test looks
    again rather than sleeping a fixed time."""
    deadline = time.time() + timeout
    while True:
        answer = look(grab(display))
        if answer or time.time() >= deadline:
            return answer
        time.sleep(0.03)


def paint_pattern(display):
    """Covers the root window with a pattern in which no two nearby pixels are equal."""
    w, h = display.width, display.height
    path = os.path.join(display.tmp, "pattern.ppm")
    if not os.path.exists(path):
        reds = bytes(x % 256 for x in range(w))
        blues = [bytes((x // 256 * 37 + band * 59) % 256 for x in range(w)) for band in range(h // 256 + 1)]
        rows = []
        for y in range(h):
            row = bytearray(w * 3)
            row[0::3] = reds
            row[1::3] = bytes([y % 256]) * w
            row[2::3] = blues[y // 256]
            rows.append(bytes(row))
        with open(path, "wb") as f:
            f.write(f"P6 {w} {h} 255\n".encode() + b"".join(rows))
    display.run(["display", "-window", "root", path], check=False, timeout=90)


def launch_over_pattern(launch, display, prefs, **kwargs):
    """Covers the root with the pattern and starts the program over it; returns the program
    and the screen as it was, to compare what the program shows or copies against."""
    paint_pattern(display)
    app = launch(prefs=prefs, **kwargs)
    return app, grab(display)


class TestWindow:
    """A window of another program (ImageMagick's viewer) showing a picture."""

    def __init__(self, display, x, title, at=(400, 300), size=(500, 300), text=None):
        self.d, self.title = display, title
        path = os.path.join(display.tmp, f"{title}.png")
        argv = ["convert", "-size", f"{size[0]}x{size[1]}", "xc:white"]
        if text:
            argv += ["-font", "DejaVu-Sans", "-pointsize", "28", "-fill", "black", "-annotate", "+20+70", text]
        display.run(argv + [path])
        self.proc = subprocess.Popen(["display", "-title", title, "-geometry", f"+{at[0]}+{at[1]}", path],
                                     env=display.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.wid = x.wait_window(title)[0]
        self.x = x
        deadline = time.time() + 5
        while time.time() < deadline and "_NET_FRAME_EXTENTS(CARDINAL)" not in x.xprop(self.wid, "_NET_FRAME_EXTENTS"):
            time.sleep(0.05)
        # Mapped is not yet painted: wait for the picture's white corner on the screen.
        cx, cy, _, _ = self.client()
        white = (255, 255, 255)
        wait_until(display, lambda pic: all(pic.pixel(cx + 2 + i, cy + 2 + j) == white
                                            for i in range(4) for j in range(4)))

    def client(self):
        """(x, y, w, h) of the window's own area on the root."""
        return self.x.geometry(self.wid)

    def frame(self):
        """(x, y, w, h) with the window manager's decorations."""
        x, y, w, h = self.client()
        out = self.x.xprop(self.wid, "_NET_FRAME_EXTENTS")
        if "=" in out:
            left, right, top, bottom = [int(v) for v in out.split("=")[1].split(",")]
            return (x - left, y - top, w + left + right, h + top + bottom)
        return (x, y, w, h)

    def close(self):
        procs.stop(self.proc)


def paint_halves(display):
    """Covers the root window: the left half white, the right half black."""
    w, h = display.width, display.height
    path = os.path.join(display.tmp, "halves.png")
    if not os.path.exists(path):
        display.run(["convert", "-size", f"{w}x{h}", "xc:white", "-fill", "black",
                     "-draw", f"rectangle {w // 2},0 {w},{h}", path])
    display.run(["display", "-window", "root", path], check=False, timeout=90)


def paint_busy(display):
    """Covers the root window with a busy desktop: lines of small black text on white
    and thin slanted lines over them, like documents and a clock's hands."""
    w, h = display.width, display.height
    path = os.path.join(display.tmp, "busy.png")
    if not os.path.exists(path):
        line = "Invoice 4711 paid on Monday 10:42 by Kim Larsen, ref. QX-88/Z. " * 8
        text = "\n".join(line[i % 17:] for i in range(h // 15 + 1))
        strokes = " ".join(f"line {x},0 {x + 240},{h}" for x in range(-240, w, 60))
        display.run(["convert", "-size", f"{w}x{h}", "xc:white", "-font", "DejaVu-Sans", "-pointsize", "11",
                     "-interline-spacing", "0", "-fill", "black", "-annotate", "+2+12", text,
                     "-stroke", "black", "-strokewidth", "2", "-draw", strokes, path])
    display.run(["display", "-window", "root", path], check=False, timeout=90)


def edge_energy(picture, area):
    """Mean difference between neighbouring pixels' brightness inside area (x, y, w, h):
    what makes text and lines legible, near 0 for anything smooth."""
    x0, y0, w, h = area
    total, count = 0, 0

    def grey(x, y):
        r, g, b = picture.pixel(x, y)
        return (r * 11 + g * 16 + b * 5) // 32

    for y in range(y0, y0 + h - 1):
        for x in range(x0, x0 + w - 1):
            here = grey(x, y)
            total += abs(here - grey(x + 1, y)) + abs(here - grey(x, y + 1))
            count += 1
    return total / count if count else 0.0
