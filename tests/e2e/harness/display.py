"""An X display of its own for one test: an X server, openbox as window manager, trayer as tray host.

One screen comes from Xvfb. Several monitors come from Xorg with the dummy video driver: Xvfb
cannot give Qt more than one screen, while Xorg's RandR outputs show up as one QScreen each.
"""
import os
import random
import re
import shutil
import subprocess
import tempfile
import time
from typing import NamedTuple


class Monitor(NamedTuple):
    """One monitor of a display: its place on the root window, in pixels."""
    x: int
    y: int
    width: int
    height: int

    @property
    def rect(self):
        return (self.x, self.y, self.width, self.height)

    def contains(self, x, y):
        return self.x <= x < self.x + self.width and self.y <= y < self.y + self.height

    def to_root(self, x, y):
        """A point local to this monitor, on the root window."""
        return (self.x + x, self.y + y)


# Two monitors side by side, the second smaller and 200 pixels lower: a non-primary screen
# whose origin is not on either axis of the first one, with a strip of the root above it
# that no monitor shows.
TWO_SCREENS = (Monitor(0, 0, 1920, 1080), Monitor(1920, 200, 1280, 1024))


def _display_number():
    """A display number to try. Left to itself, a server picks the lowest number that is free
    in its own network namespace, so test files running side by side (each in a namespace of its
    own) all get :0 and share the socket file /tmp/.X11-unix/X0: a client that connects through
    that file (python-xlib does) can land on another test's display. An explicit number is
    checked against the lock files in /tmp, which every namespace sees; a taken one makes the
    server exit at once and the caller tries another."""
    return ":%d" % random.randint(20, 4000)


def _read_display_number(fd, proc, what):
    number = b""
    deadline = time.time() + 20
    while not number.endswith(b"\n") and time.time() < deadline:
        chunk = os.read(fd, 16)
        if not chunk:
            break
        number += chunk
    os.close(fd)
    if not number.strip():
        raise RuntimeError(f"{what} did not start")
    return ":" + number.decode().strip()


