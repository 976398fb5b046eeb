#!/usr/bin/env python3
"""Peak memory of uploading a large GIF dropped on the tray icon (target: the peak
grows by at most 3x the file's size), and how long the GUI stays unresponsive.

Usage: unshare -n sh -c 'ip link set lo up && bench/drop_upload_memory.py [--build build/dev] [--mb 50]'
(it runs the fake cloud on the development port: give it a network namespace of its own).
Prints the file size, the resident memory before the drop, the peak during the upload
(the kernel's high-water mark, reset just before the drop) and the ratio of the growth
to the file size.
"""
import argparse
import os
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
from harness import lines  # noqa: E402
from harness.app import Quillnest  # noqa: E402
from harness.display import Display  # noqa: E402
from harness.fakecloud import FakeCloud  # noqa: E402
from harness.x import X  # noqa: E402
from harness.xdnd import drop_files  # noqa: E402
import benchlib  # noqa: E402

API = "/api/v2"


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", default=os.path.join(ROOT, "build", "dev"))
    ap.add_argument("--mb", type=int, default=50)
    args = ap.parse_args()
    os.environ["QUILLNEST_BIN"] = os.path.join(args.build, "bin", "quillnest")
    d = Display()
    cloud = FakeCloud()
    app = None
    try:
        x = X(d)
        cloud.answer(API + "/get_user_tray_info", {"success": True, "drafts": [], "projects": []})
        cloud.answer(API + "/create_task", {"success": True, "task_id": 1, "link": "/t/1"})
        cloud.answer(API + "/create_draft", {"success": True, "draft_url": "/d/1"})
        app = Quillnest(d, prefs={"needOnboarding": False, "token": "t", "name": "Bench"})
        app.wait_for_line(lines.started())
        cloud.wait_for(API + "/get_user_tray_info")
        # A real GIF followed by random bytes up to the size (decoders stop at the
        # trailer; the upload sends every byte).
        path = os.path.join(app.home, "big.gif")
        d.run(["convert", "-size", "64x64", "plasma:", f"gif:{path}"])
        with open(path, "ab") as f:
            f.write(os.urandom(args.mb * 1024 * 1024 - os.path.getsize(path)))
        size_kb = os.path.getsize(path) // 1024
        time.sleep(12)  # the device lists load 10 s after start: not the upload's memory
        before = benchlib.status_kb(app.pid).get("VmRSS", 0)
        with open(f"/proc/{app.pid}/clear_refs", "w") as f:
            f.write("5")  # resets the high-water mark
        icon = app.tray_icon(x)
        gx, gy, w, h = x.geometry(icon)
        started = time.time()
        drop_files(d.name, icon, [path], (gx + w // 2, gy + h // 2))
        cloud.wait_for(API + "/create_draft", timeout=300)
        app.wait_for_line(lines.notice(lines.rx("Uploaded!.*")), timeout=300)
        took = time.time() - started
        peak = benchlib.status_kb(app.pid).get("VmHWM", 0)
        print(f"file                  {size_kb / 1024:8.1f} MB")
        print(f"RSS before the drop   {before / 1024:8.1f} MB")
        print(f"peak during upload    {peak / 1024:8.1f} MB")
        print(f"growth / file size    {(peak - before) / size_kb:8.2f} x (target <= 3)")
        print(f"drop to uploaded      {took:8.1f} s")
    finally:
        if app:
            app.cleanup()
        cloud.close()
        d.close()


if __name__ == "__main__":
    main()
