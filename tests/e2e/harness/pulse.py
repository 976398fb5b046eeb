"""A PulseAudio server of its own for one test, with a 440 Hz sine source as the only
microphone. It lives in a private runtime folder, so servers of tests that run side by
side never meet.

The microphone is a sine played into a null sink and taken from its monitor: it hands
out sound in small pieces as time passes, as a real microphone does. PulseAudio's own
sine source hands out two seconds at a time, so a recording cut short would seem to
lose sound that a microphone would long have delivered."""
import os
import shutil
import subprocess
import tempfile
import threading
import time

from . import procs


class PulseAudio:
    def __init__(self, frequency=440):
        self.home = tempfile.mkdtemp(prefix="qn-pulse-")
        self.runtime_dir = os.path.join(self.home, "runtime")
        os.makedirs(self.runtime_dir, mode=0o700)
        self.env = dict(os.environ, XDG_RUNTIME_DIR=self.runtime_dir, HOME=self.home,
                        PULSE_RUNTIME_PATH=os.path.join(self.runtime_dir, "pulse"))
        self.log = open(os.path.join(self.home, "pulse.log"), "wb")
        self.proc = subprocess.Popen(
            ["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--disallow-exit",
             "--load=module-native-protocol-unix",
             "--load=module-null-sink sink_name=null",
             f"--load=module-sine sink=null frequency={frequency}",
             "--load=module-remap-source master=null.monitor source_name=sine_input "
             f"source_properties='device.description=\"Sine source at {frequency} Hz\"'"],
            env=self.env, stdout=self.log, stderr=subprocess.STDOUT)
        deadline = time.time() + 20
        while time.time() < deadline:
            if self.proc.poll() is not None:
                raise RuntimeError("pulseaudio exited: " + open(self.log.name).read())
            if subprocess.run(["pactl", "info"], env=self.env, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL).returncode == 0:
                self._keep_short_blocks(deadline)
                return
            time.sleep(0.05)
        raise RuntimeError("pulseaudio did not answer")

    def _keep_short_blocks(self, deadline):
        # A null sink nobody asks for short blocks renders two seconds at a time, and a
        # new listener waits for the block under way. A listener that asks for 20 ms, kept
        # for the server's life, keeps the microphone as prompt as a real one.
        self.keeper = subprocess.Popen(["parec", "--latency-msec=20", "-d", "null.monitor", "--raw"],
                                       env=self.env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        got = 0
        while got < 4096 and time.time() < deadline:
            got += len(os.read(self.keeper.stdout.fileno(), 65536))
        # From now on what it reads goes nowhere, without ever filling a pipe.
        fd = self.keeper.stdout.fileno()
        self.drain = threading.Thread(target=lambda: all(iter(lambda: os.read(fd, 65536), b"")), daemon=True)
        self.drain.start()

    def close(self):
        if getattr(self, "keeper", None):
            procs.stop(self.keeper, timeout=10)
        procs.stop(self.proc, timeout=10)
        self.log.close()
        shutil.rmtree(self.home, ignore_errors=True)
