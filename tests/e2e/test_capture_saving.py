"""What a save does to the files around it: a link the user saves over, the mode of a
replaced file, and a movie whose name was taken while it was recorded."""
import os
import stat
import time

from harness import chrome, lines, recorder, screen
from harness.app import open_capture, wait_capture_closed, wait_focus_in

PREFS = {"localWatermark": False, "needOnboarding": False}
CROP = (300, 200, 400, 300)


def mode_of(path):
    return stat.S_IMODE(os.stat(path).st_mode)


def save_over(x, display, dialog, path, shot):
    """Types `path` into the save dialog and answers Yes when it asks whether to
    replace the file that is there."""
    wait_focus_in(x, dialog, time.time() + 10)
    x.key("ctrl+a")
    x.type(path)
    x.key("Return")
    wait_focus_in(x, lambda: [w for w in x.windows(name="^Save$") if w not in dialog], time.time() + 10)
    if os.environ.get("QN_E2E_SHOTS"):
        display.screenshot(os.path.join(os.environ["QN_E2E_SHOTS"], shot))
    x.key("alt+y")


def linked_file(app, name, content, mode):
    """A file of the user's in a folder of its own, and a link to it in the home
    folder, as someone who keeps a "latest" link does."""
    folder = os.path.join(app.home, "kept")
    os.makedirs(folder, exist_ok=True)
    real = os.path.join(folder, name)
    with open(real, "wb") as f:
        f.write(content)
    os.chmod(real, mode)
    link = os.path.join(app.home, "latest-" + name)
    os.symlink(real, link)
    return real, link


def test_a_picture_saved_over_a_link_replaces_the_file_it_names_and_keeps_its_mode(launch, x, display):
    app = launch(prefs=PREFS)
    real, link = linked_file(app, "shot.png", b"old picture", 0o604)
    open_capture(app, x)
    x.drag((100, 100), (300, 250))
    x.key("ctrl+s")
    save_over(x, display, x.wait_window("^Save$"), link, "replace-picture.png")
    app.wait_for_line(lines.saved(lines.ending("latest-shot.png")))
    wait_capture_closed(app, x)
    assert os.readlink(link) == real
    with open(real, "rb") as f:
        data = f.read()
    assert screen.image_format(data) == "png"
    picture = screen.decode(data, display)
    assert (picture.width, picture.height) == (200, 150)
    assert mode_of(real) == 0o604
    # Nothing half-made is left beside either.
    assert sorted(os.listdir(os.path.dirname(real))) == ["shot.png"]
    assert [f for f in os.listdir(app.home) if ".part" in f] == []


def test_a_movie_saved_over_a_link_is_the_one_recorded_even_when_its_name_was_taken(launch, x, display):
    window = screen.TestWindow(display, x, "recsource", at=(250, 150), size=(600, 450))
    try:
        app = launch(prefs=PREFS)
        real, link = linked_file(app, "movie.mov", b"old movie", 0o640)
        open_capture(app, x)
        x.drag((CROP[0], CROP[1]), (CROP[0] + CROP[2], CROP[1] + CROP[3]))
        chrome.wait_placement(app)
        x.key("v")
        app.wait_for_line(lines.recording_controls_shown())
        recorder.wait_bar(app, lambda s: s["state"] == "idle")
        save = chrome.controls(app)["save"]
        recorder.click(app, x, "record")
        movie = app.wait_for_line(recorder.STARTED).group(1)
        # Someone takes the movie's name in the recordings folder meanwhile: the finish
        # gives the movie another, and the save must take that one, not theirs.
        with open(movie, "wb") as f:
            f.write(b"not ours")
        recorder.wait_bar(app, lambda s: s["state"] == "recording" and s["time"] >= "00:01", timeout=20)
        recorder.click(app, x, "record")
        recorder.wait_bar(app, lambda s: s["state"] == "paused")

        x.click(*chrome.centre(save))
        save_over(x, display, x.wait_window("^Save$"), link, "replace-movie.png")
        app.wait_for_line(lines.saved_movie(lines.ending("latest-movie.mov")), timeout=30)
        wait_capture_closed(app, x)
        finished = app.wait_for_line(recorder.FINISHED).group(1)
        assert finished != movie
        with open(movie, "rb") as f:
            assert f.read() == b"not ours"

        assert os.readlink(link) == real
        assert float(recorder.probe(real)["format"]["duration"]) > 0.5
        with open(real, "rb") as f, open(finished, "rb") as g:
            assert f.read() == g.read()
        assert mode_of(real) == 0o640
        assert sorted(os.listdir(os.path.dirname(real))) == ["movie.mov"]
    finally:
        window.close()
