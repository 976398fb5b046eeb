"""Uploading a capture to the cloud service: the task and draft requests as sent, the
JPEG they carry, the link on the clipboard, and what happens when the upload cannot go."""
import base64
import os
import re
import subprocess
import time

import pytest

from harness import annotate, lines, screen
from harness.annotate import wait_points
from harness.app import open_capture, wait_capture_closed

API = "/api/v2"
HOST = "http://127.0.0.1:18765"
TOKEN = "t0k+3n/=x y"
PREFS = {"needOnboarding": False, "localWatermark": False, "uploadWatermark": False}
SIGNED_IN = dict(PREFS, token=TOKEN, name="Ann")
NAME = re.compile(r"^.+ \d{4}-\d\d-\d\d \d\d\.\d\d\.\d\d$")
TRAY_INFO = {"success": True, "drafts": [],
             "projects": [{"id": 3, "name": "Website", "url": "https://p.example/3", "archive": False, "temporary": 0},
                          {"id": 9, "name": "Uploads", "url": "https://p.example/9", "archive": False,
                           "temporary": 1}]}

# What the service reads: every byte but letters, digits and -._~/? escaped as %XX,
# pairs sorted by their written bytes.
SAFE = set(b"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-._~/?")


def escape(text):
    return "".join(chr(b) if b in SAFE else "%%%02X" % b for b in text.encode("utf-8"))


def written(pairs):
    return [f"{escape(k)}={escape(v)}" for k, v in pairs]


def form(pairs, records=()):
    """A body: the pairs and, for each record of a list, its pairs joined as one unit."""
    units = written(pairs) + ["&".join(sorted(written(record))) for record in records]
    return "&".join(sorted(units)).encode("ascii")


def number(value):
    """A double as the service reads it: shortest round trip, always with a fraction."""
    text = repr(float(value))
    return text if ("." in text or "e" in text) else text + ".0"


def field(body, key):
    from urllib.parse import unquote
    for pair in body.decode("ascii").split("&"):
        k, _, v = pair.partition("=")
        if unquote(k) == key:
            return unquote(v)
    raise AssertionError(f"no {key!r} in {body[:200]!r}")


def signed_in(launch, cloud, prefs=None):
    """Starts the program signed in, with the upload project loaded from the service."""
    cloud.answer(API + "/get_user_tray_info", TRAY_INFO)
    app = launch(prefs=prefs or SIGNED_IN)
    cloud.wait_for(API + "/get_user_tray_info")
    app.wait_for_line(lines.tray_info_applied(len(TRAY_INFO["projects"])))
    app.wait_for_menu(lambda m: any(i.get("title") == "My Cloud" for i in m))
    return app


def api_requests(cloud):
    return [r for r in cloud.requests if r.path.startswith(API)]


def close_enough(a, b, mean=3.0, worst=64):
    """JPEG at quality 90 against the exact pixels."""
    assert (a.width, a.height) == (b.width, b.height)
    diffs = [abs(p - q) for p, q in zip(a.data, b.data)]
    assert sum(diffs) / len(diffs) < mean and max(diffs) < worst, (sum(diffs) / len(diffs), max(diffs))


