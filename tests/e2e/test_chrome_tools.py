"""The tool column by mouse: tools, undo and redo, the whiteboard and the colour palette."""
import time

from harness import annotate, chrome, screen
from harness.annotate import is_blue, near

CROP = ((100, 100), (900, 700))


def shown(display):
    time.sleep(0.3)
    return screen.grab(display)


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
    assert near(shown(display), 800, 350, is_blue)
    chrome.click_control(app, x, "undo")
    assert not near(shown(display), 800, 350, is_blue)
    chrome.click_control(app, x, "redo")
    assert near(shown(display), 800, 350, is_blue)

    # The right half of the screen is black; the whiteboard covers the crop in white.
    assert shown(display).pixel(1100, 600) == (0, 0, 0)
    chrome.click_control(app, x, "whiteboard")
    assert shown(display).pixel(1100, 600) == (255, 255, 255)


def test_colour_palette_sets_the_drawing_colour(launch, x):
    app = launch(prefs=annotate.prefs())
    start(app, x)
    before = app.pref("color")
    since = chrome.mark(app)
    chrome.click_control(app, x, "color")
    chrome.wait_line_since(app, since, r"^chrome: popover shown colorsPalette ")
    line = chrome.lines_since(app, since, r"^chrome: popover shown colorsPalette ")[-1]
    px, py, pw, ph = (int(v) for v in line.split()[-1].split(","))
    # The bottom-right swatch of the grid.
    x.move(px + pw // 2, py + ph // 2)
    x.click(px + pw - 20, py + ph - 20)
    deadline = time.time() + 5
    while time.time() < deadline and app.pref("color") == before:
        time.sleep(0.05)
    assert app.pref("color") != before
