"""The tool column by mouse: tools, undo and redo, the whiteboard and the colour palette."""
import time

from harness import annotate, chrome, lines, screen
from harness.annotate import is_blue, near

CROP = ((100, 100), (900, 700))


def blue_when(display, x, y, expected=True):
    """Waits until there is (or is not) blue near the point; returns whether it came to that."""
    return screen.wait_until(display, lambda pic: near(pic, x, y, is_blue) == expected)


def pixel_when(display, x, y, colour):
    return screen.wait_until(display, lambda pic: pic.pixel(x, y) == colour)


def start(app, x, crop=CROP):
    annotate.start(app, x, crop)
    chrome.wait_placement(app)


def test_tool_buttons_choose_their_tools(launch, x):
    app = launch(prefs=annotate.prefs(tool="arrow"))
    start(app, x)
    # The column's first button places comment points.
    for control, tool in [("pen", "pen"), ("text", "text"), ("blur", "blur"), ("pointer", "point")]:
        chrome.click_control(app, x, control)
        app.wait_for_pref("tool", tool)
    # The shapes button takes up the quick tool again.
    chrome.click_control(app, x, "shapes")
    app.wait_for_pref("tool", "arrow")


def test_undo_redo_and_whiteboard_buttons(launch, x, display):
    screen.paint_halves(display)
    app = launch(prefs=annotate.prefs())
    start(app, x, ((700, 200), (1300, 700)))
    x.drag((800, 300), (950, 400))
    assert blue_when(display, 800, 350)
    chrome.click_control(app, x, "undo")
    assert blue_when(display, 800, 350, expected=False)
    chrome.click_control(app, x, "redo")
    assert blue_when(display, 800, 350)

    # The right half of the screen is black; the whiteboard covers the crop in white.
    assert pixel_when(display, 1100, 600, (0, 0, 0))
    chrome.click_control(app, x, "whiteboard")
    assert pixel_when(display, 1100, 600, (255, 255, 255))


def test_colour_palette_sets_the_drawing_colour(launch, x):
    app = launch(prefs=annotate.prefs())
    start(app, x)
    before = app.pref("color")
    since = chrome.mark(app)
    chrome.click_control(app, x, "color")
    chrome.wait_line_since(app, since, lines.popover_shown("colorsPalette"))
    line = chrome.lines_since(app, since, lines.popover_shown("colorsPalette"))[-1]
    px, py, pw, ph = (int(v) for v in line.split()[-1].split(","))
    # The bottom-right swatch of the grid.
    x.move(px + pw // 2, py + ph // 2)
    x.click(px + pw - 20, py + ph - 20)
    deadline = time.time() + 5
    while time.time() < deadline and app.pref("color") == before:
        time.sleep(0.05)
    assert app.pref("color") != before