def test_upload_sends_task_then_draft_and_puts_the_link_on_the_clipboard(launch, x, display, cloud):
    screen.paint_pattern(display)
    cloud.answer(API + "/create_task", {"success": True, "task_id": 77, "link": "/t/Ab1"})
    cloud.answer(API + "/create_draft", {"success": True, "draft_url": "/d/xyz", "draft_id": 5})
    app = signed_in(launch, cloud)
    x.set_clipboard_text("before")
    before = screen.grab(display)

    open_capture(app, x)
    x.drag((100, 100), (300, 250))
    x.key("ctrl+Return")
    [task] = cloud.wait_for(API + "/create_task")
    [draft] = cloud.wait_for(API + "/create_draft")
    wait_capture_closed(app, x)

    name = field(task.body, "name")
    assert NAME.match(name), name
    assert task.body == form([("authid", TOKEN), ("description", ""), ("fastLoad", "1"), ("name", name),
                              ("projectid", "9")])
    assert task.headers["Content-Type"] == "application/x-www-form-urlencoded; charset=utf-8"

    file_data = field(draft.body, "file_data")
    prefix = "data:image/png;base64,"
    assert file_data.startswith(prefix)
    jpeg = base64.b64decode(file_data[len(prefix):], validate=True)
    assert screen.image_format(jpeg) == "jpeg"
    close_enough(screen.decode(jpeg, display), before.crop(100, 100, 200, 150))
    # No comment points on this capture: no "points" key at all.
    assert draft.body == form([("authid", TOKEN), ("fileName", name), ("file_data", file_data),
                               ("height", "150.0"), ("projectid", "9"), ("templateid", "77"), ("width", "200.0")])

    assert x.wait_clipboard(lambda v: v != b"before") == (HOST + "/t/Ab1").encode()
    app.wait_for_line(lines.notice("Uploading... URL copied to Clipboard"))
    app.wait_for_line(lines.notice(lines.rx("Uploaded!.*")))
    assert len(app.events("upload_to_cloud")) == 1
    assert app.events("upload_to_cloud")[0]["username"] == "Ann"


def test_comment_points_travel_with_the_draft(launch, x, display, cloud):
    screen.paint_halves(display)
    cloud.answer(API + "/create_task", {"success": True, "task_id": 5, "link": "/t/P"})
    cloud.answer(API + "/create_draft", {"success": True, "draft_url": "/d/p"})
    app = signed_in(launch, cloud, prefs=dict(SIGNED_IN, **annotate.prefs(color="FF4141", tool="point")))
    annotate.start(app, x, crop=((100, 100), (500, 400)))
    # The first point marks an area, its pin at the corner where the drag ended; the
    # second is a plain pin. Their comments sort "Alpha..." before "Fix...". The
    # colour is the palette's fourth (code 14).
    # The card opens and takes the keys while the release or click is handled: typing
    # may follow at once.
    x.drag((200, 150), (300, 250))
    x.type("Fix this + that")
    x.key("Return")
    x.click(420, 330)
    x.type("Alpha & beta=1")
    x.key("Return")
    wait_points(app, "1@300,250 2@420,330")
    x.key("ctrl+Return")
    [task] = cloud.wait_for(API + "/create_task")
    [draft] = cloud.wait_for(API + "/create_draft")

    crop_w, crop_h = 400, 300
    area = [("points[][color]", "14"), ("points[][comment]", "Fix this + that"), ("points[][order]", "1"),
            ("points[][position]", "2"),  # bottom right
            ("points[][width]", number(100 / crop_w * 100)), ("points[][height]", number(100 / crop_h * 100)),
            # the far corner of the area, from the crop's top left, in pixels
            ("points[][left]", number(100 + 100)), ("points[][top]", number(100 + 50))]
    pin = [("points[][color]", "14"), ("points[][comment]", "Alpha & beta=1"), ("points[][order]", "2"),
           ("points[][position]", "3"), ("points[][width]", "0.0"), ("points[][height]", "0.0"),
           ("points[][left]", number(420 - 100)), ("points[][top]", number(330 - 100))]
    file_data = field(draft.body, "file_data")
    assert screen.decode(base64.b64decode(file_data.split(",", 1)[1]), display).width == crop_w
    expected = form([("authid", TOKEN), ("fileName", field(task.body, "name")), ("file_data", file_data),
                     ("height", "300.0"), ("projectid", "9"), ("templateid", "5"), ("width", "400.0")],
                    records=[area, pin])
    assert draft.body == expected
    assert draft.body.index(b"Alpha") < draft.body.index(b"Fix")
    app.wait_for_line(lines.notice(lines.rx("Uploaded!.*")))


