"""The cloud account in the status menu: browser sign-in, the information the service
sends for the menu, "Mark all as read", and an expired sign-in."""
import time

from harness import lines
from harness.menu import SIGNED_OUT, item, titles

HOST = "http://127.0.0.1:18765"
API = "/api/v2"
NEW_COMMENTS = "New Comments  \U0001F4AC\uFE0F"


def project(pid, name, temporary=0):
    return {"id": pid, "name": name, "url": f"https://projects.example/{pid}", "archive": False,
            "temporary": temporary}


def draft(did, name, link):
    info = {"url": "https://img.example/x.png"}
    return {"id": did, "owner_id": 1, "task_id": 10 + did, "order": 0, "name": name,
            "image": {"url": "https://img.example/x.png", "thumb": info, "project_thumb": info, "blur": info},
            "marked_for_deletion": False, "deleted": False, "height": 10, "width": 20, "allow_comment": True,
            "readed": False,
            "short_link": {"id": 5, "name": link, "type_link": 1, "real_id": 2, "created_at": "2024-01-01",
                           "updated_at": "2024-01-01", "project_id": 3, "deleted": False}}


TRAY_INFO = {"success": True,
             "projects": [project(3, "Website"), project(9, "Uploads", temporary=1), project(4, "App")],
             "drafts": [draft(21, "Landing page", "d/Lp1"), draft(22, "Pricing", "d/Pr2")]}


def wait_until(predicate, timeout=10, what="condition"):
    deadline = time.time() + timeout
    while time.time() < deadline:
        if predicate():
            return
        time.sleep(0.05)
    raise AssertionError(f"{what} did not happen in {timeout} s")


def test_sign_in_through_the_browser_stores_the_account_and_loads_the_menu(launch, x, cloud):
    cloud.answer(API + "/iwannagohome", {"id": 42, "seed": "s33d"})
    cloud.answer(API + "/login_iwgh", [{"success": False}, {"success": True, "result": "tok-9"},
                                       {"success": True, "result": "tok-9", "name": "Ann Lee", "type": "ok"}])
    cloud.answer(API + "/get_user_tray_info", TRAY_INFO)
    app = launch(prefs={"needOnboarding": False, "showProjects": True})
    assert not cloud.requests_to(API + "/get_user_tray_info")  # signed out: nothing loaded at launch

    app.choose(x, "Sign In / Sign Up")
    [link] = cloud.wait_for(API + "/iwannagohome")
    # The one-time link is asked for without a body.
    assert link.method == "POST" and link.body == b""
    assert "Content-Type" not in link.headers
    wait_until(lambda: app.opened_urls(), what="the sign-in page opening")
    assert app.opened_urls() == [HOST + "/users/riwgh/42/s33d"]
    app.wait_for_line(lines.notice("Signing in through the browser"))

    polls = cloud.wait_for(API + "/login_iwgh", count=3, timeout=25)
    assert [p.body for p in polls] == [b"id=42&seed=s33d"] * 3
    assert polls[0].headers["Content-Type"] == "application/x-www-form-urlencoded; charset=utf-8"
    # Every 5 s, the first one 5 s after the page opened; a token without a name is no sign-in.
    gaps = [b.time - a.time for a, b in zip([link] + polls, polls)]
    assert all(4.5 < gap < 6.0 for gap in gaps), gaps

    app.wait_for_line(lines.notice("Hey, Ann Lee. You are successfully Signed in!"))
    app.wait_for_pref("token", "tok-9")
    assert app.pref("name") == "Ann Lee"
    [info] = cloud.wait_for(API + "/get_user_tray_info")
    assert info.body == b"authid=tok-9"
    menu = app.wait_for_menu(lambda m: NEW_COMMENTS in titles(m) and "submenu" in item(m, "Go to Project"))
    assert titles(menu)[:5] == ["Take Screenshot", "-", "My Cloud", "Go to Project", NEW_COMMENTS]
    assert [i["title"] for i in item(menu, "Go to Project")["submenu"]] == ["Website", "App"]
    assert titles(item(menu, NEW_COMMENTS)["submenu"]) == ["Landing page", "Pricing", "-", "Mark all as read"]
    assert "Log Out" in titles(menu)

    # The sign-in is over: no more polls.
    time.sleep(6)  # longer than a poll interval: a poll would have come
    assert len(cloud.requests_to(API + "/login_iwgh")) == 3


