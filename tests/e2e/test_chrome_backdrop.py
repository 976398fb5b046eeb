"""What the chrome shows of the desktop behind it: over a busy screen (text and thin
lines everywhere) the tool column, the action bar, the colour palette, the recording
bar and its options card show a blur of it or a plain fill, in light and dark, so that
nothing behind them is legible."""
import os

import pytest

from conftest import ARTIFACTS
from harness import chrome, lines, recorder, screen
from harness.app import open_capture

PREFS = {"localWatermark": False, "needOnboarding": False}


def strips(bar, column):
    """Areas along the bars' edges that hold no buttons, only their background (the
    column's left edge has the popover marks)."""
    bx, by, bw, _ = bar
    cx, cy, cw, ch = column
    return {"action bar": (bx + 12, by + 1, bw - 24, 4), "tool column": (cx + cw - 5, cy + 12, 4, ch - 24)}


@pytest.mark.parametrize("appearance", ["light", "dark"])
def test_nothing_behind_the_bars_is_legible(launch, x, display, appearance):
    screen.paint_busy(display)
    app = launch(prefs=dict(PREFS, appearance=('"%s"' % appearance).encode()))
    desktop = screen.grab(display)
    open_capture(app, x)
    x.drag((500, 250), (1100, 650))
    bar, column = chrome.wait_placement(app)
    areas = strips(bar, column)
    behind = {name: screen.edge_energy(desktop, area) for name, area in areas.items()}
    for name, energy in behind.items():
        assert energy > 10, f"the desktop behind the {name} is not busy ({energy:.1f})"

    # Outside the crop the overlay dims the desktop to 0.3 of its contrast; a plain
    # translucent fill over that keeps some 5 % of it, enough to read text. The blur
    # leaves well under 1 %.
    def looked(picture):
        seen = {name: screen.edge_energy(picture, area) for name, area in areas.items()}
        return seen if all(seen[name] < behind[name] * 0.01 for name in seen) else None

    seen = screen.wait_until(display, looked, timeout=10)
    os.makedirs(ARTIFACTS, exist_ok=True)
    display.screenshot(os.path.join(ARTIFACTS, "chrome-backdrop-%s.png" % appearance))
    last = screen.grab(display)
    assert seen, {name: (round(behind[name], 1), round(screen.edge_energy(last, area), 2))
                  for name, area in areas.items()}
    # The bars keep the look of their scheme over the blur.
    for name, (ax, ay, aw, ah) in areas.items():
        r, g, b = last.pixel(ax + aw // 2, ay + ah // 2)
        assert (r + g + b > 3 * 128) == (appearance == "light"), (name, (r, g, b))

    # The crop moves, the bars with it: they show the blur of what is under them now.
    x.drag((1100, 650), (1300, 800))
    moved = chrome.wait_placement(app, lambda b, c: b is not None and b != bar)
    areas = strips(*moved)
    behind = {name: screen.edge_energy(desktop, area) for name, area in areas.items()}
    assert screen.wait_until(display, looked, timeout=10), "the moved bars show the desktop behind them"

    # The colour palette beside the column: its left edge holds no swatch.
    since = chrome.mark(app)
    chrome.click_control(app, x, "color")
    chrome.wait_line_since(app, since, lines.popover_shown("colorsPalette"))
    line = chrome.lines_since(app, since, lines.popover_shown("colorsPalette"))[-1]
    px, py, pw, ph = (int(v) for v in line.split()[-1].split(","))
    areas = {"colour palette": (px + 1, py + 8, 4, ph - 16)}
    behind = {name: screen.edge_energy(desktop, area) for name, area in areas.items()}
    assert behind["colour palette"] > 10, behind
    assert screen.wait_until(display, looked, timeout=10), "the palette shows the desktop behind it"
    display.screenshot(os.path.join(ARTIFACTS, "palette-backdrop-%s.png" % appearance))


@pytest.mark.parametrize("appearance", ["light", "dark"])
def test_nothing_behind_the_recording_bar_and_card_is_legible(launch, x, display, appearance):
    screen.paint_busy(display)
    app = launch(prefs=dict(PREFS, appearance=('"%s"' % appearance).encode()))
    desktop = screen.grab(display)
    open_capture(app, x)
    x.drag((300, 200), (700, 500))
    chrome.wait_placement(app)
    x.key("v")
    app.wait_for_line(lines.recording_controls_shown())
    recorder.wait_bar(app, lambda s: s["state"] == "idle")
    bar = recorder.controls(app)["bar"]
    _, card = recorder.wait_hole(app, lambda h, c: c is not None)
    # The bar's rim (left of its inner card, 4 wide) and the options card's top edge
    # hold no controls.
    areas = {"recording bar": (bar[0] + 1, bar[1] + 24, 3, bar[3] - 48),
             "options card": (card[0] + 16, card[1] + 1, card[2] - 32, 4)}
    behind = {name: screen.edge_energy(desktop, area) for name, area in areas.items()}
    for name, energy in behind.items():
        assert energy > 10, f"the desktop behind the {name} is not busy ({energy:.1f})"

    def looked(picture):
        seen = {name: screen.edge_energy(picture, area) for name, area in areas.items()}
        return seen if all(seen[name] < behind[name] * 0.01 for name in seen) else None

    seen = screen.wait_until(display, looked, timeout=10)
    os.makedirs(ARTIFACTS, exist_ok=True)
    display.screenshot(os.path.join(ARTIFACTS, "recording-backdrop-%s.png" % appearance))
    last = screen.grab(display)
    assert seen, {name: (round(behind[name], 1), round(screen.edge_energy(last, area), 2))
                  for name, area in areas.items()}
