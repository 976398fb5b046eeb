"""The quillnest program under test, with a fresh HOME of its own."""
import os
import queue
import re
import shutil
import subprocess
import tempfile
import threading
import time

from . import lines, procs

BUNDLE_ID = "com.orvalen.QuillnestSnapDev"


def binary():
    path = os.environ.get("QUILLNEST_BIN")
    if not path:
        raise RuntimeError("QUILLNEST_BIN is not set (run the e2e tests through ctest)")
    return path


class Quillnest:
    def __init__(self, display, prefs=None, env=None, home=None, args=()):
        self.display = display
        self.home = home or tempfile.mkdtemp(prefix="qn-home-")
        self.config_dir = os.path.join(self.home, ".config")
        self.runtime_dir = os.path.join(self.home, "runtime")
        os.makedirs(self.runtime_dir, mode=0o700, exist_ok=True)
        self.prefs_path = os.path.join(self.config_dir, "Quillnest", BUNDLE_ID + ".ini")
        if prefs is not None:
            self.write_prefs(prefs)
        bin_dir = os.path.join(self.home, "bin")
        os.makedirs(bin_dir, exist_ok=True)
        self.browser_log = os.path.join(self.home, "browser.log")
        self._install_fake_browser(bin_dir)
        self.env = dict(display.env)
        self.env.update({
            "HOME": self.home,
            "XDG_CONFIG_HOME": self.config_dir,
            "XDG_RUNTIME_DIR": self.runtime_dir,
            "XDG_CACHE_HOME": os.path.join(self.home, ".cache"),
            "TMPDIR": os.path.join(self.home, "tmp"),
            "PATH": bin_dir + os.pathsep + os.environ.get("PATH", ""),
            "BROWSER": os.path.join(bin_dir, "xdg-open"),
            "QT_QPA_PLATFORM": "xcb",
            "QT_LOGGING_RULES": "qt.qpa.*=false",
            # Menu contents and notices as lines on standard output (X11 cannot list them).
            "QUILLNEST_DIAGNOSTICS": "1",
        })
        os.makedirs(self.env["TMPDIR"], exist_ok=True)
        self.env.update(env or {})
        self.lines = []
        # When each line reached us, read by the thread that blocks on the pipe: a test that
        # times the program by when it noticed a line would count its own delays.
        self.line_times = []
        self._queue = queue.Queue()
        self.proc = subprocess.Popen([binary(), *args], env=self.env, stdout=subprocess.PIPE,
                                     stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL)
        self._reader = threading.Thread(target=self._read, daemon=True)
        self._reader.start()

    def _install_fake_browser(self, bin_dir):
        # Every page the program opens is recorded instead of shown.
        script = f"#!/bin/sh\nprintf '%s\\n' \"$1\" >> '{self.browser_log}'\n"
        for name in ("xdg-open", "x-www-browser", "sensible-browser", "gio", "kde-open", "gnome-open"):
            path = os.path.join(bin_dir, name)
            # The home folder's name may hold bytes that are not UTF-8: kept as they are.
            with open(path, "w", encoding="utf-8", errors="surrogateescape") as f:
                f.write(script)
            os.chmod(path, 0o755)

    def _read(self):
        for raw in self.proc.stdout:
            line = raw.decode("utf-8", "replace").rstrip("\n")
            self.line_times.append(time.time())
            self.lines.append(line)
            self._queue.put(line)

    # --- standard output -------------------------------------------------

    def wait_for_line(self, pattern, timeout=15):
        """Waits for a line of standard output matching the regex; returns the match."""
        rx = re.compile(pattern)
        for line in list(self.lines):
            m = rx.search(line)
            if m:
                return m
        deadline = time.time() + timeout
        while time.time() < deadline:
            try:
                line = self._queue.get(timeout=0.1)
            except queue.Empty:
                if self.proc.poll() is not None and self._queue.empty():
                    break
                continue
            m = rx.search(line)
            if m:
                return m
        raise AssertionError(f"no line matching {pattern!r}; output was:\n" + "\n".join(self.lines[-60:]))

    def mark(self):
        """A place in the output; wait_after(mark, ...) then sees only what came later."""
        return len(self.lines)

    def time_of(self, mark, pattern):
        """When the first line after `mark` matching the regex reached the harness
        (time.time()), or None."""
        rx = re.compile(pattern)
        for i in range(mark, len(self.lines)):
            if rx.search(self.lines[i]):
                return self.line_times[i]
        return None

    def wait_after(self, mark, pattern, timeout=15):
        """Waits for a line matching the regex printed after `mark`; returns the match."""
        rx = re.compile(pattern)
        deadline = time.time() + timeout
        while True:
            for line in self.lines[mark:]:
                m = rx.search(line)
                if m:
                    return m
            if time.time() >= deadline or self.proc.poll() is not None:
                break
            time.sleep(0.02)
        raise AssertionError(f"no line matching {pattern!r} after line {mark}; output was:\n" +
                             "\n".join(self.lines[-60:]))

    def events(self, name=None):
        """Analytics events printed so far, as dicts."""
        import json
        out = []
        for line in self.lines:
            m = lines.analytics().fullmatch(line)
            if m:
                ev = json.loads(m.group(1))
                if name is None or ev.get("event") == name:
                    out.append(ev)
        return out

    # --- status menu and notices (diagnostic lines) ------------------------
    def menus(self):
        """Every status menu printed so far (built or shown), oldest first."""
        import json
        rx = lines.menu()
        return [json.loads(m.group(1)) for l in list(self.lines) if (m := rx.match(l))]

    def menu(self):
        """The status menu as last built or shown: a list of items, each
        {"title", "checked", "enabled", "shortcut"?, "submenu"?} or {"separator": True}."""
        menus = self.menus()
        if not menus:
            raise AssertionError("no status menu was printed yet")
        return menus[-1]

    def wait_for_menu(self, predicate, timeout=10):
        """Waits until the last printed menu satisfies predicate(menu); returns it."""
        deadline = time.time() + timeout
        while time.time() < deadline:
            menus = self.menus()
            if menus and predicate(menus[-1]):
                return menus[-1]
            time.sleep(0.05)
        raise AssertionError("status menu never matched; last one: " + repr(self.menus()[-1:] or None))

    def notices(self):
        """Texts of the tray notifications shown so far."""
        rx = lines.notice()
        return [m.group(1) for l in list(self.lines) if (m := rx.match(l))]

    # --- the tray icon -----------------------------------------------------
    def tray_icon(self, x, timeout=10):
        """The X window of this program's icon in the tray (embedded by trayer)."""
        deadline = time.time() + timeout
        while time.time() < deadline:
            for wid in x.windows(pid=self.pid):
                if x.name(wid) == "Quillnest" and x.geometry(wid)[2] <= 64:
                    return wid
            time.sleep(0.05)
        raise AssertionError("the tray icon did not appear")

    def open_menu(self, x, button=1):
        """Clicks the tray icon (left by default) and waits for the menu to show;
        returns the menu as printed when it opened."""
        shown = len(self.menus())
        icon = self.tray_icon(x)
        gx, gy, w, h = x.geometry(icon)
        x.click(gx + w // 2, gy + h // 2, button=button)
        deadline = time.time() + 10
        while time.time() < deadline:
            if len(self.menus()) > shown and x.popup_shown(self.pid):
                return self.menu()
            time.sleep(0.05)
        raise AssertionError("the status menu did not open")

    def choose(self, x, *path):
        """Opens the status menu and picks an item by its title, through submenus
        by their titles: choose(x, "More info", "About"). Uses the keyboard, as the
        item's place follows from the printed menu."""
        mark = self.mark()
        items = self.open_menu(x)
        for depth, title in enumerate(path):
            reachable = [i for i in items if not i.get("separator") and i["enabled"]]
            titles = [i["title"] for i in reachable]
            if title not in titles:
                raise AssertionError(f"no enabled item {title!r} in {titles}")
            # A menu opened by a click has no item highlighted yet; a submenu opened
            # from the keyboard starts on its first item.
            self.highlight(x, title, mark, start=None if depth == 0 else titles[0])
            item = reachable[titles.index(title)]
            if depth < len(path) - 1:
                # The pointer resting on the item may have opened it already.
                x.key("Right")
                deadline = time.time() + 10
                while len(x.popups(self.pid)) < depth + 2:
                    assert time.time() < deadline, "the submenu did not open"
                    time.sleep(0.02)
                mark = self.mark()
                items = item["submenu"]
            else:
                x.key("Return")

    def highlight(self, x, title, mark, start=None):
        """Moves the open menu's highlight down to `title`, one Down key at a time, each
        waited for in the program's lines. A key that went out before the menu held the
        keyboard is lost, and is sent again."""
        rx = lines.menu_highlighted()
        for _ in range(60):
            found = [m.group(1) for l in list(self.lines)[mark:] if (m := rx.match(l))]
            if (found[-1] if found else start) == title:
                return
            seen = len(self.lines)
            x.key("Down")
            deadline = time.time() + 1.5
            while time.time() < deadline and not any(rx.match(l) for l in list(self.lines)[seen:]):
                time.sleep(0.02)
        raise AssertionError(f"the menu never highlighted {title!r}")

    def opened_urls(self):
        if not os.path.exists(self.browser_log):
            return []
        with open(self.browser_log) as f:
            return [l.strip() for l in f if l.strip()]

    # --- preferences -----------------------------------------------------
    def write_prefs(self, values):
        """values: key -> bool | str | bytes (bytes are stored as data). A key
        "Group/name" goes into the INI section [Group], as QSettings keeps it."""
        os.makedirs(os.path.dirname(self.prefs_path), exist_ok=True)
        sections = {"General": []}
        for key, value in values.items():
            group, _, name = key.rpartition("/")
            sections.setdefault(group or "General", []).append(f"{name}={ini_value(value)}")
        lines = []
        for group, entries in sections.items():
            lines += [f"[{group}]", *entries, ""]
        with open(self.prefs_path, "w") as f:
            f.write("\n".join(lines))

    def prefs(self):
        """The preferences file as key -> raw INI text ("true", "@ByteArray(...)");
        keys of other sections than [General] read "Group/name"."""
        if not os.path.exists(self.prefs_path):
            return {}
        # Read line by line: the file may hold lines QSettings kept from a damaged file.
        out, section = {}, "General"
        with open(self.prefs_path, encoding="utf-8", errors="replace") as f:
            for line in f.read().splitlines():
                line = line.strip()
                if line.startswith("[") and line.endswith("]"):
                    section = line[1:-1]
                elif "=" in line and not line.startswith((";", "#")):
                    key, value = (part.strip() for part in line.split("=", 1))
                    if key:
                        out[key if section == "General" else f"{section}/{key}"] = value
        return out

    def pref(self, key):
        value = self.prefs().get(key)
        return parse_ini_value(value) if value is not None else None

    def wait_for_pref(self, key, expected, timeout=10):
        deadline = time.time() + timeout
        while time.time() < deadline:
            if self.pref(key) == expected:
                return
            time.sleep(0.05)
        raise AssertionError(f"preference {key} is {self.pref(key)!r}, expected {expected!r}")

    # --- life ------------------------------------------------------------
    @property
    def pid(self):
        return self.proc.pid

    def alive(self):
        return self.proc.poll() is None

    def stop(self):
        procs.stop(self.proc)

    def cleanup(self):
        self.stop()
        shutil.rmtree(self.home, ignore_errors=True)


def ini_value(value):
    if isinstance(value, bool):
        return "true" if value else "false"
    if isinstance(value, (bytes, bytearray)):
        text = "@ByteArray(" + bytes(value).decode("utf-8").replace("\\", "\\\\").replace('"', '\\"') + ")"
        # Quoted as QSettings writes it: a bare comma would make the value a list.
        return '"' + text + '"' if "," in text else text
    return str(value)


def parse_ini_value(text):
    """Reads QSettings' INI text back: booleans, texts, @ByteArray(...) as bytes."""
    if text.startswith('"') and text.endswith('"'):
        text = text[1:-1]
    text = text.replace('\\"', '"').replace("\\\\", "\\")
    if text.startswith("@ByteArray(") and text.endswith(")"):
        return text[len("@ByteArray("):-1].encode("utf-8")
    if text in ("true", "false"):
        return text == "true"
    return text


# --- capture helpers ----------------------------------------------------------
OVERLAY_TITLE = "Quillnest capture"
HOT_KEY = "alt+shift+s"


def captures(app):
    """How many captures the program has opened so far."""
    rx = lines.overlay_opened()
    return sum(1 for line in app.lines if rx.match(line))


def open_capture(app, x, count=1):
    """Presses the screenshot hot key and waits until every screen's overlay is on screen
    and one of them has the keys."""
    before = captures(app)
    rx = lines.overlay_opened()
    x.key(HOT_KEY)
    deadline = time.time() + 10
    while time.time() < deadline:
        opened = [m for l in list(app.lines) if (m := rx.match(l))]
        if len(opened) > before:
            screens = int(opened[-1].group(1))
            # The overlays map one after the other: on a slow machine the one a test
            # drags on next may still be on its way when the first is up.
            while len(x.windows(name=OVERLAY_TITLE)) < screens:
                if time.time() > deadline:
                    raise AssertionError(f"fewer than {screens} capture overlays came up")
                time.sleep(0.02)
            wait_focus_in(x, lambda: x.windows(name=OVERLAY_TITLE), deadline)
            return
        time.sleep(0.02)
    raise AssertionError("the capture overlay did not open; output:\n" + "\n".join(app.lines[-40:]))


def wait_focus_in(x, windows, deadline):
    """Waits until one of `windows` (a list, or a function giving the list as it is now)
    has the keyboard focus: keys typed before that would go to whatever window had it,
    which on a busy machine is a real race."""
    while time.time() < deadline:
        focused = x._xdo("getwindowfocus", "-f", check=False).strip()
        current = windows() if callable(windows) else windows
        if focused.isdigit() and int(focused) in current:
            return
        time.sleep(0.02)
    raise AssertionError("the capture overlay never took the keyboard focus")


def wait_capture_closed(app, x, timeout=10):
    x.wait_window(OVERLAY_TITLE, present=False, timeout=timeout)


def copied_picture(app, x, display):
    """Copies the capture (Ctrl+C), waits for the PNG on the clipboard and the overlay to
    close, and returns the PNG as a Picture."""
    from . import screen
    # Whatever the clipboard held, even an earlier capture, must not pass for this one.
    x.set_clipboard_text("waiting for the capture")
    x.key("ctrl+c")
    # The keys wait behind the drag in the program's queue; a starved program on two
    # busy cores takes its time over both, and loses neither.
    data = x.wait_clipboard(lambda v: v.startswith(b"\x89PNG"), target="image/png", timeout=30)
    wait_capture_closed(app, x)
    return screen.decode(data, display)


def drag_crop(app, x, start=(100, 100), end=(300, 250)):
    """Drags out a crop area and waits until the program has taken it, so that a key sent
    next acts on the crop, not on an overlay still without one."""
    mark = app.mark()
    x.drag(start, end)
    app.wait_after(mark, lines.crop_area())
