"""Comment points (numbered pins with their cards) and text typed in place."""
import time

import pytest

from harness import annotate, screen
from harness.annotate import copy, is_blue, near, start, wait_points

O = 100


def add_comment(x, at, text):
    # The card opens and takes the keys while the click is handled: typing may follow at once.
    x.click(*at)
    x.type(text)
    x.key("Return")


def test_points_renumber_after_a_delete_and_come_back_on_undo(launch, x, display):
    screen.paint_halves(display)
    app = launch(prefs=annotate.prefs(tool="point"))
    start(app, x)
    add_comment(x, (300, 200), "one")
    add_comment(x, (500, 200), "two")
    add_comment(x, (700, 200), "three")
    wait_points(app, "1@300,200 2@500,200 3@700,200")

    # The pin of the second point opens its card; its delete button removes it.
    x.click(500, 190)
    card = screen.wait_until(display, find_card)
    assert card, "the comment card did not open"
    x.click(*card["delete"])
    wait_points(app, "1@300,200 2@700,200")

    x.key("ctrl+z")
    wait_points(app, "1@300,200 3@700,200 2@500,200")
    x.key("ctrl+shift+z")
    wait_points(app, "1@300,200 2@700,200")
    assert x.windows(name="Quillnest capture")


def find_card(pic):
    """The comment card in a picture of the screen, found by its Save button (grey while
    viewing, blue while editing); the delete button sits just left of it."""
    viewing, editing = (227, 227, 227), (0, 89, 255)
    for y in range(150, 600, 2):
        run = 0
        for xx in range(150, 900):
            run = run + 1 if pic.pixel(xx, y) in (viewing, editing) else 0
            if run == 30:
                left = xx - 29
                # The comment's text sits across the card's top, above the buttons' row.
                return {"save": (left + 20, y + 15), "delete": (left - 21, y + 15), "text": (left - 100, y - 32),
                        "editing": pic.pixel(xx, y) == editing}
    return None


def test_ctrl_c_while_typing_copies_the_capture_with_the_text(launch, x, display):
    screen.paint_halves(display)
    app = launch(prefs=annotate.prefs(tool="text"))
    start(app, x)
    x.click(300, 400)
    x.type("Wow")
    pic = copy(app, x, display)
    blue = sum(1 for yy in range(380, 420) for xx in range(295, 360) if is_blue(pic.pixel(xx - O, yy - O)))
    assert blue > 30, "the text being typed is in the copy"


def test_text_typed_in_place_keeps_its_keys_and_survives_escape(launch, x, display):
    screen.paint_halves(display)
    app = launch(prefs=annotate.prefs(tool="text"))
    start(app, x, ((100, 100), (1200, 700)))  # over both halves: a whiteboard would show
    x.click(300, 400)
    x.type("Wow")
    x.key("BackSpace")
    x.type("W")
    x.key("Escape")
    pic = copy(app, x, display)
    # Escape ended the edit, not the capture (the copy came from it); "W" did not turn the
    # whiteboard on.
    assert pic.pixel(1100 - O, 400 - O) == (0, 0, 0)
    blue = sum(1 for yy in range(380, 420) for xx in range(295, 360) if is_blue(pic.pixel(xx - O, yy - O)))
    assert blue > 30, "the text is painted in the chosen colour"


def test_a_capture_with_points_copies_as_a_comments_sheet(launch, x, display):
    screen.paint_halves(display)
    app = launch(prefs=dict(annotate.prefs(tool="point"), appearance=b'"dark"'))
    start(app, x, crop=((100, 100), (500, 400)))
    add_comment(x, (300, 200), "second in drawing")
    add_comment(x, (200, 300), "first")
    wait_points(app, "1@300,200 2@200,300")
    pic = copy(app, x, display)
    # 400 x 300 crop: the picture column is 400 + 120 wide, the comment column 334.
    assert pic.width == 854
    assert pic.height >= 420
    assert pic.pixel(5, 5) == (0x28, 0x28, 0x28)
    assert pic.pixel(853, pic.height - 3) == (0x42, 0x42, 0x42)
    # The crop itself sits 60 points in from the top-left corner.
    before = screen.grab(display)
    assert pic.pixel(60 + 10, 60 + 250) == before.pixel(110, 350)


def test_a_click_on_a_saved_comment_edits_it_and_its_blank_parts_do_nothing(launch, x, display):
    screen.paint_halves(display)
    app = launch(prefs=annotate.prefs(tool="point"))
    start(app, x)
    add_comment(x, (300, 200), "one")
    wait_points(app, "1@300,200")
    x.click(300, 190)  # the pin: its card opens for reading
    card = screen.wait_until(display, find_card)
    assert card and not card["editing"]
    # Between the emoji buttons and Delete: nothing happens, the card stays as it is.
    x.click(card["delete"][0] - 20, card["delete"][1])
    assert screen.wait_until(display, lambda pic: (c := find_card(pic)) and not c["editing"])
    x.click(*card["text"])
    assert screen.wait_until(display, lambda pic: (c := find_card(pic)) and c["editing"]), \
        "a click on the comment's text edits it"
    x.type("s")  # into the comment, not the tool key for the pen
    x.key("Escape")  # ends the edit, not the capture
    pic = copy(app, x, display)
    assert pic.width == 800 + 120 + 334, "the copy carries the comment"


