"""Keys, mouse, windows and clipboard of a Display, through xdotool, xprop and xclip."""
import subprocess
import time


class X:
    def __init__(self, display):
        self.d = display

    def _xdo(self, *args, check=True):
        return self.d.run(["xdotool", *map(str, args)], check=check).stdout.decode()

    # --- input -------------------------------------------------------------
    def key(self, *keys):
        for k in keys:
            self._xdo("key", "--clearmodifiers", k)

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
        # --sync waits for the pointer to move, so a move to where it already is would hang.
        if self.pointer() == (int(x), int(y)):
            return
        self._xdo("mousemove", "--sync", x, y)

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

    def close_window(self, wid):
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

    def wait_clipboard(self, predicate, target="UTF8_STRING", timeout=10):
        deadline = time.time() + timeout
        value = None
        while time.time() < deadline:
            value = self.clipboard(target)
            if value is not None and predicate(value):
                return value
            time.sleep(0.1)
        raise AssertionError(f"clipboard ({target}) never matched; last value {value[:100] if value else value!r}")
