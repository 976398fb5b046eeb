"""Drawing on a capture: every kind in its colour, inversion, blur blocks, whiteboard,
and the size below which a drawing is not kept."""

from harness import annotate, screen
from harness.annotate import copy, is_blue, near, start

# Crop (100,100)-(900,700): a point (X, Y) of the screen is (X-100, Y-100) in the copy.
O = 100


def test_each_kind_paints_in_the_chosen_colour(launch, x, display):
    screen.paint_halves(display)
    app = launch(prefs=annotate.prefs())
    start(app, x)
    x.key("r")
    x.drag((150, 150), (300, 250))
    x.key("o")
    x.drag((150, 300), (300, 400))
    x.key("l")
    x.drag((150, 450), (300, 450))
    x.key("a")
    x.drag((150, 550), (300, 550))
    x.key("p")
    x.drag((350, 150), (450, 250), steps=12)
    x.key("b")  # a blur over plain white stays white
    x.drag((350, 300), (450, 400))
    pic = copy(app, x, display)
    assert near(pic, 150 - O, 200 - O, is_blue), "rectangle's left edge"
    assert not near(pic, 225 - O, 200 - O, is_blue), "rectangle's inside"
    assert near(pic, 225 - O, 300 - O, is_blue), "oval's top"
    assert near(pic, 225 - O, 450 - O, is_blue), "line"
    assert near(pic, 225 - O, 550 - O, is_blue), "arrow's shaft"
    assert near(pic, 300 - 7 - O, 550 - 7 - O, is_blue), "arrow's head"
    assert near(pic, 400 - O, 200 - O, is_blue, radius=4), "pen stroke"
    assert pic.pixel(400 - O, 350 - O) == (255, 255, 255), "blur of white"


def test_inversion_against_white_and_black(launch, x, display):
    screen.paint_halves(display)
    app = launch(prefs=annotate.prefs(mask=True, tool="line"))
    start(app, x, ((700, 300), (1300, 600)))
    x.drag((800, 450), (1200, 450))
    x.key("r")
    x.drag((900, 350), (1100, 550))
    pic = copy(app, x, display)
    black = lambda p: max(p) < 40
    white = lambda p: min(p) > 215
    assert near(pic, 850 - 700, 450 - 300, black), "white inverted to black"
    assert near(pic, 1150 - 700, 450 - 300, white), "black inverted to white"
    assert near(pic, 900 - 700, 400 - 300, black), "rectangle on white"
    assert near(pic, 1100 - 700, 400 - 300, white), "rectangle on black"
    # Where the two marks cross, they invert once, not twice.
    assert near(pic, 900 - 700, 450 - 300, black, radius=0)


def test_blur_shows_blocks_and_the_whiteboard_hides_it(launch, x, display):
    screen.paint_pattern(display)
    app = launch(prefs=annotate.prefs(tool="blur"))
    start(app, x)
    x.drag((200, 200), (400, 300))
    pic = copy(app, x, display)
    # Blocks of 5 x 5 screen pixels of one colour, where the pattern has none.
    for by in range(205, 295, 5):
        for bx in range(205, 395, 5):
            first = pic.pixel(bx - O, by - O)
            for dy in range(5):
                for dx in range(5):
                    assert pic.pixel(bx + dx - O, by + dy - O) == first, (bx, by)
    before = screen.grab(display)
    assert pic.pixel(500 - O, 500 - O) == before.pixel(500, 500), "outside the blur"

    start(app, x)
    x.drag((200, 200), (400, 300))
    x.key("w")
    pic = copy(app, x, display)
    assert pic.pixel(300 - O, 250 - O) == (255, 255, 255)
    assert pic.pixel(600 - O, 500 - O) == (255, 255, 255)


def test_a_rectangle_under_ten_points_vanishes(launch, x, display):
    screen.paint_halves(display)
    app = launch(prefs=annotate.prefs())
    start(app, x)
    x.drag((200, 200), (209, 240))  # 9 x 40
    x.drag((500, 200), (510, 210))  # 10 x 10
    pic = copy(app, x, display)
    assert not near(pic, 200 - O, 220 - O, is_blue, radius=3)
    assert near(pic, 500 - O, 205 - O, is_blue)
