"""Keys, mouse, windows, cursor and clipboard of a Display, through xdotool, xprop, XFixes and xclip."""
import ctypes
import ctypes.util
import subprocess
import time
from typing import NamedTuple


class Cursor(NamedTuple):
    """The pointer's current cursor: image size and hot spot in pixels, its theme name
    ("" for an image cursor) and the box of its visible pixels (x0, y0, x1, y1), inclusive."""
    width: int
    height: int
    xhot: int
    yhot: int
    name: str
    opaque: tuple


class _XFixesCursorImage(ctypes.Structure):
    _fields_ = [("x", ctypes.c_short), ("y", ctypes.c_short),
                ("width", ctypes.c_ushort), ("height", ctypes.c_ushort),
                ("xhot", ctypes.c_ushort), ("yhot", ctypes.c_ushort),
                ("cursor_serial", ctypes.c_ulong), ("pixels", ctypes.POINTER(ctypes.c_ulong)),
                ("atom", ctypes.c_ulong), ("name", ctypes.c_char_p)]


def _xlibs():
    x11 = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
    xfixes = ctypes.CDLL(ctypes.util.find_library("Xfixes") or "libXfixes.so.3")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XDefaultRootWindow.restype = ctypes.c_ulong
    x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    x11.XFlush.argtypes = [ctypes.c_void_p]
    x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
    x11.XQueryPointer.argtypes = [ctypes.c_void_p, ctypes.c_ulong] + [ctypes.c_void_p] * 7
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    x11.XFree.argtypes = [ctypes.c_void_p]
    xfixes.XFixesGetCursorImage.restype = ctypes.POINTER(_XFixesCursorImage)
    xfixes.XFixesGetCursorImage.argtypes = [ctypes.c_void_p]
    return x11, xfixes


def _xtst():
    xtst = ctypes.CDLL(ctypes.util.find_library("Xtst") or "libXtst.so.6")
    xtst.XTestFakeMotionEvent.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int, ctypes.c_int, ctypes.c_ulong]
    return xtst


