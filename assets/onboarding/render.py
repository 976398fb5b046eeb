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

from harness.app import OVERLAY_TITLE, Quillnest, open_capture, wait_capture_closed  # noqa: E402
from harness.display import Display  # noqa: E402
from harness.x import X as Xdo  # noqa: E402

W, H = 1280, 800
FONT = "/usr/share/fonts/opentype/inter/Inter-Regular.otf"
# The media column is 260×468; the media are made at 1.5 times that and scaled by the view.
MEDIA = (390, 702)


def desktop_picture(path):
    """A desktop with a note window on it: something worth capturing."""
    subprocess.run([
        "convert", "-size", f"{W}x{H}", "gradient:#DFEDFF-#B8CAFC",
        "-fill", "white", "-stroke", "#C5C5C5", "-draw", "roundrectangle 360,90 900,620 8,8",
        "-stroke", "none", "-font", FONT,
        "-fill", "#282828", "-pointsize", "26", "-draw", "text 400,150 'Quarterly notes'",
        "-fill", "#505050", "-pointsize", "17",
        "-draw", "text 400,195 'Capture anything on screen, mark it up'",
        "-draw", "text 400,225 'and share a link in seconds.'",
        "-draw", "text 400,270 'Arrows, boxes and blur keep the point'",
        "-draw", "text 400,300 'clear; numbered notes carry comments.'",
        "-fill", "#1C6AFF", "-draw", "roundrectangle 400,340 560,380 6,6",
        "-fill", "white", "-pointsize", "15", "-draw", "text 428,366 'Upload to Cloud'",
        "-fill", "#E7E7E7", "-draw", "rectangle 400,420 860,424", "-draw", "rectangle 400,450 820,454",
        "-draw", "rectangle 400,480 840,484", "-draw", "rectangle 400,510 700,514",
        path], check=True)


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


def region_shot(display, rect, out):
    """A portrait piece of the screen, scaled to the media size."""
    x, y, w, h = rect
    display.run(["import", "-window", "root", "-crop", f"{w}x{h}+{x}+{y}", "+repage",
                 "-resize", f"{MEDIA[0]}x{MEDIA[1]}!", "-strip", "-define", "png:compression-level=9", out])


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


def main():
    work = tempfile.mkdtemp(prefix="qn-onboarding-")
    background = os.path.join(work, "desktop.png")
    desktop_picture(background)
    display = Display(width=W, height=H)
    xdo = Xdo(display)
    set_root_picture(display.name, background)
    app = Quillnest(display, prefs={"needOnboarding": False})
    try:
        app.wait_for_line(r"^Quillnest started")
        # The video: a crop area dragged out, then an arrow and a box drawn in it.
        video_rect = (390, 40, 360, 648)
        raw_video = os.path.join(work, "capture.mkv")
        grab = subprocess.Popen(
            ["ffmpeg", "-loglevel", "error", "-y", "-f", "x11grab", "-framerate", "25",
             "-video_size", f"{video_rect[2]}x{video_rect[3]}", "-i", f"{display.name}+{video_rect[0]},{video_rect[1]}",
             "-c:v", "libx264", "-preset", "ultrafast", "-qp", "0", raw_video],
            env=display.env, stdin=subprocess.PIPE)
        time.sleep(0.8)
        open_capture(app, xdo)
        time.sleep(0.4)
        slow_drag(xdo, (410, 120), (640, 380), 1.0)
        time.sleep(0.8)
        xdo.key("a")
        slow_drag(xdo, (440, 340), (600, 190), 0.6)
        time.sleep(0.3)
        xdo.key("r")
        slow_drag(xdo, (425, 228), (625, 310), 0.6)
        time.sleep(1.2)
        grab.communicate(b"q", timeout=20)

        # Pictures from the same capture: the crop with its size and bar, the tools.
        region_shot(display, (380, 60, 300, 540), os.path.join(OUT, "onboarding-2.png"))
        region_shot(display, (480, 10, 260, 468), os.path.join(OUT, "onboarding-3.png"))
        close_capture(app, xdo)
        # Text to recognise: a crop over the note's lines, with its bar.
        open_capture(app, xdo)
        slow_drag(xdo, (392, 176), (700, 312), 0.5)
        time.sleep(0.6)
        region_shot(display, (380, 120, 300, 540), os.path.join(OUT, "onboarding-4.png"))
        close_capture(app, xdo)
        # The status menu, where Quillnest lives once it starts at login.
        app.open_menu(xdo)
        time.sleep(0.4)
        region_shot(display, (W - 300, 0, 300, 540), os.path.join(OUT, "onboarding-5.png"))
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
