"""Damaged preferences: a wrong value reads as its default, is reported, costs nothing else."""
import os
import stat
import tempfile

import pytest

from harness import lines
from harness.app import BUNDLE_ID
from harness.menu import item


def test_corrupt_values_read_as_defaults_and_cost_no_other_key(launch, x):
    app = launch(prefs={"needOnboarding": False, "isMuted": "maybe", "autoUpload": "@ByteArray(true)",
                        "showNotifications": False, "appearance": "dark", "token": "t0k3n"})
    app.wait_for_line(lines.preference_ignored("isMuted"))
    app.wait_for_line(lines.preference_ignored("appearance"))
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


def mode_of(path):
    return stat.S_IMODE(os.stat(path).st_mode)


@pytest.mark.parametrize("earlier", [None, 0o644], ids=["fresh-home", "earlier-file-0644"])
def test_the_preferences_file_holding_the_token_is_the_owners_alone(launch, x, earlier):
    home = tempfile.mkdtemp(prefix="qn-home-")
    path = os.path.join(home, ".config", "Quillnest", BUNDLE_ID + ".ini")
    written = None
    if earlier is not None:
        # As an earlier version left it: a folder and file anyone on the machine may read.
        os.makedirs(os.path.dirname(path), mode=0o755)
        os.chmod(os.path.dirname(path), 0o755)
        written = "[General]\nneedOnboarding=false\ntoken=t0k3n\nname=Ada\n"
        with open(path, "w") as f:
            f.write(written)
        os.chmod(path, earlier)
    app = launch(home=home, prefs=None)
    app.wait_for_pref("isFirstRun", False)
    assert mode_of(os.path.dirname(path)) == 0o700
    assert mode_of(path) == 0o600
    if written is not None:
        assert app.pref("token") == "t0k3n"
        assert app.pref("name") == "Ada"
    # A change made in the menu rewrites the file; it stays closed to others.
    app.choose(x, "Show Notifications")  # on by default
    app.wait_for_pref("showNotifications", False)
    assert mode_of(path) == 0o600


def test_a_file_from_an_earlier_version_keeps_every_byte_but_the_changed_one(launch, x, cloud):
    """Every stored key away from its default, texts that need quoting: a launch and a
    change in the menu rewrite the whole file, and only the changed key differs."""
    home = tempfile.mkdtemp(prefix="qn-home-")
    logo = os.path.join(home, "logo.png")
    with open(logo, "wb") as f:
        f.write(b"png")
    path = os.path.join(home, ".config", "Quillnest", BUNDLE_ID + ".ini")
    os.makedirs(os.path.dirname(path))
    earlier = ("[General]\n"
               'appearance=@ByteArray(\\"dark\\")\n'
               "autoUpload=true\n"
               "isFirstRun=false\n"
               "isMuted=true\n"
               "localWatermark=false\n"
               'logo=@ByteArray(\\"' + logo.replace("/", "\\\\/") + '\\")\n'
               'name="Ann \u00d6, Jr."\n'
               "needOnboarding=false\n"
               "showNewComments=false\n"
               "showNotifications=false\n"
               "showProjects=true\n"
               'token="t0k3n=;#\\"x"\n'
               "uploadWatermark=false\n").encode("utf-8")
    with open(path, "wb") as f:
        f.write(earlier)
    app = launch(home=home, prefs=None)
    assert app.pref("token") == 't0k3n=;#"x'
    menu = app.menu()
    assert not item(menu, "Show Notifications")["checked"]
    assert not item(menu, "Sound Notifications ON/OFF")["checked"]  # muted
    assert item(menu, "Autoupload to cloud")["checked"]
    app.choose(x, "Show Notifications")
    app.wait_for_pref("showNotifications", True)
    with open(path, "rb") as f:
        assert f.read() == earlier.replace(b"showNotifications=false", b"showNotifications=true")
