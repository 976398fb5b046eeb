"""What the side-by-side benchmarks share: the programs (Quillnest, ksnip, flameshot)
on a display of their own, a detailed desktop picture, and the statistics.

Quillnest's development build talks to the development service port, so every
benchmark runs in a network namespace of its own when it can (as root), like the
end-to-end tests.
"""
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
from harness.display import Display  # noqa: E402,F401
from harness import app as qn_app, lines, procs  # noqa: E402


def isolate():
    """Re-runs this script in a network namespace of its own (root only)."""
    if os.environ.get("QN_BENCH_ISOLATED") or os.geteuid() != 0:
        return
    if subprocess.run(["unshare", "-n", "true"], capture_output=True).returncode != 0:
        return
    env = dict(os.environ, QN_BENCH_ISOLATED="1")
    os.execvpe("unshare", ["unshare", "-n", "bash", "-c", 'ip link set lo up && exec "$@"', "_",
                           sys.executable, *sys.argv], env)


def ensure_packages(names):
    """Peers come from Debian; installed here when missing (bench only)."""
    missing = [n for n in names if shutil.which(n) is None]
    if not missing:
        return []
    sudo = [] if os.geteuid() == 0 else ["sudo"]
    print(f"installing {' '.join(missing)} ...", flush=True)
    subprocess.run(sudo + ["apt-get", "install", "-y", "-qq", "--no-install-recommends", *missing],
                   env=dict(os.environ, DEBIAN_FRONTEND="noninteractive"), check=False)
    return [n for n in missing if shutil.which(n) is None]


def cpu_ms(pid):
    """CPU time a process has used so far (all threads), in ms, from the scheduler's own
    nanosecond counts: unlike wall time, hardly changed by other load on the machine."""
    total = 0
    try:
        for task in os.listdir(f"/proc/{pid}/task"):
            with open(f"/proc/{pid}/task/{task}/schedstat") as f:
                total += int(f.read().split()[0])
    except (FileNotFoundError, ProcessLookupError):
        return float("nan")
    return total / 1e6


def status_kb(pid):
    """The sizes in /proc/PID/status (VmRSS, VmHWM, RssAnon, ...), in kB."""
    out = {}
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            key, _, value = line.partition(":")
            parts = value.split()
            if len(parts) == 2 and parts[1] == "kB":
                out[key] = int(parts[0])
    return out


def default_binary():
    """The first build found here: a release one before a development one."""
    for candidate in ("build/release/bin/quillnest", "build/dev/bin/quillnest", "build-dev/bin/quillnest"):
        path = os.path.join(ROOT, candidate)
        if os.path.exists(path):
            return path
    sys.exit("no quillnest binary found; build one or pass --binary")


def server_pid(display):
    """The X server of a display of the harness."""
    return display.procs[0].pid


def percentile(values, q):
    values = sorted(values)
    if not values:
        return float("nan")
    k = (len(values) - 1) * q
    lo = int(k)
    hi = min(lo + 1, len(values) - 1)
    return values[lo] + (values[hi] - values[lo]) * (k - lo)


def summary(values, digits=1):
    """median, p90 and count."""
    if not values:
        return "n/a"
    return f"{statistics.median(values):8.{digits}f} {percentile(values, 0.9):8.{digits}f} {len(values):4d}"


def detailed_desktop(display):
    """Covers the root window with a detailed picture (a photo-like wallpaper with text
    windows), which compresses about as badly as a real busy screen."""
    w, h = display.width, display.height
    path = os.path.join(tempfile.gettempdir(), f"qn-bench-desktop-{w}x{h}.png")
    if not os.path.exists(path):
        wall = path + ".wall.png"
        subprocess.run(["convert", "-seed", "7", "-size", f"{w // 4}x{h // 4}", "plasma:fractal",
                        "-resize", f"{w}x{h}!", "-attenuate", "0.4", "+noise", "Gaussian", wall], check=True)
        draw = []
        for i in range(10):
            x, y = 60 + (i * 331) % max(1, w - 900), 60 + (i * 197) % max(1, h - 600)
            draw += ["-fill", "white", "-draw", f"rectangle {x},{y} {x + 800},{y + 500}",
                     "-fill", "#333a44", "-draw", f"rectangle {x},{y} {x + 800},{y + 28}",
                     "-fill", "black", "-pointsize", "15"]
            for line in range(16):
                draw += ["-draw", f"text {x + 14},{y + 56 + line * 27} "
                                  f"'{i:02d}:{line:02d} The quick brown fox jumps over the lazy dog 0123456789'"]
        subprocess.run(["convert", wall, *draw, path], check=True)
    display.run(["display", "-window", "root", path], check=False)
    return path


class Program:
    name = "?"

    def __init__(self, display):
        self.d = display
        self.home = tempfile.mkdtemp(prefix=f"qn-bench-{self.name}-")
        self.env = dict(display.env, HOME=self.home, XDG_CONFIG_HOME=os.path.join(self.home, ".config"),
                        XDG_RUNTIME_DIR=os.path.join(self.home, "run"), QT_QPA_PLATFORM="xcb")
        # Peers keep their single-instance lock in the temporary folder: another run
        # of a peer on this machine would make ours quit at once.
        self.env["TMPDIR"] = os.path.join(self.home, "tmp")
        os.makedirs(self.env["XDG_RUNTIME_DIR"], mode=0o700, exist_ok=True)
        os.makedirs(self.env["TMPDIR"], exist_ok=True)
        self.proc = None

    @property
    def pid(self):
        return self.proc.pid

    def stop(self):
        if self.proc:
            procs.stop(self.proc)
        self.proc = None

    def rss_mb(self):
        return status_kb(self.pid).get("VmRSS", float("nan")) / 1024