def luminance(px):
    def channel(v):
        v /= 255
        return v / 12.92 if v <= 0.03928 else ((v + 0.055) / 1.055) ** 2.4
    r, g, b = px
    return 0.2126 * channel(r) + 0.7152 * channel(g) + 0.0722 * channel(b)


def contrast(a, b):
    la, lb = sorted((luminance(a), luminance(b)))
    return (lb + 0.05) / (la + 0.05)


def typing_box(pic, around, reach=60):
    """The box of the text being typed near `around`: its fill (the commonest non-white
    colour there), and the columns where a white caret, two pixels wide and at least 16
    high, stands (the thin face's stems are narrower and never fully white on both)."""
    cx, cy = around
    counts = {}
    for yy in range(cy - 30, cy + 30):
        for xx in range(cx - 20, cx + reach + 80):
            px = pic.pixel(xx, yy)
            if px != (255, 255, 255):
                counts[px] = counts.get(px, 0) + 1
    if not counts:
        return None
    fill = max(counts, key=counts.get)
    carets = []
    for xx in range(cx, cx + reach + 80):
        run = best = 0
        for yy in range(cy - 30, cy + 30):
            white = pic.pixel(xx, yy) == pic.pixel(xx + 1, yy) == (255, 255, 255)
            run = run + 1 if white else 0
            best = max(best, run)
        if best >= 16:
            carets.append(xx)
    return {"fill": fill, "carets": carets}


def test_text_typed_over_white_reads_clearly_with_a_caret_and_keeps_its_colour(launch, x, display):
    screen.paint_halves(display)
    app = launch(prefs=annotate.prefs(tool="text", mask=True))  # the inversion colour paints white
    start(app, x, ((100, 100), (1200, 700)))
    x.click(300, 400)
    x.type("Hello")
    # The caret blinks: look until it shows.
    shown = screen.wait_until(display, lambda pic: (b := typing_box(pic, (300, 400))) and b["carets"] and b)
    assert shown, "no caret while typing"
    assert contrast((255, 255, 255), shown["fill"]) >= 4.5, f"white text on {shown['fill']}"
    assert shown["carets"][0] > 330, "the caret stands after the text"
    x.key("Escape")
    x.click(1100, 400)  # on the black half
    x.type("Hello")
    x.key("Escape")
    pic = copy(app, x, display)
    # Placed, the text inverts what lies under it, and no box is left around it.
    white_side = [pic.pixel(xx - O, yy - O) for yy in range(380, 420) for xx in range(285, 370)]
    black_side = [pic.pixel(xx - O, yy - O) for yy in range(380, 420) for xx in range(1085, 1170)]
    assert sum(1 for p in white_side if max(p) < 15) > 30, "black over white"
    assert sum(1 for p in black_side if min(p) > 240) > 30, "white over black"
    assert pic.pixel(296 - O, 400 - O) == (255, 255, 255) and pic.pixel(1096 - O, 400 - O) == (0, 0, 0)


@pytest.mark.parametrize("appearance, card, ink", [("light", (255, 255, 255), (0x28, 0x28, 0x28)),
                                                   ("dark", (0x28, 0x28, 0x28), (0xF6, 0xF6, 0xF6))])
def test_the_comment_card_follows_the_appearance_and_casts_a_shadow(launch, x, display, appearance, card, ink):
    screen.paint_halves(display)
    app = launch(prefs=dict(annotate.prefs(tool="point"), appearance=f'"{appearance}"'.encode()))
    start(app, x)
    x.click(400, 250)
    x.type("Hello")
    pic = screen.wait_until(display, lambda p: find_card(p) and p)
    found = find_card(pic)
    assert found and found["editing"], "the comment card did not open"
    save_x, save_y = found["save"]
    blank = (save_x - 20 - 42, save_y)  # between the emoji buttons and Delete
    assert pic.pixel(*blank) == card
    # The comment's text, in the row above the buttons, is drawn in the card's ink.
    tx, ty = found["text"]
    text_row = [pic.pixel(xx, yy) for yy in range(ty - 12, ty + 12) for xx in range(tx - 120, tx)]
    assert ink in text_row, f"no text in {ink}"
    # Below the card the shadow darkens the white picture a little, then fades out.
    bottom = save_y - 15 + 32 + 8
    under = [pic.pixel(blank[0], bottom + dy)[0] for dy in range(1, 12)]
    assert min(under) < 245, f"no shadow under the card: {under}"
    assert under[-1] == 255, f"the shadow runs on: {under}"
