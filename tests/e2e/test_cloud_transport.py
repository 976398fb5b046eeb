"""What the program does when the cloud service misbehaves: answers dripped byte by
byte, oversized answers, redirects to other hosts, records sent with error statuses,
links that are not paths, and connections that break after a task was asked for."""
import re
import time

from harness import lines
from harness.app import drag_crop, open_capture, wait_capture_closed
from harness.fakecloud import FakeCloud, Misbehave
from test_cloud_upload import API, SIGNED_IN, TRAY_INFO, signed_in


def error_notice(start):
    """The error notice whose text starts with `start` (notices show the first 35
    characters of the message), with its two buttons."""
    return lines.notice(lines.rx(re.escape(start) + lines.ending(" Info  |  Save to your Computer  |  Close")))


def upload_a_capture(app, x):
    open_capture(app, x)
    drag_crop(app, x)
    x.key("ctrl+Return")
    wait_capture_closed(app, x)


def test_a_dripped_answer_ends_at_the_deadline_with_the_capture_offered(launch, x, display, cloud):
    cloud.answer(API + "/create_task", (Misbehave(drip=1.0), {"success": True, "task_id": 1, "link": "/t/x"}))
    cloud.answer(API + "/get_user_tray_info", TRAY_INFO)
    app = launch(prefs=SIGNED_IN, env={"QUILLNEST_CLOUD_DEADLINE_MS": "2500"})
    cloud.wait_for(API + "/get_user_tray_info")
    x.set_clipboard_text("before")
    started = time.monotonic()
    upload_a_capture(app, x)
    app.wait_for_line(error_notice("The request timed out."), timeout=20)
    # The answer was still dripping: only the deadline could have ended it.
    assert time.monotonic() - started < 15
    assert x.clipboard_text() == "before"
    assert not cloud.requests_to(API + "/create_draft")


def test_an_oversized_answer_is_refused_and_changes_nothing(launch, x, cloud):
    # 5 MB of one valid record repeated: no record of the service is anywhere near that.
    cloud.answer(API + "/get_user_tray_info", (Misbehave(repeat=50_000), b" " * 100))
    app = launch(prefs=SIGNED_IN)
    app.wait_for_line(r"^Load user tray info error: Answer too large \(over 4 MB\)$")
    assert app.alive()
    assert app.pref("token") == SIGNED_IN["token"]


def test_a_redirect_to_another_host_is_not_followed(launch, x, cloud):
    other = FakeCloud(port=18766)
    try:
        other.answer(API + "/create_task", {"success": True, "task_id": 5, "link": "/t/stolen"})
        cloud.answer(API + "/create_task", (Misbehave(headers={"Location": "http://127.0.0.1:18766" + API + "/create_task"}), b""),
                     status=307)
        app = signed_in(launch, cloud)
        x.set_clipboard_text("before")
        upload_a_capture(app, x)
        app.wait_for_line(error_notice("Redirect refused (HTTP 307)"))
        assert other.requests == []
        assert x.clipboard_text() == "before"
    finally:
        other.close()


def test_a_refused_task_sent_with_400_shows_the_services_message(launch, x, cloud):
    cloud.answer(API + "/create_task", {"success": False, "message": "Quota reached"}, status=400)
    app = signed_in(launch, cloud)
    upload_a_capture(app, x)
    app.wait_for_line(error_notice("Create Task: Quota reached"))
    assert not cloud.requests_to(API + "/create_draft")


def test_undefined_user_sent_with_400_signs_the_user_out(launch, x, cloud):
    cloud.answer(API + "/get_user_tray_info", {"success": False, "message": "Undefined @user"}, status=400)
    app = launch(prefs=SIGNED_IN)
    app.wait_for_pref("token", "")
    app.wait_for_menu(lambda m: any(i.get("title") == "Sign In / Sign Up" for i in m))


def test_only_a_path_is_taken_as_the_tasks_link(launch, x, cloud):
    cloud.answer(API + "/create_task", {"success": True, "task_id": 3, "link": "@other.host/x"})
    cloud.answer(API + "/create_draft", {"success": True, "draft_url": "/d/x"})
    app = signed_in(launch, cloud)
    x.set_clipboard_text("before")
    upload_a_capture(app, x)
    app.wait_for_line(error_notice("Create Task: unusable link"))
    assert x.clipboard_text() == "before"
    assert not cloud.requests_to(API + "/create_draft")


def test_a_task_is_asked_for_once_even_when_the_connection_breaks(launch, x, cloud):
    cloud.answer(API + "/create_task", [(Misbehave(reset=True), b""), {"success": True, "task_id": 9, "link": "/t/9"}])
    app = signed_in(launch, cloud)
    upload_a_capture(app, x)
    app.wait_for_line(error_notice("Connection closed without answer"))
    assert len(cloud.requests_to(API + "/create_task")) == 1
    assert not cloud.requests_to(API + "/create_draft")
