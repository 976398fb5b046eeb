"""Help bubbles wait a second under a resting pointer; the tool column's palettes open on
hover and close a second and a half after the pointer leaves; a shape chosen in the
palette becomes the tool and the quick tool."""
import time

from harness import chrome, lines
from harness.app import open_capture

# No onboarding window: it comes up on its own time and could be in a picture.
PREFS = {"localWatermark": False, "needOnboarding": False}


def start(app, x):
    open_capture(app, x)
    x.drag((600, 300), (1000, 700))
    chrome.wait_placement(app)
    # Rest the pointer on the canvas, away from the bars.
    x.move(800, 500)
    time.sleep(0.2)


def test_help_shows_only_after_the_pointer_rests_for_a_second(launch, x):
    app = launch(prefs=PREFS)
    start(app, x)

    # Passing over a control shows nothing.
    since = chrome.mark(app)
    chrome.hover_control(app, x, "save")
    time.sleep(0.2)
    x.move(800, 500)
    time.sleep(1.2)
    assert chrome.lines_since(app, since, lines.help_shown()) == []

    # Resting on it does, with its shortcut, not before the second is up.
    for control, text in [("save", "Save to your Computer - Ctrl+S"), ("pen", "Draw by Pencil - P")]:
        since = chrome.mark(app)
        hovered = time.time()  # before the move: the program cannot see the pointer arrive earlier
        chrome.hover_control(app, x, control)
        seen = chrome.wait_line_since(app, since, lines.help_shown(text))
        assert seen - hovered >= 0.9, seen - hovered
        # Leaving takes it away.
        x.move(800, 500)
        chrome.wait_line_since(app, since, lines.help_hidden(text))


def test_palettes_open_on_hover_and_close_after_the_pointer_leaves(launch, x):
    app = launch(prefs=PREFS)
    start(app, x)
    for control, name in [("shapes", "toolsPalette"), ("color", "colorsPalette")]:
        since = chrome.mark(app)
        chrome.hover_control(app, x, control)
        chrome.wait_line_since(app, since, lines.popover_shown(name), timeout=3)
        since = chrome.mark(app)
        left = time.time()  # before the move: the program cannot see the pointer leave earlier
        x.move(800, 500)
        # Still open a moment later; gone once the second and a half is up.
        time.sleep(0.8)
        assert chrome.lines_since(app, since, lines.popover_hidden(name)) == []
        closed = chrome.wait_line_since(app, since, lines.popover_hidden(name), timeout=5)
        assert closed - left >= 1.4, closed - left


def test_a_shape_chosen_in_the_palette_becomes_the_tool_and_the_quick_tool(launch, x):
    app = launch(prefs=PREFS)
    start(app, x)
    since = chrome.mark(app)
    chrome.hover_control(app, x, "shapes")
    chrome.wait_line_since(app, since, lines.popover_shown("toolsPalette"))
    line = chrome.lines_since(app, since, lines.popover_shown("toolsPalette"))[-1]
    px, py, pw, ph = (int(v) for v in line.split()[-1].split(","))
    # Arrow, line, rectangle, oval, top to bottom, 36 px apart: choose the rectangle.
    x.move(px + pw // 2, py + 6 + 18)
    x.click(px + pw // 2, py + 6 + 2 * 36 + 18)
    app.wait_for_pref("tool", "rectangle")
    app.wait_for_pref("quickTool", "rectangle")
