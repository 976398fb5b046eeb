"""Recording when the movie encoder module cannot be loaded: the start fails with a
message naming the file, the user is told in a notice, the program stays up and ready,
and no file is left in the recordings folder."""
import os

from harness import lines, recorder
from test_recording_controls import PREFS, choose_video

MISSING = "/nonexistent/quillnest_movie.so"


def test_a_missing_encoder_fails_the_start_and_keeps_the_program(launch, x, display):
    app = launch(prefs=PREFS, env={"QUILLNEST_MOVIE_MODULE": MISSING})
    choose_video(app, x)
    recorder.click(app, x, "record")
    line = app.wait_for_line(lines.recorder_error(lines.rx("The movie encoder .* cannot be loaded: .*"))).string
    assert MISSING in line and "No such file" in line, line
    app.wait_for_line(lines.notice(lines.rx(r"The movie encoder .*quillnest_movie\.so cannot be loaded.*")))
    recorder.wait_bar(app, lambda s: s["state"] == "idle")
    if os.environ.get("QN_E2E_SHOTS"):
        display.screenshot(os.path.join(os.environ["QN_E2E_SHOTS"], "recording-encoder-missing.png"))
    assert app.alive()
    made = []
    for folder, _, files in os.walk(app.env["TMPDIR"]):
        made += [os.path.join(folder, f) for f in files if f.endswith(".mov")]
    assert made == []
