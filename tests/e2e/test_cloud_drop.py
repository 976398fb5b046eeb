"""Image files dropped on the tray icon are uploaded like captures, under their own
names; other files are ignored."""
import base64
import contextlib
import os
import select
import subprocess
import time

import pytest

from harness import lines, screen
from harness.xdnd import drop_files
from test_cloud_upload import API, HOST, SIGNED_IN, api_requests, close_enough, field, form, signed_in, TOKEN


def drop(app, x, display, *paths):
    icon = app.tray_icon(x)
    gx, gy, w, h = x.geometry(icon)
    return drop_files(display.name, icon, list(paths), (gx + w // 2, gy + h // 2))


def said(source, timeout=10):
    """The next line the drag source prints."""
    line = b""
    deadline = time.time() + timeout
    while not line.endswith(b"\n"):
        ready, _, _ = select.select([source.stdout], [], [], max(0, deadline - time.time()))
        if not ready:
            raise AssertionError(f"the drag source said nothing more after {line!r}")
        byte = os.read(source.stdout.fileno(), 1)
        if not byte:
            raise AssertionError(f"the drag source ended after {line!r}")
        line += byte
    return line.decode().strip()


@contextlib.contextmanager
def drag_from_another_program(app, x, display, path):
    """Drags the file with the pointer from another program's window onto the tray
    icon, as from a file manager; gives how the drag ended for that program. The
    program keeps running meanwhile: the data of a drop is fetched from it."""
    source = subprocess.Popen([os.environ["QN_DRAG_SOURCE"], path], env=dict(display.env, QT_QPA_PLATFORM="xcb"),
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    try:
        [window] = x.wait_window("^drag source$")
        assert said(source) == "drag source shown"
        wx, wy, ww, wh = x.geometry(window)
        gx, gy, w, h = x.geometry(app.tray_icon(x))
        start, end = (wx + ww // 2, wy + wh // 2), (gx + w // 2, gy + h // 2)
        x.move(*start)
        x._xdo("mousedown", 1)
        for i in range(1, 21):
            x.move(start[0] + (end[0] - start[0]) * i // 20, start[1] + (end[1] - start[1]) * i // 20)
            time.sleep(0.05)
        assert said(source) == "drag accepted"
        x._xdo("mouseup", 1)
        yield said(source)
    finally:
        source.terminate()
        source.wait(timeout=5)


def make_image(app, display, name, size="64x48", fill="xc:#3366cc"):
    path = os.path.join(app.home, name)
    fmt = "gif" if name.lower().endswith(".gif") else "png"
    display.run(["convert", "-size", size, fill, "-depth", "8", f"{fmt}:{path}"])
    return path


def test_a_dropped_png_is_uploaded_under_its_own_name(launch, x, display, cloud):
    cloud.answer(API + "/create_task", {"success": True, "task_id": 31, "link": "/t/Drop"})
    cloud.answer(API + "/create_draft", {"success": True, "draft_url": "/d/drop"})
    app = signed_in(launch, cloud)
    path = make_image(app, display, "shot one.png", fill="gradient:red-blue")
    with open(path, "rb") as f:
        original = screen.decode(f.read(), display)

    assert drop(app, x, display, path)
    [task] = cloud.wait_for(API + "/create_task")
    [draft] = cloud.wait_for(API + "/create_draft")
    assert task.body == form([("authid", TOKEN), ("description", ""), ("fastLoad", "1"), ("name", "shot one.png"),
                              ("projectid", "9")])
    file_data = field(draft.body, "file_data")
    assert file_data.startswith("data:image/png;base64,")
    close_enough(screen.decode(base64.b64decode(file_data.split(",", 1)[1]), display), original)
    # Dropped files carry no comment points and no crop area.
    assert draft.body == form([("authid", TOKEN), ("fileName", "shot one.png"), ("file_data", file_data),
                               ("height", "48.0"), ("projectid", "9"), ("templateid", "31"), ("width", "64.0")])
    assert x.wait_clipboard(lambda v: v.endswith(b"/t/Drop")) == (HOST + "/t/Drop").encode()
    app.wait_for_line(lines.notice(lines.rx(r"Uploaded!.*")))
    assert len(app.events("upload_to_cloud")) == 1


@pytest.mark.skipif("QN_DRAG_SOURCE" not in os.environ, reason="the drag source program is built with the tests")
def test_a_file_dragged_from_another_program_onto_the_icon_is_uploaded(launch, x, display, cloud):
    cloud.answer(API + "/create_task", {"success": True, "task_id": 33, "link": "/t/Dragged"})
    cloud.answer(API + "/create_draft", {"success": True, "draft_url": "/d/dragged"})
    app = signed_in(launch, cloud)
    path = make_image(app, display, "dragged.png")
    with drag_from_another_program(app, x, display, path) as ended:
        assert ended == "drag ended: copied"
        [task] = cloud.wait_for(API + "/create_task")
    assert field(task.body, "name") == "dragged.png"
    cloud.wait_for(API + "/create_draft")
    assert x.wait_clipboard(lambda v: v.endswith(b"/t/Dragged")) == (HOST + "/t/Dragged").encode()


def test_gif_bytes_travel_unchanged_and_other_files_are_ignored(launch, x, display, cloud):
    cloud.answer(API + "/create_task", {"success": True, "task_id": 32})
    cloud.answer(API + "/create_draft", {"success": True})
    app = signed_in(launch, cloud, prefs=dict(SIGNED_IN, showNotifications=False))
    notes = os.path.join(app.home, "notes.txt")
    with open(notes, "w") as f:
        f.write("not a picture\n")
    assert drop(app, x, display, notes)  # taken, as every file drag is, then ignored
    app.wait_for_line(lines.dropped_file_not_image(lines.ending("notes.txt")))
    assert api_requests(cloud)[-1].path == API + "/get_user_tray_info"

    gif = make_image(app, display, "Anim.GIF", size="30x20")
    assert drop(app, x, display, gif)
    [draft] = cloud.wait_for(API + "/create_draft")
    with open(gif, "rb") as f:
        raw = f.read()
    assert field(draft.body, "file_data") == "data:image/gif;base64," + base64.b64encode(raw).decode()
    assert (field(draft.body, "width"), field(draft.body, "height")) == ("30.0", "20.0")
    assert field(draft.body, "fileName") == "Anim.GIF"
    time.sleep(0.5)  # nothing marks what never comes: a grace window for a late one
    assert not [n for n in app.notices() if n.startswith("Uploaded!")]  # notifications are off


def test_a_failed_drop_upload_offers_the_image(launch, x, display, cloud):
    cloud.answer(API + "/create_task", {"success": False, "message": "Not allowed"})
    app = signed_in(launch, cloud)
    assert drop(app, x, display, make_image(app, display, "a.png"))
    app.wait_for_line(lines.notice("Create Task: Not allowed Info  |  Save to your Computer  |  Close"))
    assert not cloud.requests_to(API + "/create_draft")