class X:
    def __init__(self, display):
        self.d = display
        self._input = None  # (x11, xtst, display connection) for pointer moves

    def _xdo(self, *args, check=True):
        return self.d.run(["xdotool", *map(str, args)], check=check).stdout.decode()

    # --- input -------------------------------------------------------------
    def key(self, *keys, clear_modifiers=True):
        """Presses keys ("alt+shift+s"). With clear_modifiers=False, modifiers and
        locks held or on at the moment (Caps Lock) stay in effect."""
        for k in keys:
            if clear_modifiers:
                self._xdo("key", "--clearmodifiers", k)
            else:
                self._xdo("key", k)

    def keydown(self, k):
        self._xdo("keydown", k)

    def keyup(self, k):
        self._xdo("keyup", k)

    def type(self, text):
        self._xdo("type", "--delay", "20", text)

    def pointer(self):
        """(x, y) of the pointer on the root."""
        out = self._xdo("getmouselocation", "--shell")
        vals = dict(line.split("=", 1) for line in out.split() if "=" in line)
        return int(vals["X"]), int(vals["Y"])

    def move(self, x, y):
        """Moves the pointer as a mouse would and returns once the X server has moved it.
        The move is a synthetic input event like xdotool's keys and buttons, so it is
        handled after them: a warp (xdotool mousemove) takes effect at once and can
        overtake a key or button sent just before it when the server is busy."""
        x, y = int(x), int(y)
        if self._input is None:
            x11, _ = _xlibs()
            dpy = x11.XOpenDisplay(self.d.name.encode())
            if not dpy:
                raise RuntimeError(f"cannot open display {self.d.name}")
            self._input = (x11, _xtst(), dpy)
        x11, xtst, dpy = self._input
        xtst.XTestFakeMotionEvent(dpy, -1, x, y, 0)
        x11.XSync(dpy, 0)
        root = x11.XDefaultRootWindow(dpy)
        ret_root, child = ctypes.c_ulong(), ctypes.c_ulong()
        rx, ry, wx, wy, mask = (ctypes.c_int() for _ in range(5))

        def where():
            x11.XQueryPointer(dpy, root, ctypes.byref(ret_root), ctypes.byref(child), ctypes.byref(rx),
                              ctypes.byref(ry), ctypes.byref(wx), ctypes.byref(wy), ctypes.byref(mask))
            return rx.value, ry.value

        deadline = time.time() + 10
        while time.time() < deadline:
            if where() == (x, y):
                return
            time.sleep(0.002)
            # A point between or beyond the monitors: the server keeps the pointer on one.
            if time.time() > deadline - 9.5:
                seen = where()
                time.sleep(0.05)
                if where() == seen:
                    return

    def click(self, x=None, y=None, button=1):
        if x is not None:
            self.move(x, y)
        self._xdo("click", button)

    def press(self, button=1):
        self._xdo("mousedown", button)

    def release(self, button=1):
        self._xdo("mouseup", button)

    def drag(self, start, end, steps=8, button=1, hold=None):
        """Presses at start, moves to end in steps, releases; `hold` is a key held during the drag."""
        self.move(*start)
        if hold:
            self.keydown(hold)
        self._xdo("mousedown", button)
        for i in range(1, steps + 1):
            x = start[0] + (end[0] - start[0]) * i / steps
            y = start[1] + (end[1] - start[1]) * i / steps
            self.move(int(round(x)), int(round(y)))
            time.sleep(0.01)
        self._xdo("mouseup", button)
        if hold:
            self.keyup(hold)

    def cursor(self):
        """The cursor the X server shows now (XFixes), as a Cursor."""
        x11, xfixes = _xlibs()
        dpy = x11.XOpenDisplay(self.d.name.encode())
        if not dpy:
            raise RuntimeError(f"cannot open display {self.d.name}")
        try:
            image_p = xfixes.XFixesGetCursorImage(dpy)
            if not image_p:
                raise RuntimeError("XFixes gave no cursor image")
            try:
                c = image_p.contents
                w, h = c.width, c.height
                xs, ys = [], []
                for i in range(w * h):
                    if (c.pixels[i] >> 24) & 0xFF:
                        xs.append(i % w)
                        ys.append(i // w)
                box = (min(xs), min(ys), max(xs), max(ys)) if xs else None
                return Cursor(w, h, c.xhot, c.yhot, (c.name or b"").decode(), box)
            finally:
                x11.XFree(image_p)
        finally:
            x11.XCloseDisplay(dpy)

    # --- windows -----------------------------------------------------------
    def windows(self, name=None, pid=None, only_visible=True):
        args = ["search"]
        if only_visible:
            args.append("--onlyvisible")
        if pid is not None:
            args += ["--pid", pid]
        if name is not None:
            args += ["--name", name]
        elif pid is None:
            args += ["--name", "."]
        out = self._xdo(*args, check=False)
        return [int(w) for w in out.split()]

    def wait_window(self, name, timeout=10, present=True):
        deadline = time.time() + timeout
        while time.time() < deadline:
            found = self.windows(name=name)
            if bool(found) == present:
                return found
            time.sleep(0.05)
        raise AssertionError(f"window {name!r} {'did not appear' if present else 'did not go'}")

    def geometry(self, wid):
        """(x, y, width, height) of a window on the root."""
        out = self.d.run(["xwininfo", "-id", str(wid)]).stdout.decode()
        vals = {}
        for line in out.splitlines():
            line = line.strip()
            for key in ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"):
                if line.startswith(key + ":"):
                    vals[key] = int(line.split(":")[1])
        return (vals["Absolute upper-left X"], vals["Absolute upper-left Y"], vals["Width"], vals["Height"])

    def name(self, wid):
        return self._xdo("getwindowname", wid, check=False).strip()

    def xprop(self, wid, prop):
        return self.d.run(["xprop", "-id", str(wid), prop], check=False).stdout.decode()

    def override_redirect(self, wid):
        out = self.d.run(["xwininfo", "-id", str(wid)], check=False).stdout.decode()
        return "Override Redirect State: yes" in out

    def popups(self, pid):
        """The popup menus of the process on screen: its unmanaged windows that are not
        its tray notifications."""
        return [w for w in self.windows(pid=pid)
                if self.override_redirect(w) and self.name(w) != "Quillnest - Notification"]

    def popup_shown(self, pid):
        return bool(self.popups(pid))

    def close_window(self, wid):
        """Closes a window the way a user does: through the window manager (Alt+F4
        in openbox), so the program gets its close request."""
        self._xdo("windowactivate", "--sync", wid, check=False)
        self._xdo("key", "--clearmodifiers", "alt+F4", check=False)

    def destroy_window(self, wid):
        """Destroys a window behind its program's back (XDestroyWindow)."""
        self._xdo("windowclose", wid, check=False)

    # --- clipboard ---------------------------------------------------------
    def clipboard_targets(self):
        r = self.d.run(["xclip", "-selection", "clipboard", "-t", "TARGETS", "-o"], check=False, timeout=5)
        return r.stdout.decode().split() if r.returncode == 0 else []

    def clipboard(self, target="UTF8_STRING"):
        r = self.d.run(["xclip", "-selection", "clipboard", "-t", target, "-o"], check=False, timeout=5)
        return r.stdout if r.returncode == 0 else None

    def clipboard_text(self):
        data = self.clipboard()
        return data.decode("utf-8") if data is not None else None

    def set_clipboard_text(self, text):
        subprocess.Popen(["xclip", "-selection", "clipboard", "-i"], env=self.d.env,
                         stdin=subprocess.PIPE).communicate(text.encode(), timeout=5)
        # xclip takes the selection from a process of its own after it has returned: until
        # it has, a copy made now could be taken over by it.
        self.wait_clipboard(lambda v: v == text.encode(), timeout=5)

    def wait_clipboard(self, predicate, target="UTF8_STRING", timeout=10):
        deadline = time.time() + timeout
        value = None
        while time.time() < deadline:
            value = self.clipboard(target)
            if value is not None and predicate(value):
                return value
            time.sleep(0.1)
        raise AssertionError(f"clipboard ({target}) never matched; last value {value[:100] if value else value!r}")
