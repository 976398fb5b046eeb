"""An X display of its own for one test: Xvfb, openbox as window manager, trayer as tray host."""
import os
import random
import shutil
import subprocess
import tempfile
import time


class Display:
    def __init__(self, width=1920, height=1080, tray=True, wm=True):
        self.width, self.height = width, height
        self.procs = []
        self.tmp = tempfile.mkdtemp(prefix="qn-display-")
        self.name = self._start_xvfb()
        self.env = dict(os.environ, DISPLAY=self.name)
        if wm:
            self._spawn(["openbox", "--sm-disable"], wait_for=self._wm_ready)
        if tray:
            self._spawn(["trayer", "--edge", "top", "--align", "right", "--widthtype", "request",
                         "--height", "24"],
                        wait_for=self._tray_ready)

    def _start_xvfb(self):
        # Servers started side by side can race for the same display number; the
        # loser exits at once, and simply trying again finds the next free one.
        for attempt in range(8):
            name = self._try_xvfb()
            if name:
                return name
            time.sleep(0.1 + random.random() * 0.4)
        raise RuntimeError("Xvfb did not start")

    def _try_xvfb(self):
        r, w = os.pipe()
        proc = subprocess.Popen(
            ["Xvfb", "-displayfd", str(w), "-screen", "0", f"{self.width}x{self.height}x24",
             "-nolisten", "tcp", "-noreset", "+extension", "XTEST"],
            pass_fds=(w,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(w)
        self.procs.append(proc)
        number = b""
        deadline = time.time() + 20
        while not number.endswith(b"\n") and time.time() < deadline:
            chunk = os.read(r, 16)
            if not chunk:
                break
            number += chunk
        os.close(r)
        if not number.strip():
            self.procs.remove(proc)
            if proc.poll() is None:
                proc.kill()
            proc.wait()
            return None
        return ":" + number.decode().strip()

    def _spawn(self, argv, wait_for):
        proc = subprocess.Popen(argv, env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.procs.append(proc)
        deadline = time.time() + 15
        while time.time() < deadline:
            if wait_for():
                return proc
            time.sleep(0.05)
        raise RuntimeError(f"{argv[0]} did not come up")

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