class Quillnest(Program):
    name = "quillnest"
    trigger = ("key", "Alt_L+Shift_L+s")
    copy_key = "Control_L+c"

    def __init__(self, display, binary, name="quillnest", env=None, hot_key=None):
        super().__init__(display)
        self.binary, self.name, self.extra_env = binary, name, env or {}
        self.app = None
        self.prefs = {"needOnboarding": False, "showNotifications": False, "muted": True, "localWatermark": False}
        if hot_key:
            # Instances side by side each need a hot key of their own: the first one
            # to grab a combination is the only one that gets it.
            self.prefs["KeyboardShortcuts/openScreenshot"] = f"Alt+Shift+{hot_key}"
            self.trigger = ("key", f"Alt_L+Shift_L+{hot_key}")

    def start(self):
        os.environ["QUILLNEST_BIN"] = self.binary
        self.app = qn_app.Quillnest(self.d, prefs=self.prefs, home=self.home, env=self.extra_env)
        self.proc = self.app.proc
        self.app.wait_for_line(lines.started(), timeout=30)
        time.sleep(1.5)
        return self.proc.poll() is None

    def stop(self):
        if self.app:
            self.app.stop()
            self.app = None
        self.proc = None


class Flameshot(Program):
    name = "flameshot"
    trigger = ("command", "flameshot gui")
    copy_key = "Control_L+c"

    def start(self):
        self.proc = subprocess.Popen(["flameshot"], env=self.env, stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL)
        time.sleep(2)
        return self.proc.poll() is None

    def run_trigger_env(self):
        return self.env


class Ksnip(Program):
    name = "ksnip"
    trigger = ("key", "Control_L+Shift_L+r")
    copy_key = None

    def start(self):
        conf = os.path.join(self.env["XDG_CONFIG_HOME"], "ksnip")
        os.makedirs(conf, exist_ok=True)
        with open(os.path.join(conf, "ksnip.conf"), "w") as f:
            f.write("[Application]\nGlobalHotKeysEnabled=true\nUseTrayIcon=false\nStartMinimizedToTray=true\n"
                    "[ImageGrabber]\nImplicitCaptureDelay=0\nCaptureDelay=0\n"
                    "[HotKeys]\nGlobalHotKeysEnabled=true\nRectAreaHotKey=Ctrl+Shift+R\n")
        self.proc = subprocess.Popen(["ksnip"], env=self.env, stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL)
        time.sleep(3)
        return self.proc.poll() is None


VARIANTS = {}


def make(name, display, binary):
    if name == "quillnest":
        return Quillnest(display, binary)
    if name in VARIANTS:
        build, env = VARIANTS[name]
        hot_key = f"F{5 + list(VARIANTS).index(name)}"
        return Quillnest(display, os.path.join(build, "bin", "quillnest"), name, env, hot_key)
    return {"ksnip": Ksnip, "flameshot": Flameshot}[name](display)


def start_all(names, display, binary, report=True):
    """Starts each named program on the display; returns those that came up."""
    programs = []
    for name in names:
        p = make(name, display, binary)
        if p.start():
            programs.append(p)
        elif report:
            print(f"  {name}: did not start", flush=True)
    return programs


def print_row(name, size, label, text, width):
    """One line of a results table: program, screen size, what was measured, figures."""
    print(f"{name:<10} {size:<10} {label:<{width}} {text}", flush=True)


def probe(display, probe_bin, program, *args, timeout=30):
    """Runs paint_probe with the program's environment (a peer started by a command
    needs its HOME) and returns its output lines."""
    env = dict(program.env if isinstance(program, Program) else display.env)
    env["DISPLAY"] = display.name
    r = subprocess.run([probe_bin, *args], env=env, capture_output=True, timeout=timeout)
    return r.stdout.decode().split("\n")


def wait_quiet(display, probe_bin, program, key="Escape"):
    """Dismisses the program's overlay and waits until the screen has settled."""
    subprocess.run(["xdotool", "key", key], env=display.env, check=False)
    probe(display, probe_bin, program, "--quiet", "250", "--timeout", "3000", "open", "command", "true")


def common_args(ap):
    ap.add_argument("--build", default=os.path.join(ROOT, "build", "dev"))
    ap.add_argument("--only", action="append", help="measure only these programs")
    ap.add_argument("--sizes", default="1920x1080,3840x2160")
    ap.add_argument("--variant", action="append", default=[],
                    help="another Quillnest in the same run: name=build-dir[,VAR=value...], "
                         "e.g. before=/tmp/main-build (measure before and after side by side)")


def setup(args, default=("quillnest", "ksnip", "flameshot")):
    isolate()
    args.binary = os.path.join(args.build, "bin", "quillnest")
    args.probe = os.path.join(args.build, "bench", "paint_probe")
    names = args.only or list(default)
    for spec in args.variant:
        name, _, rest = spec.partition("=")
        build, *envs = rest.split(",")
        VARIANTS[name] = (os.path.abspath(build), dict(e.split("=", 1) for e in envs))
        names.insert(names.index("quillnest") + 1 if "quillnest" in names else 0, name)
    failed = ensure_packages([n for n in names if n != "quillnest" and n not in VARIANTS])
    if failed:
        print("  could not install " + " ".join(failed) + "; measuring without them")
    args.names = [n for n in names if n not in failed]
    args.size_list = [tuple(int(v) for v in s.split("x")) for s in args.sizes.split(",")]
