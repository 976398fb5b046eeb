"""Damaged preferences: a wrong value reads as its default, is reported, costs nothing else."""
import os
import tempfile

from harness.app import BUNDLE_ID
from harness.menu import item


def test_corrupt_values_read_as_defaults_and_cost_no_other_key(launch, x):
    app = launch(prefs={"needOnboarding": False, "isMuted": "maybe", "autoUpload": "@ByteArray(true)",
                        "showNotifications": False, "appearance": "dark", "token": "t0k3n"})
    app.wait_for_line(r'^Preferences: value of "isMuted" ignored')
    app.wait_for_line(r'^Preferences: value of "appearance" ignored')
    menu = app.open_menu(x)
    assert item(menu, "Sound Notifications ON/OFF")["checked"]      # isMuted: default false
    assert not item(menu, "Autoupload to cloud")["checked"]         # autoUpload: default false
    assert not item(menu, "Show Notifications")["checked"]          # kept as stored
    assert item(menu, "My Cloud")                                   # token kept
    app.wait_for_pref("isFirstRun", False)
    # Nothing was rewritten behind the user's back.
    assert app.pref("isMuted") == "maybe"
    assert app.pref("showNotifications") is False


def test_garbage_preferences_file_gives_defaults(launch, x):
    home = tempfile.mkdtemp(prefix="qn-home-")
    path = os.path.join(home, ".config", "Quillnest", BUNDLE_ID + ".ini")
    os.makedirs(os.path.dirname(path))
    with open(path, "wb") as f:
        f.write(b"\x00\xff\xfe[[[General\n=\x01\x02\nisMuted\n\x89PNG\r\n")
    app = launch(home=home)
    menu = app.open_menu(x)
    assert item(menu, "Sound Notifications ON/OFF")["checked"]
    assert item(menu, "Show Notifications")["checked"]
    assert not item(menu, "Autoupload to cloud")["checked"]
    app.wait_for_pref("isFirstRun", False)