def test_sign_in_gives_up_after_twenty_polls(launch, x, cloud):
    cloud.answer(API + "/iwannagohome", {"id": 7, "seed": "abc"})
    cloud.answer(API + "/login_iwgh", {"success": False, "message": "waiting"})
    app = launch(prefs={"needOnboarding": False})
    app.choose(x, "Sign In / Sign Up")
    app.wait_for_line(lines.notice(lines.rx("Attempts to login exceed 20 .*")), timeout=130)
    polls = cloud.requests_to(API + "/login_iwgh")
    assert len(polls) == 21
    # Twenty intervals of 5 s between the first poll and the last.
    assert 99.5 < polls[-1].time - polls[0].time < 103, polls[-1].time - polls[0].time
    time.sleep(6)  # longer than a poll interval: a poll would have come
    assert len(cloud.requests_to(API + "/login_iwgh")) == 21
    assert app.pref("token") in (None, "")
    assert titles(app.menu()) == SIGNED_OUT


def test_a_failed_link_request_shows_the_error_and_opens_nothing(launch, x, cloud):
    cloud.answer(API + "/iwannagohome", "<html>busy</html>", status=503)
    app = launch(prefs={"needOnboarding": False})
    app.choose(x, "Sign In / Sign Up")
    app.wait_for_line(lines.login_error())
    app.wait_for_line(lines.notice(lines.rx(r"Unreadable answer from the .*\.\.\. Info.*")))
    time.sleep(6)  # longer than a poll interval: a poll would have come
    assert app.opened_urls() == []
    assert not cloud.requests_to(API + "/login_iwgh")


def test_signed_in_menu_follows_the_service_and_marks_all_as_read(launch, x, cloud):
    cloud.answer(API + "/get_user_tray_info", TRAY_INFO)
    cloud.answer(API + "/read_all_comments", {"success": True})
    app = launch(prefs={"needOnboarding": False, "token": "t0k3n", "name": "Ann", "showProjects": True})
    [info] = cloud.wait_for(API + "/get_user_tray_info")
    assert info.body == b"authid=t0k3n"
    # The drafts and the projects land one after the other, each rebuilding the menu.
    menu = app.wait_for_menu(lambda m: NEW_COMMENTS in titles(m) and "submenu" in item(m, "Go to Project"))
    assert [i["title"] for i in item(menu, "Go to Project")["submenu"]] == ["Website", "App"]

    # A draft opens on the service and leaves the menu; the other stays.
    app.choose(x, NEW_COMMENTS, "Pricing")
    wait_until(lambda: app.opened_urls(), what="the draft page opening")
    assert app.opened_urls() == [HOST + "/d/Pr2"]
    menu = app.wait_for_menu(lambda m: titles(item(m, NEW_COMMENTS).get("submenu", [])) ==
                             ["Landing page", "-", "Mark all as read"])

    app.choose(x, NEW_COMMENTS, "Mark all as read")
    [read] = cloud.wait_for(API + "/read_all_comments")
    assert read.body == b"authid=t0k3n"
    menu = app.wait_for_menu(lambda m: "New Comments" in titles(m))
    assert not item(menu, "New Comments")["enabled"]
    assert app.alive()


def test_an_expired_sign_in_logs_out(launch, x, cloud):
    cloud.answer(API + "/get_user_tray_info", {"success": False, "message": "Undefined @user"})
    app = launch(prefs={"needOnboarding": False, "token": "old", "name": "Ann"})
    cloud.wait_for(API + "/get_user_tray_info")
    app.wait_for_pref("token", "")
    # Logging out stores the token and then the name, one write each: the file may be
    # read between the two.
    app.wait_for_pref("name", "")
    app.wait_for_menu(lambda m: titles(m) == SIGNED_OUT)
    assert titles(app.open_menu(x)) == SIGNED_OUT
    # No notice for an expired sign-in.
    assert not [n for n in app.notices() if "Undefined" in n]
