"""The status menu: its layouts, its toggles and where its items lead."""
import time

from harness import lines
from harness.app import wait_capture_closed
from harness.menu import SIGNED_OUT, item, titles


def test_signed_out_menu_opens_on_left_and_right_click(launch, x):
    app = launch(prefs={"needOnboarding": False})
    menu = app.open_menu(x)
    assert titles(menu) == SIGNED_OUT
    assert item(menu, "Take Screenshot")["shortcut"] == "Alt+Shift+S"
    assert [i["title"] for i in item(menu, "More info")["submenu"]] == \
        ["quillnest.app", "Onboarding", "Keyboard", "About"]
    assert all(i["enabled"] for i in menu if not i.get("separator"))
    x.key("Escape")
    menu = app.open_menu(x, button=3)
    assert titles(menu) == SIGNED_OUT


def test_signed_in_menu_from_stored_token(launch, x):
    app = launch(prefs={"needOnboarding": False, "token": "t0k3n", "name": "Ann", "showProjects": True})
    menu = app.open_menu(x)
    assert titles(menu) == ["Take Screenshot", "-", "My Cloud", "Go to Project", "New Comments", "-",
                            "Autoupload to cloud", "Show Notifications", "Sound Notifications ON/OFF", "Settings",
                            "-", "Check for updates", "More info", "-", "Log Out", "-", "Quit"]
    # Nothing loaded yet: the two lists are empty, so their items are disabled.
    assert not item(menu, "Go to Project")["enabled"] and "submenu" not in item(menu, "Go to Project")
    assert not item(menu, "New Comments")["enabled"]
    assert item(menu, "My Cloud")["enabled"]


def test_signed_in_without_projects_switch_has_no_project_item(launch, x):
    app = launch(prefs={"needOnboarding": False, "token": "t0k3n", "name": "Ann"})
    menu = app.open_menu(x)
    assert "Go to Project" not in titles(menu)
    assert titles(menu)[2:4] == ["My Cloud", "New Comments"]


def test_every_toggle_writes_its_key_and_check_mark(launch, x):
    app = launch(prefs={"needOnboarding": False})
    menu = app.menu()
    assert not item(menu, "Autoupload to cloud")["checked"]
    assert item(menu, "Show Notifications")["checked"]
    assert item(menu, "Sound Notifications ON/OFF")["checked"]

    for title, key, stored in [("Autoupload to cloud", "autoUpload", True),
                               ("Show Notifications", "showNotifications", False),
                               ("Sound Notifications ON/OFF", "isMuted", True)]:
        app.choose(x, title)
        app.wait_for_pref(key, stored)
        checked = stored if key != "isMuted" else not stored
        app.wait_for_menu(lambda m: item(m, title)["checked"] == checked)

    # And back again: each key is written on every toggle.
    app.choose(x, "Sound Notifications ON/OFF")
    app.wait_for_pref("isMuted", False)
    assert item(app.open_menu(x), "Sound Notifications ON/OFF")["checked"]
    x.key("Escape")
    assert app.pref("autoUpload") is True and app.pref("showNotifications") is False


def test_log_out_clears_the_account_and_shows_sign_in(launch, x):
    app = launch(prefs={"needOnboarding": False, "token": "t0k3n", "name": "Ann"})
    app.choose(x, "Log Out")
    app.wait_for_pref("token", "")
    app.wait_for_pref("name", "")
    app.wait_for_menu(lambda m: titles(m) == SIGNED_OUT)


def test_settings_and_about_open_the_settings_window(launch, x):
    app = launch(prefs={"needOnboarding": False})
    app.choose(x, "Settings")
    [wid] = x.wait_window("Quillnest - Settings")
    x.close_window(wid)
    x.wait_window("Quillnest - Settings", present=False)
    app.choose(x, "More info", "About")
    x.wait_window("Quillnest - Settings")
    app.choose(x, "More info", "Onboarding")
    x.wait_window("Quillnest - Onboarding")
    assert len(x.windows(name="Quillnest - Settings")) == 1
    assert app.alive()


def test_web_pages_open_in_the_browser(launch, x):
    app = launch(prefs={"needOnboarding": False, "token": "t0k3n", "name": "Ann"})
    app.choose(x, "My Cloud")
    app.choose(x, "More info", "quillnest.app")
    deadline = time.time() + 10
    while len(app.opened_urls()) < 2 and time.time() < deadline:
        time.sleep(0.05)
    assert app.opened_urls() == ["http://127.0.0.1:18765/public", "https://quillnest.app"]


def test_take_screenshot_item_starts_a_capture_and_quit_ends(launch, x):
    app = launch(prefs={"needOnboarding": False})
    app.choose(x, "Take Screenshot")
    app.wait_for_line(lines.overlay_opened())
    x.key("Escape")
    wait_capture_closed(app, x)
    app.choose(x, "Quit")
    app.proc.wait(timeout=10)
    assert app.proc.returncode == 0
