"""First launch and later launches: onboarding, isFirstRun, surviving closed windows."""
import time

from harness import lines
from harness.app import wait_capture_closed

HOT_KEY_READY = lines.hot_key_registered("Alt+Shift+S")


def test_first_launch_opens_onboarding_and_survives_closing_it(launch, x):
    app = launch()
    [wid] = x.wait_window("Quillnest - Onboarding")
    app.wait_for_pref("isFirstRun", False)
    x.close_window(wid)
    x.wait_window("Quillnest - Onboarding", present=False)
    assert app.alive()
    # The tray and the hot key still work with no window left.
    app.wait_for_line(HOT_KEY_READY)
    x.key("alt+shift+s")
    app.wait_for_line(lines.overlay_opened())
    x.key("Escape")
    wait_capture_closed(app, x)
    assert app.open_menu(x)[0]["title"] == "Take Screenshot"


def test_onboarding_opens_on_every_launch_until_it_is_finished(launch, x):
    first = launch()
    x.wait_window("Quillnest - Onboarding")
    first.stop()
    x.wait_window("Quillnest - Onboarding", present=False)

    again = launch(home=first.home)
    x.wait_window("Quillnest - Onboarding")
    assert again.pref("isFirstRun") is False
    again.stop()

    done = launch(home=first.home, prefs={"needOnboarding": False, "isFirstRun": False})
    done.wait_for_line(HOT_KEY_READY)
    time.sleep(1)  # nothing marks what never comes: a grace window for a late one
    assert x.windows(name="Quillnest - Onboarding") == []
    assert done.pref("isFirstRun") is False
