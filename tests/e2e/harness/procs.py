"""Ending the processes a test or benchmark started."""
import subprocess


def stop(proc, timeout=5):
    """Asks the process to end and kills it when it has not within `timeout` seconds; either
    way it is reaped, so no zombie outlives the test."""
    if proc.poll() is None:
        proc.terminate()
        try:
            proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()
