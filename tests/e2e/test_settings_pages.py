"""The settings window: opened from the status menu on the right page, every switch by mouse
and keyboard writing its stored preference at once, the status menu following, and the reset
links bringing the defaults back."""
import os
import time

from harness import lines
from harness.menu import item
from harness.windows import (SETTINGS, SettingsWindow, choose_more_info, last_report, page_prefix, wait_line,
                             wait_report)


def open_settings(app, x, *path):
    if path and path[0] == "More info":
        choose_more_info(app, x, path[1])
    else:
        app.choose(x, *(path or ("Settings",)))
    return SettingsWindow(app, x).wait_open()


def focus_control(app, x, window, name, limit=25):
    """Moves the keyboard focus with Tab until `name` has it."""
    window.focus()
    for _ in range(limit):
        focused = [m.group(1) for l in app.lines if (m := lines.settings_focus().match(l))]
        if focused and focused[-1] == name:
            return
        since = len(app.lines)
        x.key("Tab")
        wait_line(app, lines.settings_focus(), since=since)
    raise AssertionError(f"Tab never reached {name}")


def test_menu_items_open_the_window_on_their_pages(launch, x):
    app = launch(prefs={"needOnboarding": False})
    window = open_settings(app, x)
    wait_report(app, page_prefix("Cloud account"))
    since = len(app.lines)
    window.show("Hotkeys")
    wait_line(app, lines.settings_showing("Hotkeys"), since=since)
    # "About" and "Keyboard" change the page of the open window in place.
    for path, page in [(("More info", "About"), "About"), (("More info", "Keyboard"), "Hotkeys"),
                       (("Settings",), "Cloud account")]:
        since = len(app.lines)
        if path[0] == "More info":
            choose_more_info(app, x, path[1])
        else:
            app.choose(x, *path)
        wait_line(app, lines.settings_showing(page), since=since)
    assert len(x.windows(name=SETTINGS)) == 1
    # Closed and opened again, it starts on "Cloud account" whatever was shown last.
    window.show("Appearance")
    x.close_window(x.wait_window(SETTINGS)[0])
    x.wait_window(SETTINGS, present=False)
    since = len(app.lines)
    app.choose(x, "Settings")
    x.wait_window(SETTINGS)
    wait_line(app, lines.settings_showing("Cloud account"), since=since)


def test_notifications_switches_by_mouse_and_keyboard_and_reset(launch, x):
    app = launch(prefs={"needOnboarding": False, "showNewComments": False})
    window = open_settings(app, x)
    window.show("Notifications")

    window.click("Notifications", "soundNotifications")
    app.wait_for_pref("isMuted", True)
    app.wait_for_menu(lambda m: not item(m, "Sound Notifications ON/OFF")["checked"])

    focus_control(app, x, window, "showNotifications")
    x.key("space")
    app.wait_for_pref("showNotifications", False)
    app.wait_for_menu(lambda m: not item(m, "Show Notifications")["checked"])

    # The reset turns the new-comments submenu (no switch here) back on too.
    window.click("Notifications", "reset")
    app.wait_for_pref("isMuted", False)
    app.wait_for_pref("showNotifications", True)
    app.wait_for_pref("showNewComments", True)
    app.wait_for_menu(lambda m: item(m, "Sound Notifications ON/OFF")["checked"]
                      and item(m, "Show Notifications")["checked"])


def test_application_switches_follow_the_menu_and_reset(launch, x):
    app = launch(prefs={"needOnboarding": False, "token": "t0k3n", "name": "Ann"})
    window = open_settings(app, x)
    window.show("Settings")

    window.click("Settings", "autoUpload")
    app.wait_for_pref("autoUpload", True)
    app.wait_for_menu(lambda m: item(m, "Autoupload to cloud")["checked"])

    focus_control(app, x, window, "showProjects")
    x.key("space")
    app.wait_for_pref("showProjects", True)
    app.wait_for_menu(lambda m: any(i.get("title") == "Go to Project" for i in m))

    # A change made in the status menu moves the page's switch: a click then turns it off.
    app.choose(x, "Autoupload to cloud")
    app.wait_for_pref("autoUpload", False)
    window.click("Settings", "autoUpload")
    app.wait_for_pref("autoUpload", True)

    window.click("Settings", "reset")
    app.wait_for_pref("autoUpload", False)
    app.wait_for_pref("showProjects", False)
    app.wait_for_menu(lambda m: not any(i.get("title") == "Go to Project" for i in m)
                      and not item(m, "Autoupload to cloud")["checked"])


