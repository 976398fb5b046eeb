"""The frozen screen while a recording covers the whole crop screen: the overlay packs
it away when the recording starts (its memory goes to the recording) and shows it again
when the recording ends with the capture still open."""
import os
import re

from harness import chrome, lines, recorder, screen
from test_recording_controls import PREFS, choose_video
from test_recording_encoder_missing import MISSING

WIDTH, HEIGHT = 1920, 1080
WINDOW = (250, 150, 600, 450)


def save_paused_movie(app, x, save, path):
    recorder.save_movie(app, x, save, path)
    return recorder.probe(path)


def test_a_full_screen_recording_packs_the_frozen_screen_and_keeps_the_movie(launch, x, display):
    app = launch(prefs=PREFS)
    choose_video(app, x, crop=(0, 0, WIDTH - 1, HEIGHT - 1))
    save = chrome.controls(app)["save"]
    recorder.click(app, x, "record")
    packed = int(app.wait_for_line(lines.frozen_picture_parked()).groups()[0])
    # A plain desktop packs into a small part of its 8 MB.
    assert 0 < packed < WIDTH * HEIGHT, packed
    recorder.wait_bar(app, lambda s: s["state"] == "recording")
    recorder.wait_bar(app, lambda s: s["time"] >= "00:01", timeout=30)
    # Paused, the action bar stands in the overlay over the live screen again: the
    # overlay's frame comes back to show it (not a black or empty square).
    recorder.click(app, x, "record")
    recorder.wait_bar(app, lambda s: s["state"] == "paused")
    bx, by, bw, bh = save
    shown = screen.wait_until(display, lambda p: len({p.pixel(bx + i, by + j) for i in range(0, bw, 3)
                                                      for j in range(0, bh, 3)}) > 2, timeout=10)
    if os.environ.get("QN_E2E_SHOTS"):
        display.screenshot(os.path.join(os.environ["QN_E2E_SHOTS"], "frozen-picture-paused.png"))
    assert shown, "the save button is not painted while paused"
    info = save_paused_movie(app, x, save, os.path.join(app.home, "whole screen.mov"))
    video = [s for s in info["streams"] if s["codec_type"] == "video"][0]
    assert (video["width"], video["height"]) == (WIDTH, HEIGHT)
    # The capture closed with the movie: nothing was left to show the picture again.
    assert not any(re.search(lines.frozen_picture_restored(), line) for line in app.lines)


def test_a_partial_crop_keeps_the_frozen_screen_around_it(launch, x, display):
    app = launch(prefs=PREFS)
    choose_video(app, x)
    recorder.click(app, x, "record")
    recorder.wait_bar(app, lambda s: s["state"] == "recording")
    assert not any(re.search(lines.frozen_picture_parked(), line) for line in app.lines)


def test_a_recording_that_cannot_start_brings_the_frozen_screen_back(launch, x, display):
    window = screen.TestWindow(display, x, "frozen", at=WINDOW[:2], size=WINDOW[2:])
    try:
        app = launch(prefs=PREFS, env={"QUILLNEST_MOVIE_MODULE": MISSING})
        choose_video(app, x, crop=(0, 0, WIDTH - 1, HEIGHT - 1))
    finally:
        # Gone from the live desktop; the frozen screen still has it.
        window.close()
    recorder.click(app, x, "record")
    app.wait_for_line(lines.frozen_picture_parked())
    app.wait_for_line(lines.recorder_error(lines.rx("The movie encoder .* cannot be loaded: .*")))
    app.wait_for_line(lines.frozen_picture_restored())
    recorder.wait_bar(app, lambda s: s["state"] == "idle")
    # Another tool puts the overlay over the whole screen again: it shows the frozen
    # screen, window and all, not an empty frame.
    x.key("p")
    app.wait_for_line(lines.recording_controls_closed())
    recorder.wait_hole(app, lambda h, c: h is None)
    centre = (WINDOW[0] + WINDOW[2] // 2, WINDOW[1] + WINDOW[3] // 2)
    shown = screen.wait_until(display, lambda p: p.pixel(*centre) == (255, 255, 255), timeout=10)
    if os.environ.get("QN_E2E_SHOTS"):
        display.screenshot(os.path.join(os.environ["QN_E2E_SHOTS"], "frozen-picture-restored.png"))
    assert shown, screen.grab(display).pixel(*centre)
