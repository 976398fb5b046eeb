"""The video tool through the real overlay: the bar beside the crop area, record, pause,
resume and save by mouse, and the movie read back."""
import os
import time

from harness import chrome, lines, recorder, screen
from harness.app import open_capture, wait_capture_closed

PREFS = {"localWatermark": False, "needOnboarding": False}
CROP = (300, 200, 400, 300)


def choose_video(app, x, crop=CROP):
    open_capture(app, x)
    cx, cy, cw, ch = crop
    x.drag((cx, cy), (cx + cw, cy + ch))
    chrome.wait_placement(app)
    x.key("v")
    app.wait_for_line(lines.recording_controls_shown())
    recorder.wait_bar(app, lambda s: s["state"] == "idle")
    return recorder.controls(app)


def overlaps(a, b):
    ax, ay, aw, ah = a
    bx, by, bw, bh = b
    return ax < bx + bw and bx < ax + aw and ay < by + bh and by < ay + ah


def test_video_tool_shows_the_bar_beside_the_crop_and_the_live_desktop_inside(launch, x, display):
    window = screen.TestWindow(display, x, "recsource", at=(250, 150), size=(600, 450))
    try:
        app = launch(prefs=PREFS)
        shown = choose_video(app, x)
        bar = shown["bar"]
        assert (bar[2], bar[3]) == (170, 299)
        assert not overlaps(bar, CROP), (bar, CROP)
        hole, card = recorder.wait_hole(app, lambda h, c: h == CROP and c is not None)
        # The options card stands in the middle of the crop area.
        assert card == (CROP[0] + CROP[2] // 2 - 82, CROP[1] + CROP[3] // 2 - 59, 164, 118)
        picture = screen.grab(display)
        if os.environ.get("QN_E2E_SHOTS"):
            display.screenshot(os.path.join(os.environ["QN_E2E_SHOTS"], "video-tool.png"))
        # Inside the hole the white window shows undimmed; outside it the overlay dims.
        assert picture.pixel(CROP[0] + 10, CROP[1] + 10) == (255, 255, 255)
        assert max(picture.pixel(CROP[0] - 20, CROP[1] + 10)) < 255
        # Another tool closes the bar and the hole.
        x.key("p")
        app.wait_for_line(lines.recording_controls_closed())
        recorder.wait_hole(app, lambda h, c: h is None)
    finally:
        window.close()


def test_record_pause_resume_and_save_by_mouse(launch, x, display):
    window = screen.TestWindow(display, x, "recsource", at=(250, 150), size=(600, 450))
    try:
        app = launch(prefs=PREFS)
        choose_video(app, x)
        save = chrome.controls(app)["save"]
        recorder.click(app, x, "record")
        recorder.wait_bar(app, lambda s: s["state"] == "recording" and s["title"] == "Stop / Pause")
        # Recording: the options card is gone and the whole crop area is live.
        recorder.wait_hole(app, lambda h, c: h == CROP and c is None)
        recorder.wait_bar(app, lambda s: s["time"] >= "00:02", timeout=20)
        recorder.click(app, x, "record")
        paused = recorder.wait_bar(app, lambda s: s["state"] == "paused" and s["title"] == "Resume")
        paused_time = paused["time"]
        # The pause is held for a known span (the input of this test): the movie must not hold it.
        held = time.time()
        time.sleep(3)
        recorder.click(app, x, "record")
        recorder.wait_bar(app, lambda s: s["state"] == "recording")
        recorder.wait_bar(app, lambda s: s["time"] > paused_time, timeout=20)
        recorder.click(app, x, "record")
        final = recorder.wait_bar(app, lambda s: s["state"] == "paused")
        recorded = int(final["time"][:2]) * 60 + int(final["time"][3:])
        assert time.time() - held > 3

        # Paused: the action bar's save takes the movie.
        target = os.path.join(app.home, "my movie.mov")
        recorder.save_movie(app, x, save, target)

        info = recorder.probe(target)
        video = [s for s in info["streams"] if s["codec_type"] == "video"][0]
        assert (video["width"], video["height"]) == (CROP[2], CROP[3])
        assert video["codec_name"] == "h264"
        duration = float(info["format"]["duration"])
        # The recorded time the bar showed, give or take its whole seconds: the 3 s pause left out.
        assert recorded - 0.5 <= duration <= recorded + 1.5, (duration, recorded)
        # The frames hold the white window, neither dimmed nor bordered.
        frame = recorder.frame_at(target, duration / 2, (CROP[2], CROP[3]))
        for px, py in [(2, 2), (CROP[2] - 3, 2), (CROP[2] // 2, CROP[3] // 2), (2, CROP[3] - 3)]:
            assert min(recorder.pixel(frame, (CROP[2], CROP[3]), px, py)) >= 235, (px, py)
    finally:
        window.close()


def test_closing_the_overlay_finishes_a_playable_movie(launch, x, display):
    app = launch(prefs=PREFS)
    choose_video(app, x)
    recorder.click(app, x, "record")
    recorder.wait_bar(app, lambda s: s["state"] == "recording")
    recorder.wait_bar(app, lambda s: s["time"] >= "00:01", timeout=20)
    x.key("Escape")
    # A movie being written is work to lose: the close asks first.
    x.wait_window("^Quillnest$")
    x.key("Return")
    wait_capture_closed(app, x)
    # Until then the movie is still being written under another name.
    app.wait_for_line(r"^Recording finished: ")
    folder = os.path.join(app.home, "tmp")
    movies = [os.path.join(root, f) for root, _, files in os.walk(folder) for f in files if f.endswith(".mov")]
    assert len(movies) == 1, movies
    deadline = time.time() + 20
    while time.time() < deadline:
        try:
            info = recorder.probe(movies[0])
            if float(info["format"].get("duration", 0)) > 0.5:
                break
        except Exception:
            pass
        time.sleep(0.2)
    info = recorder.probe(movies[0])
    assert float(info["format"]["duration"]) >= 0.5


def test_a_crop_drawn_with_the_video_tool_chosen_shows_the_bar_at_once(launch, x, display):
    app = launch(prefs=dict(PREFS, tool="video"))
    open_capture(app, x)
    # Before any crop area: no bar and no hole, the whole screen frozen.
    assert not [l for l in app.lines if lines.recording_controls_shown().match(l)]
    x.drag((CROP[0], CROP[1]), (CROP[0] + CROP[2], CROP[1] + CROP[3]))
    app.wait_for_line(lines.recording_controls_shown())
    recorder.wait_bar(app, lambda s: s["state"] == "idle")
    recorder.wait_hole(app, lambda h, c: h == CROP and c is not None)
    # Closing without a recording asks nothing and leaves no hole behind.
    x.key("Escape")
    wait_capture_closed(app, x)
    recorder.wait_hole(app, lambda h, c: h is None)
    app.wait_for_line(lines.recording_controls_closed())


def contrast(a, b):
    def luminance(px):
        def channel(v):
            v /= 255
            return v / 12.92 if v <= 0.03928 else ((v + 0.055) / 1.055) ** 2.4
        return 0.2126 * channel(px[0]) + 0.7152 * channel(px[1]) + 0.0722 * channel(px[2])
    la, lb = sorted((luminance(a), luminance(b)))
    return (lb + 0.05) / (la + 0.05)


def test_the_idle_time_reads_on_the_dark_bar(launch, x, display):
    app = launch(prefs=dict(PREFS, appearance=b'"dark"'))
    bar = choose_video(app, x)["bar"]
    bx, by = bar[0], bar[1]
    card = (0x28, 0x28, 0x28)

    def digits(pic):
        # The "00:00" across the card's top: its strokes against the card.
        assert pic.pixel(bx + 8, by + 100) == card, "the idle card in dark"
        return max(contrast(pic.pixel(xx, yy), card) for yy in range(by + 4, by + 70) for xx in range(bx + 8, bx + 162))

    best = screen.wait_until(display, lambda pic: (c := digits(pic)) >= 3 and c)
    assert best and best >= 3, "the time's digits are too faint to read"