def test_open_at_login_writes_and_removes_the_autostart_entry(launch, x):
    app = launch(prefs={"needOnboarding": False})
    entry = os.path.join(app.config_dir, "autostart", "quillnest.desktop")
    window = open_settings(app, x)
    window.show("Settings")
    window.click("Settings", "openAtLogin")
    app.wait_for_line(lines.open_at_login("on"))
    with open(entry) as f:
        text = f.read()
    assert "[Desktop Entry]" in text and "Type=Application" in text
    exec_line = next(l for l in text.splitlines() if l.startswith("Exec="))
    assert os.path.basename(exec_line.strip('"').rstrip('"')).startswith("quillnest")

    # The page reads the entry each time it is drawn: one removed behind its back shows off.
    os.remove(entry)
    window.show("Hotkeys")
    window.show("Settings")
    since = len(app.lines)
    window.click("Settings", "openAtLogin")
    wait_line(app, lines.open_at_login("on"), since=since)
    assert os.path.exists(entry)
    since = len(app.lines)
    window.click("Settings", "openAtLogin")
    wait_line(app, lines.open_at_login("off"), since=since)
    assert not os.path.exists(entry)


def test_appearance_theme_watermarks_and_reset_keep_the_stored_forms(launch, x):
    app = launch(prefs={"needOnboarding": False})
    window = open_settings(app, x)
    window.show("Appearance")
    for control, stored in [("themeDark", b'"dark"'), ("themeLight", b'"light"'), ("themeAuto", b'"none"'),
                            ("themeDark", b'"dark"')]:
        window.click("Appearance", control)
        app.wait_for_pref("appearance", stored)
    window.click("Appearance", "uploadWatermark")
    app.wait_for_pref("uploadWatermark", False)
    focus_control(app, x, window, "localWatermark")
    x.key("space")
    app.wait_for_pref("localWatermark", False)

    # The theme from the keyboard: arrows move along the three choices and pick them.
    focus_control(app, x, window, "themeDark")
    x.key("Down")
    app.wait_for_pref("appearance", b'"light"')
    x.key("Up")
    x.key("Up")
    app.wait_for_pref("appearance", b'"none"')

    window.click("Appearance", "themeDark")
    app.wait_for_pref("appearance", b'"dark"')
    window.click("Appearance", "reset")
    app.wait_for_pref("uploadWatermark", True)
    app.wait_for_pref("localWatermark", True)
    app.wait_for_pref("appearance", b'"none"')


def test_sidebar_pages_from_the_keyboard(launch, x):
    app = launch(prefs={"needOnboarding": False})
    window = open_settings(app, x)
    focus_control(app, x, window, "sidebar:Hotkeys")
    since = len(app.lines)
    x.key("space")
    wait_line(app, lines.settings_showing("Hotkeys"), since=since)
    wait_line(app, lines.hotkeys_first_row("Alt+Shift+S"), since=since)


def test_cloud_account_page_follows_sign_in_state_and_opens_its_links(launch, x):
    app = launch(prefs={"needOnboarding": False, "token": "t0k3n", "name": "Ann"})
    open_settings(app, x)
    app.wait_for_line(lines.cloud_account("signed in"))
    window = SettingsWindow(app, x)
    frames = wait_report(app, page_prefix("Cloud account"), lambda f: "logOut" in f)
    window.click("Cloud account", "deleteAccount")
    window.click("Cloud account", "support")
    deadline = time.time() + 10
    while len(app.opened_urls()) < 2 and time.time() < deadline:
        time.sleep(0.05)
    urls = app.opened_urls()
    assert urls[0].endswith("/settings") and urls[0].startswith("http")
    assert urls[1].startswith("mailto:")

    since = len(app.lines)
    window.click("Cloud account", "refresh")
    wait_line(app, lines.cloud_account("loading"), since=since)
    wait_line(app, lines.cloud_account("signed in"), since=since + 1, timeout=6)

    since = len(app.lines)
    x.click(*_root(x, frames["logOut"]))
    wait_line(app, lines.cloud_account("signed out"), since=since)
    app.wait_for_pref("token", "")
    app.wait_for_pref("name", "")
    wait_report(app, page_prefix("Cloud account"), lambda f: "signIn" in f)


def _root(x, frame):
    from harness.windows import centre_on_root
    return centre_on_root(x, SETTINGS, frame)


def test_about_page_version_and_banner(launch, x):
    app = launch(prefs={"needOnboarding": False})
    open_settings(app, x, "More info", "About")
    window = SettingsWindow(app, x)
    frames = wait_report(app, page_prefix("About"))
    short = frames["version"][2]
    window.click("About", "version")
    wider = wait_report(app, page_prefix("About"), lambda f: f["version"][2] > short)
    window.click("About", "version")
    wait_report(app, page_prefix("About"), lambda f: f["version"][2] == short)
    window.click("About", "bannerSite")
    window.click("About", "bannerApp1")
    deadline = time.time() + 10
    while len(app.opened_urls()) < 2 and time.time() < deadline:
        time.sleep(0.05)
    assert [u.startswith("https://") for u in app.opened_urls()] == [True, True]
    assert wider["version"][2] > short
