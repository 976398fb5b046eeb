"""Renders the onboarding media from the running program; see make.sh."""
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

OUT = sys.argv[1]
ROOT = os.path.abspath(os.path.join(OUT, "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))

from Xlib import X, display as xdisplay  # noqa: E402

from harness import chrome, lines  # noqa: E402
from harness.app import OVERLAY_TITLE, Quillnest, open_capture, wait_capture_closed  # noqa: E402
from harness.display import Display  # noqa: E402
from harness.x import X as Xdo  # noqa: E402

W, H = 1280, 1200
FONT = "/usr/share/fonts/opentype/inter/Inter-Regular.otf"
TOP, BOTTOM = "#DFEDFF", "#B8CAFC"
# The media column is 260×468; the media are made at 1.5 times that and scaled by the view.
MEDIA = (390, 702)
# Room left around what a picture shows, in screen pixels.
MARGIN = 12
# The note's lines, large enough to read in the small media column.
LINES = [(290, "Capture anything,"), (335, "mark it up and share"), (380, "a link in seconds."),
         (450, "Arrows, boxes and blur"), (495, "keep the point clear;"), (540, "numbered notes carry"),
         (585, "the comments.")]


def desktop_picture(path):
    """A desktop with a note window on it: something worth capturing."""
    draw = ["-fill", "#505050", "-pointsize", "30"]
    for y, text in LINES:
        draw += ["-draw", f"text 372,{y} '{text}'"]
    subprocess.run([
        "convert", "-size", f"{W}x{H}", f"gradient:{TOP}-{BOTTOM}",
        "-fill", "white", "-stroke", "#C5C5C5", "-draw", "roundrectangle 330,130 960,1060 10,10",
        "-stroke", "none", "-font", FONT,
        "-fill", "#282828", "-pointsize", "44", "-draw", "text 370,215 'Quarterly notes'",
        *draw,
        "-fill", "#1C6AFF", "-draw", "roundrectangle 372,650 640,712 8,8",
        "-fill", "white", "-pointsize", "26", "-draw", "text 410,690 'Upload to Cloud'",
        "-fill", "#E7E7E7", "-draw", "rectangle 372,780 900,786", "-draw", "rectangle 372,830 860,836",
        "-draw", "rectangle 372,880 880,886", "-draw", "rectangle 372,930 700,936",
        path], check=True)


def union(rects):
    x0 = min(r[0] for r in rects)
    y0 = min(r[1] for r in rects)
    x1 = max(r[0] + r[2] for r in rects)
    y1 = max(r[1] + r[3] for r in rects)
    return (x0, y0, x1 - x0, y1 - y0)


def frame_for(rects):
    """The portrait region (the media's shape) around everything in `rects`, with a margin,
    centred on them and kept on the screen where it can be. Nothing in `rects` is cut."""
    x, y, w, h = union(rects)
    w, h = w + 2 * MARGIN, h + 2 * MARGIN
    # Whole multiples of 5 × 9 (10 × 18, so the video's sides stay even): the exact shape.
    n = max(-(-w // 10), -(-h // 18))
    w, h = 10 * n, 18 * n
    cx, cy = x + union(rects)[2] // 2, y + union(rects)[3] // 2
    rx = min(max(cx - w // 2, 0), max(W - w, 0))
    ry = min(max(cy - h // 2, 0), max(H - h, 0))
    # Kept on the screen, unless that would leave no margin on a side: then the margin
    # wins and the picture goes on with the desktop's gradient.
    u = union(rects)
    rx = min(max(rx, u[0] + u[2] + MARGIN - w), u[0] - MARGIN)
    ry = min(max(ry, u[1] + u[3] + MARGIN - h), u[1] - MARGIN)
    region = (rx, ry, w, h)
    assert rx <= u[0] and ry <= u[1] and u[0] + u[2] <= rx + w and u[1] + u[3] <= ry + h, (region, u)
    return region


def set_root_picture(display_name, path):
    raw = subprocess.run(["convert", path, "-depth", "8", "bgra:-"], check=True, capture_output=True).stdout
    d = xdisplay.Display(display_name)
    # The picture must outlive this connection.
    d.set_close_down_mode(X.RetainPermanent)
    screen = d.screen()
    pixmap = screen.root.create_pixmap(W, H, screen.root_depth)
    gc = pixmap.create_gc()
    for y in range(0, H, 50):
        h = min(50, H - y)
        pixmap.put_image(gc, 0, y, W, h, X.ZPixmap, 24, 0, raw[y * W * 4:(y + h) * W * 4])
    screen.root.change_attributes(background_pixmap=pixmap)
    screen.root.clear_area(0, 0, W, H)
    d.sync()
    d.close()


def region_shot(display, work, rect, out):
    """A portrait piece of the screen, scaled to the media size. What lies beyond the
    screen's edge is the desktop's gradient, so a menu at the edge keeps its border."""
    x, y, w, h = rect
    shot = os.path.join(work, "shot.png")
    display.run(["import", "-window", "root", shot])
    top = gradient_at(y)
    bottom = gradient_at(y + h - 1)
    cx, cy = max(x, 0), max(y, 0)
    cw, ch = min(x + w, W) - cx, min(y + h, H) - cy
    subprocess.run(["convert", "-size", f"{w}x{h}", f"gradient:{top}-{bottom}",
                    "(", shot, "-crop", f"{cw}x{ch}+{cx}+{cy}", "+repage", ")",
                    "-geometry", f"+{cx - x}+{cy - y}", "-composite",
                    "-resize", f"{MEDIA[0]}x{MEDIA[1]}!", "-strip", "-colors", "256",
                    "-define", "png:compression-level=9", out], check=True)


def gradient_at(y):
    t = min(max(y / (H - 1), 0), 1)
    a = [int(TOP[i:i + 2], 16) for i in (1, 3, 5)]
    b = [int(BOTTOM[i:i + 2], 16) for i in (1, 3, 5)]
    return "#" + "".join(f"{round(p + (q - p) * t):02X}" for p, q in zip(a, b))


def label_rect(crop):
    """The size label centred over the crop area."""
    x, y, w, h = crop
    return (x + w // 2 - 60, y - 30, 120, 30)


def chrome_rects(app, crop):
    """The crop area with its label, the action bar and the tool column, once placed."""
    bar, column = chrome.wait_placement(app, lambda b, c: b is not None and c is not None)
    return [crop, label_rect(crop), bar, column]


def menu_rect(app, xdo):
    for wid in xdo.windows(pid=app.pid):
        if xdo.override_redirect(wid) and xdo.name(wid) != "Quillnest - Notification":
            return xdo.geometry(wid)
    raise AssertionError("no menu on screen")


def close_capture(app, xdo):
    """Esc, and OK in the "Are you sure?" box that edits bring up."""
    xdo.key("Escape")
    deadline = time.time() + 3
    while xdo.windows(name=OVERLAY_TITLE) and time.time() < deadline:
        if xdo.windows(name="^Quillnest$"):
            xdo.key("Return")
        time.sleep(0.1)
    wait_capture_closed(app, xdo)


def slow_drag(xdo, start, end, seconds, button=1):
    steps = max(2, int(seconds * 30))
    xdo.move(*start)
    xdo.press(button)
    for i in range(1, steps + 1):
        xdo.move(int(start[0] + (end[0] - start[0]) * i / steps), int(start[1] + (end[1] - start[1]) * i / steps))
        time.sleep(seconds / steps)
    xdo.release(button)


def drag_crop(app, xdo, start, end, seconds):
    mark = app.mark()
    slow_drag(xdo, start, end, seconds)
    app.wait_after(mark, lines.crop_area())
    return (start[0], start[1], end[0] - start[0], end[1] - start[1])


def main():
    work = tempfile.mkdtemp(prefix="qn-onboarding-")
    background = os.path.join(work, "desktop.png")
    desktop_picture(background)
    display = Display(width=W, height=H)
    xdo = Xdo(display)
    set_root_picture(display.name, background)
    app = Quillnest(display, prefs={"needOnboarding": False, "localWatermark": False})
    try:
        app.wait_for_line(r"^Quillnest started")
        # Where the chrome will stand around the video's crop: a first pass finds out.
        crop_from, crop_to = (340, 160), (780, 880)
        open_capture(app, xdo)
        crop = drag_crop(app, xdo, crop_from, crop_to, 0.2)
        video_rect = frame_for(chrome_rects(app, crop))
        close_capture(app, xdo)

        # The video: a crop area dragged out, then an arrow and a box drawn in it.
        raw_video = os.path.join(work, "capture.mkv")
        grab = subprocess.Popen(
            ["ffmpeg", "-loglevel", "error", "-y", "-f", "x11grab", "-framerate", "25",
             "-video_size", f"{video_rect[2]}x{video_rect[3]}", "-i", f"{display.name}+{video_rect[0]},{video_rect[1]}",
             "-c:v", "libx264", "-preset", "ultrafast", "-qp", "0", raw_video],
            env=display.env, stdin=subprocess.PIPE)
        time.sleep(0.8)
        open_capture(app, xdo)
        time.sleep(0.4)
        crop = drag_crop(app, xdo, crop_from, crop_to, 1.0)
        time.sleep(0.8)
        xdo.key("a")
        slow_drag(xdo, (400, 600), (700, 300), 0.6)
        time.sleep(0.3)
        xdo.key("r")
        slow_drag(xdo, (360, 420), (720, 600), 0.6)
        time.sleep(1.2)
        grab.communicate(b"q", timeout=20)

        # Pictures from the same capture: the crop with its size, bar and column; then
        # the shapes palette open beside the column.
        xdo.move(1100, 1100)
        time.sleep(0.4)
        shown = chrome_rects(app, crop)
        region_shot(display, work, frame_for(shown), os.path.join(OUT, "onboarding-2.png"))
        since = chrome.mark(app)
        chrome.hover_control(app, xdo, "shapes")
        chrome.wait_line_since(app, since, lines.popover_shown("toolsPalette"))
        line = chrome.lines_since(app, since, lines.popover_shown("toolsPalette"))[-1]
        palette = tuple(int(v) for v in line.split()[-1].split(","))
        time.sleep(0.4)
        region_shot(display, work, frame_for(shown + [palette]), os.path.join(OUT, "onboarding-3.png"))
        xdo.move(1100, 1100)
        close_capture(app, xdo)
        # Text to recognise: a crop around the note's first lines, with its bar.
        open_capture(app, xdo)
        crop = drag_crop(app, xdo, (352, 250), (772, 398), 0.5)
        xdo.move(1100, 1100)
        time.sleep(0.6)
        region_shot(display, work, frame_for(chrome_rects(app, crop)), os.path.join(OUT, "onboarding-4.png"))
        close_capture(app, xdo)
        # The status menu, where Quillnest lives once it starts at login.
        app.open_menu(xdo)
        time.sleep(0.4)
        region_shot(display, work, frame_for([menu_rect(app, xdo)]), os.path.join(OUT, "onboarding-5.png"))
        xdo.key("Escape")

        subprocess.run(["ffmpeg", "-loglevel", "error", "-y", "-i", raw_video,
                        "-vf", f"scale={MEDIA[0]}:{MEDIA[1]}:flags=lanczos,format=yuv420p",
                        "-c:v", "libx264", "-preset", "veryslow", "-crf", "28", "-movflags", "+faststart", "-an",
                        os.path.join(OUT, "qlnt_onb_1.mp4")], check=True)
    finally:
        app.cleanup()
        display.close()
        shutil.rmtree(work, ignore_errors=True)
    for name in ["qlnt_onb_1.mp4"] + [f"onboarding-{i}.png" for i in range(2, 6)]:
        print(f"{name}: {os.path.getsize(os.path.join(OUT, name))} bytes")


if __name__ == "__main__":
    main()
