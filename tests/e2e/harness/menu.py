"""Reading the status menu as the program reports it: a list of items, each a dict with
its title (or a separator), shortcut and state."""

# The menu of a program with no cloud account.
SIGNED_OUT = ["Take Screenshot", "-", "Sign In / Sign Up", "-", "Autoupload to cloud", "Show Notifications",
              "Sound Notifications ON/OFF", "Settings", "-", "Check for updates", "More info", "-", "Quit"]


def titles(menu):
    """The items' titles in order, a separator as "-"."""
    return ["-" if i.get("separator") else i["title"] for i in menu]


def item(menu, title):
    return next(i for i in menu if i.get("title") == title)