def test_a_refused_task_offers_the_capture_and_sends_no_draft(launch, x, display, cloud):
    cloud.answer(API + "/create_task", {"success": False, "message": "Quota reached"})
    cloud.answer(API + "/create_draft", {"success": True, "draft_url": "/d/never"})
    app = signed_in(launch, cloud)
    x.set_clipboard_text("before")
    open_capture(app, x)
    x.drag((100, 100), (300, 250))
    x.key("ctrl+Return")
    cloud.wait_for(API + "/create_task")
    app.wait_for_line(lines.notice("Create Task: Quota reached Info  |  Save to your Computer  |  Close"))
    time.sleep(0.5)  # nothing marks what never comes: a grace window for a late one
    assert not cloud.requests_to(API + "/create_draft")
    assert app.events("upload_to_cloud") == []
    assert x.clipboard_text() == "before"
    assert not [n for n in app.notices() if n.startswith("Uploaded!")]


def test_a_success_answer_counts_whatever_the_http_status_and_autoupload_starts_at_the_crop(
        launch, x, display, cloud):
    cloud.answer(API + "/create_task", {"success": True, "task_id": 8, "link": "/t/Q"}, status=500)
    cloud.answer(API + "/create_draft", {"success": True, "draft_url": "/d/q"}, status=500)
    app = signed_in(launch, cloud, prefs=dict(SIGNED_IN, autoUpload=True))
    open_capture(app, x)
    x.drag((400, 300), (520, 380))  # the upload starts as the crop is made
    [draft] = cloud.wait_for(API + "/create_draft")
    wait_capture_closed(app, x)
    assert field(draft.body, "templateid") == "8"
    assert (field(draft.body, "width"), field(draft.body, "height")) == ("120.0", "80.0")
    assert x.wait_clipboard(lambda v: v.endswith(b"/t/Q")) == (HOST + "/t/Q").encode()
    app.wait_for_line(lines.notice(lines.rx("Uploaded!.*")))
    assert len(app.events("upload_to_cloud")) == 1


def kept_capture(app, timeout=5):
    """The capture the program kept for saving (its last-screenshot file)."""
    deadline = time.time() + timeout
    while True:
        found = [os.path.join(d, "last-screenshot.png") for d, _, files in os.walk(app.home)
                 if "last-screenshot.png" in files]
        if found or time.time() > deadline:
            break
        time.sleep(0.05)
    assert len(found) == 1, found
    with open(found[0], "rb") as f:
        return f.read()


def test_signed_out_upload_sends_nothing_and_asks_to_sign_in(launch, x, display, cloud):
    screen.paint_pattern(display)
    cloud.answer(API + "/create_task", {"success": True, "task_id": 1})
    app = launch(prefs=PREFS)
    before = screen.grab(display)
    open_capture(app, x)
    x.drag((100, 100), (300, 250))
    x.key("ctrl+Return")
    wait_capture_closed(app, x)
    app.wait_for_line(lines.notice("You have to Sign in first. Save to your Computer  |  Close"))
    time.sleep(0.5)  # nothing marks what never comes: a grace window for a late one
    assert api_requests(cloud) == []
    # The capture is kept, as it was, for saving.
    assert screen.decode(kept_capture(app), display) == before.crop(100, 100, 200, 150)


def loopback(state):
    subprocess.run(["ip", "link", "set", "lo", state], check=True)


@pytest.mark.skipif(os.geteuid() != 0, reason="taking the network down needs a network namespace of our own")
def test_offline_upload_sends_nothing_and_offers_the_capture(launch, x, display, cloud):
    cloud.answer(API + "/create_task", {"success": True, "task_id": 1})
    app = signed_in(launch, cloud)
    requests = len(api_requests(cloud))
    open_capture(app, x)
    x.drag((100, 100), (300, 250))
    loopback("down")
    try:
        x.key("ctrl+Return")
        app.wait_for_line(lines.notice("Check the Internet connection! Save to your Computer  |  Close"))
        app.wait_for_line(lines.notice_emoji("1F914"))
        wait_capture_closed(app, x)
    finally:
        loopback("up")
    time.sleep(1)  # nothing marks what never comes: a grace window for a late one
    assert len(api_requests(cloud)) == requests
    assert kept_capture(app).startswith(b"\x89PNG")
    assert app.pref("token") == TOKEN  # still signed in
