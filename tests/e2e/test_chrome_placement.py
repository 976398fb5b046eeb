"""The action bar and the tool column beside the crop area: where they stand for crops
near each screen edge, how they follow the crop, and how they look in light and dark."""
import os

import pytest

from conftest import ARTIFACTS
from harness import chrome, lines, screen
from harness.app import open_capture

# No onboarding window: it comes up on its own time and could be in a picture.
PREFS = {"localWatermark": False, "needOnboarding": False}
BAR = (535, 48)
COLUMN = (48, 375)

# Crop drags on the 1920x1080 screen and the top-left corners the bars take for them.
CASES = [
    # name, drag start, drag end, action bar corner, tool column corner
    ("middle", (600, 300), (1000, 700), (465, 716), (1016, 325)),
    # No room under the crop: the bar goes above it.
    ("bottom edge", (600, 700), (1000, 1060), (465, 636), (1016, 685)),
    # No room right of the crop: the bar stays on screen, the column moves to the left side.
    ("right edge", (1500, 300), (1910, 700), (1369, 716), (1436, 325)),
    # The bar is pinned to the left edge; the column stands right of the crop.
    ("left edge", (5, 300), (305, 700), (16, 716), (321, 325)),
    # The column would rise above the screen: it stops at the margin.
    ("top edge", (600, 5), (1000, 205), (465, 221), (1016, 16)),
    # The whole screen: both go inside it, the column clear of the bar.
    ("whole screen", (0, 0), (1919, 1079), (1369, 1016), (1856, 625)),
]


@pytest.mark.parametrize("name,start,end,bar,column", CASES, ids=[c[0] for c in CASES])
def test_bars_stand_where_the_crop_leaves_room(launch, x, name, start, end, bar, column):
    app = launch(prefs=PREFS)
    open_capture(app, x)
    assert chrome.placements(app)[-1] == (None, None), "no chrome before a crop area exists"
    x.drag(start, end)
    placed = chrome.wait_placement(app)
    assert placed == (bar + BAR, column + COLUMN)


def test_bars_follow_the_crop_and_leave_with_the_capture(launch, x):
    app = launch(prefs=PREFS)
    open_capture(app, x)
    x.drag((600, 300), (1000, 700))
    chrome.wait_placement(app, lambda b, c: b == (465, 716) + BAR)
    # Drag the bottom-right corner handle further out: both bars move with it.
    x.drag((1000, 700), (1100, 800))
    placed = chrome.wait_placement(app, lambda b, c: b == (565, 816) + BAR)
    assert placed[1] == (1116, 425) + COLUMN
    x.key("Escape")
    app.wait_for_line(lines.overlay_closed())
    # The next capture starts without bars until its crop exists.
    open_capture(app, x)
    assert chrome.placements(app)[-1] == (None, None)


@pytest.mark.parametrize("appearance", ["light", "dark"])
def test_screenshot_of_the_chrome(launch, x, display, appearance):
    app = launch(prefs=dict(PREFS, appearance=('"%s"' % appearance).encode()))
    open_capture(app, x)
    x.drag((500, 250), (1100, 650))
    bar, column = chrome.wait_placement(app)
    chrome.hover_control(app, x, "copy")
    app.wait_for_line(lines.help_shown("Copy to Clipboard - Ctrl+C"))
    # Kept for a person to look at.
    os.makedirs(ARTIFACTS, exist_ok=True)
    display.screenshot(os.path.join(ARTIFACTS, "chrome-%s.png" % appearance))
    picture = screen.grab(display)
    # The plates are light in the light look and dark in the dark one.
    for bx, by in ((bar[0] + 3, bar[1] + 24), (column[0] + 24, column[1] + 3)):
        r, g, b = picture.pixel(bx, by)[:3]
        assert (r + g + b > 3 * 128) == (appearance == "light"), (appearance, bx, by, (r, g, b))
