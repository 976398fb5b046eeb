"""How the program takes the outcome the service reports with each answer ("success",
"message", "type"): a refusal shows the service's reason, a malformed outcome is
reported as what is wrong with it and changes nothing, and a "type" the status
information does not list is ignored."""
import re

import pytest

from harness import lines
from harness.menu import item
from test_cloud_upload import API, SIGNED_IN, TRAY_INFO

UNREADABLE = "Unreadable answer from the cloud service: "


@pytest.mark.parametrize("answer, error", [
    (b'{"success":"yes","projects":[]}', UNREADABLE + "success is not true or false"),
    (b'{"success":1}', UNREADABLE + "success is not true or false"),
    (b'{"projects":[]}', UNREADABLE + "success is missing"),
    (b'{"success":null}', UNREADABLE + "success is null"),
    (b'{"success":false,"message":7}', UNREADABLE + "message is not a string"),
    (b'[{"success":true}]', UNREADABLE + "the answer is not a JSON object"),
    ({"success": False, "message": "Server busy", "type": "busy"}, "Load User Tray Info: Server busy"),
], ids=["success-text", "success-number", "success-missing", "success-null", "message-number", "not-an-object",
        "refused"])
def test_a_status_answer_without_a_usable_outcome_says_why_and_keeps_the_account(launch, x, cloud, answer, error):
    cloud.answer(API + "/get_user_tray_info", answer)
    app = launch(prefs=dict(SIGNED_IN, showProjects=True))
    app.wait_for_line("^" + re.escape("Load user tray info error: " + error) + "$")
    assert app.alive()
    assert app.pref("token") == SIGNED_IN["token"]
    menu = app.open_menu(x)
    assert item(menu, "My Cloud")
    # Nothing was loaded from it: no projects to go to.
    assert not item(menu, "Go to Project")["enabled"] and "submenu" not in item(menu, "Go to Project")


def test_a_type_the_status_answer_does_not_list_is_ignored(launch, x, cloud):
    cloud.answer(API + "/get_user_tray_info", dict(TRAY_INFO, type=5, message=None))
    app = launch(prefs=dict(SIGNED_IN, showProjects=True))
    app.wait_for_line(lines.tray_info_applied(len(TRAY_INFO["projects"])))
    menu = app.wait_for_menu(lambda m: "submenu" in item(m, "Go to Project"))
    assert [i["title"] for i in item(menu, "Go to Project")["submenu"]] == ["Website"]