class Display:
    def __init__(self, width=1920, height=1080, tray=True, wm=True, monitors=None):
        """monitors: a list of Monitor for a display with several screens (Xorg); without it,
        one Xvfb screen of width x height."""
        self.procs = []
        self.tmp = tempfile.mkdtemp(prefix="qn-display-")
        if monitors:
            self.monitors = [Monitor(*m) for m in monitors]
            self.width = max(m.x + m.width for m in self.monitors)
            self.height = max(m.y + m.height for m in self.monitors)
            self.name = self._start_xorg()
        else:
            self.monitors = [Monitor(0, 0, width, height)]
            self.width, self.height = width, height
            self.name = self._start_xvfb()
        self.env = dict(os.environ, DISPLAY=self.name)
        if monitors:
            self._configure_monitors()
        if wm:
            self._spawn(["openbox", "--sm-disable"], wait_for=self._wm_ready)
        if tray:
            self._spawn(["trayer", "--edge", "top", "--align", "right", "--widthtype", "request",
                         "--height", "24", "--monitor", "primary"],
                        wait_for=self._tray_ready)

    def monitor_at(self, x, y):
        """The monitor showing a root point, or None (a point between monitors)."""
        return next((m for m in self.monitors if m.contains(x, y)), None)

    def _start_xvfb(self):
        # Servers started side by side can race for the same display number; the
        # loser exits at once, and simply trying again finds the next free one.
        for attempt in range(8):
            name = self._try_xvfb()
            if name:
                return name
            time.sleep(0.1 + random.random() * 0.4)
        raise RuntimeError("Xvfb did not start")

    def _launch_server(self, server, args, what):
        """Starts an X server on a free display number and returns the display's name once
        the server has said it is ready (RuntimeError when it did not start)."""
        r, w = os.pipe()
        proc = subprocess.Popen([server, _display_number(), "-displayfd", str(w), *args],
                                pass_fds=(w,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(w)
        self.procs.append(proc)
        return _read_display_number(r, proc, what)

    def _try_xvfb(self):
        try:
            return self._launch_server("Xvfb", ["-screen", "0", f"{self.width}x{self.height}x24", "-nolisten",
                                                "tcp", "-noreset", "+extension", "XTEST"], "Xvfb")
        except RuntimeError:
            proc = self.procs.pop()  # the server that lost the race for its number
            if proc.poll() is None:
                proc.kill()
            proc.wait()
            return None

    # --- Xorg with the dummy driver ---------------------------------------------
    def _xorg_config(self):
        # Input devices are not hot-plugged (XTEST's virtual ones are all the tests use), and the
        # frame buffer is made as large as the monitors' bounding box up front: the dummy driver
        # cannot grow it later.
        return f"""Section "ServerFlags"
  Option "AutoAddDevices" "false"
  Option "AutoAddGPU" "false"
  Option "AutoEnableDevices" "false"
  Option "DontVTSwitch" "true"
  Option "BlankTime" "0"
  Option "StandbyTime" "0"
  Option "SuspendTime" "0"
  Option "OffTime" "0"
EndSection
Section "Device"
  Identifier "qn-dummy"
  Driver "dummy"
  VideoRam {max(65536, self.width * self.height * 4 // 1024 * 2)}
EndSection
Section "Monitor"
  Identifier "qn-monitor"
  HorizSync 5.0-1000.0
  VertRefresh 5.0-200.0
EndSection
Section "Screen"
  Identifier "qn-screen"
  Device "qn-dummy"
  Monitor "qn-monitor"
  DefaultDepth 24
  SubSection "Display"
    Depth 24
    Virtual {self.width} {self.height}
  EndSubSection
EndSection
"""

    def _start_xorg(self):
        config = os.path.join(self.tmp, "xorg.conf")
        with open(config, "w") as f:
            f.write(self._xorg_config())
        config_dir = os.path.join(self.tmp, "xorg.conf.d")
        os.makedirs(config_dir, exist_ok=True)
        self.xorg_log = os.path.join(self.tmp, "xorg.log")
        # The server itself rather than the /usr/bin/Xorg wrapper, which only lets console users
        # start it: with the dummy driver it needs no privileges.
        server = "/usr/lib/xorg/Xorg" if os.access("/usr/lib/xorg/Xorg", os.X_OK) else "Xorg"
        try:
            return self._launch_server(
                server, ["-config", config, "-configdir", config_dir, "-logfile", self.xorg_log, "-nolisten", "tcp",
                         "-noreset", "-novtswitch", "-sharevts", "+extension", "XTEST", "+extension", "RANDR"],
                "Xorg")
        except RuntimeError:
            tail = ""
            if os.path.exists(self.xorg_log):
                with open(self.xorg_log, errors="replace") as f:
                    tail = "".join(f.readlines()[-30:])
            self.close()
            raise RuntimeError("Xorg with the dummy driver did not start; its log ends:\n" + tail)

    def _configure_monitors(self):
        # One RandR output per monitor, each with a mode of its exact size: Qt makes one QScreen
        # of every output that shows a mode.
        outputs = [f"DUMMY{i}" for i in range(len(self.monitors))]
        argv = ["xrandr"]
        for i, (m, output) in enumerate(zip(self.monitors, outputs)):
            mode = f"qn{m.width}x{m.height}"
            htotal, vtotal = m.width + 160, m.height + 30
            clock = htotal * vtotal * 60 / 1e6
            self.run(["xrandr", "--newmode", mode, f"{clock:.2f}", str(m.width), str(m.width + 48),
                      str(m.width + 80), str(htotal), str(m.height), str(m.height + 3), str(m.height + 8),
                      str(vtotal)], check=False)
            self.run(["xrandr", "--addmode", output, mode])
            argv += ["--output", output, "--mode", mode, "--pos", f"{m.x}x{m.y}"]
            if i == 0:
                argv.append("--primary")
        self.run(argv)
        # The same key codes as on Xvfb (evdev), so keys mean the same on both servers.
        # A freshly started server can still be busy with its own keymap: try again briefly.
        for attempt in range(10):
            if self.run(["setxkbmap", "-rules", "evdev", "-model", "pc105", "-layout", "us"],
                        check=False).returncode == 0:
                break
            time.sleep(0.2)
        else:
            self.run(["setxkbmap", "-rules", "evdev", "-model", "pc105", "-layout", "us"])
        # A busy server can list the old layout for a moment, or miss the change: look again,
        # and ask once more, before giving up.
        for attempt in range(3):
            deadline = time.time() + 3
            while True:
                listed = self.run(["xrandr", "--listmonitors"]).stdout.decode()
                found = sorted(Monitor(int(x), int(y), int(w), int(h))
                               for w, h, x, y in re.findall(r"(\d+)/\d+x(\d+)/\d+\+(\d+)\+(\d+)", listed))
                if found == sorted(self.monitors):
                    return
                if time.time() >= deadline:
                    break
                time.sleep(0.1)
            self.run(argv, check=False)
        raise RuntimeError(f"the monitors were not set up as asked; xrandr lists:\n{listed}")

    def _spawn(self, argv, wait_for):
        proc = subprocess.Popen(argv, env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.procs.append(proc)
        deadline = time.time() + 15
        while time.time() < deadline:
            if wait_for():
                return proc
            time.sleep(0.05)
        raise RuntimeError(f"{argv[0]} did not come up")

    def start_compositor(self):
        """Runs xcompmgr, so that translucent windows blend with what lies beneath, and waits
        until it owns the compositing manager's selection (what programs ask)."""
        from Xlib import display as xdisplay
        conn = xdisplay.Display(self.name)
        selection = conn.intern_atom("_NET_WM_CM_S0")

        def owned():
            owner = conn.get_selection_owner(selection)
            return getattr(owner, "id", owner) != 0

        try:
            self._spawn(["xcompmgr"], wait_for=owned)
        finally:
            conn.close()

    def run(self, argv, check=True, input=None, timeout=15):
        return subprocess.run(argv, env=self.env, capture_output=True, check=check, input=input, timeout=timeout)

    def _root_prop(self, prop):
        return self.run(["xprop", "-root", prop], check=False).stdout.decode()

    def _wm_ready(self):
        return "window id" in self._root_prop("_NET_SUPPORTING_WM_CHECK")

    def _tray_ready(self):
        screen_sel = self.run(["xdotool", "search", "--class", "trayer"], check=False)
        return screen_sel.returncode == 0 and screen_sel.stdout.strip() != b""

    def screenshot(self, path):
        self.run(["import", "-window", "root", path])
        return path

    def close(self):
        for proc in reversed(self.procs):
            if proc.poll() is None:
                proc.terminate()
        for proc in reversed(self.procs):
            try:
                proc.wait(timeout=5)
            except subprocess.TimeoutExpired:
                proc.kill()
        shutil.rmtree(self.tmp, ignore_errors=True)
