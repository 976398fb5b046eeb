#!/usr/bin/python3
"""A window that changes every frame: an override-redirect rectangle whose grey level
steps at the given rate, with a bar that walks across it. Used as a moving screen by
the recorder's end-to-end test and its benchmark.

usage: animate.py X Y W H [FPS]   (prints "animating" once the window shows)

With ANIMATE_COUNT set to a file name, the number of pictures the X server has taken so
far is written there (replaced whole) about ten times a second: on a busy machine the
screen may change less often than asked, and a recorder can only catch what changed.
"""
import os
import sys
import time

from Xlib import X, display
from Xlib.support import unix_connect

_filesystem_socket = unix_connect._get_unix_socket


def _abstract_socket_first(address):
    # Tests run in network namespaces of their own, where every Xvfb may take the
    # same display number: the abstract socket is the namespace's own server, the
    # file in /tmp/.X11-unix is whichever server made it last.
    if isinstance(address, str) and address.startswith("/tmp/.X11-unix/"):
        try:
            return _filesystem_socket("\0" + address)
        except OSError:
            pass
    return _filesystem_socket(address)


unix_connect._get_unix_socket = _abstract_socket_first


def main():
    x, y, w, h = (int(v) for v in sys.argv[1:5])
    fps = float(sys.argv[5]) if len(sys.argv) > 5 else 60.0
    d = display.Display()
    screen = d.screen()
    win = screen.root.create_window(x, y, w, h, 0, screen.root_depth, X.InputOutput, X.CopyFromParent,
                                    override_redirect=True, background_pixel=screen.black_pixel,
                                    event_mask=X.ExposureMask)
    win.map()
    d.sync()
    colormap = screen.default_colormap
    greys = [colormap.alloc_color(v * 257, v * 257, v * 257).pixel for v in range(0, 256, 8)]
    white = screen.white_pixel
    gc = win.create_gc(foreground=greys[0])
    print("animating", flush=True)
    step = 0
    period = 1.0 / fps
    next_time = time.monotonic()
    count_file = os.environ.get("ANIMATE_COUNT")
    counted_at = 0.0
    while True:
        if count_file and time.monotonic() - counted_at >= 0.1:
            # Synced first: the count is of pictures the server has drawn, not queued.
            d.sync()
            counted_at = time.monotonic()
            with open(count_file + ".new", "w") as f:
                f.write(f"{step} {counted_at}\n")
            os.replace(count_file + ".new", count_file)
        gc.change(foreground=greys[step % len(greys)])
        win.fill_rectangle(gc, 0, 0, w, h)
        gc.change(foreground=white)
        bar = max(4, w // 20)
        win.fill_rectangle(gc, (step * bar) % max(1, w - bar), 0, bar, h)
        d.flush()
        step += 1
        next_time += period
        delay = next_time - time.monotonic()
        if delay > 0:
            time.sleep(delay)
        else:
            next_time = time.monotonic()


if __name__ == "__main__":
    main()
