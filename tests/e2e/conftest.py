import os
import sys

import pytest

sys.path.insert(0, os.path.dirname(__file__))

from harness import lines  # noqa: E402
from harness.app import Quillnest  # noqa: E402
from harness.display import TWO_SCREENS, Display  # noqa: E402
from harness.fakecloud import FakeCloud  # noqa: E402
from harness.x import X  # noqa: E402

ARTIFACTS = os.environ.get("QN_E2E_ARTIFACTS", "/tmp/quillnest-e2e")


@pytest.fixture
def two_screens():
    """A display with two monitors side by side (harness.display.TWO_SCREENS), which Qt sees as
    two screens. A test that asks for it gets it as `display` too, so `x` and `launch` use it."""
    d = Display(monitors=TWO_SCREENS)
    yield d
    d.close()


@pytest.fixture
def display(request):
    if "two_screens" in request.fixturenames:
        yield request.getfixturevalue("two_screens")
        return
    d = Display()
    yield d
    d.close()


@pytest.fixture
def x(display):
    return X(display)


@pytest.fixture
def cloud():
    c = FakeCloud()
    yield c
    c.close()


@pytest.fixture
def launch(display, request):
    """launch(prefs=None, env=None) starts quillnest on the test's display and waits
    until its launch sequence has run. Screenshots the display when a test fails."""
    started = []

    def _launch(prefs=None, env=None, wait=True, home=None):
        app = Quillnest(display, prefs=prefs, env=env, home=home)
        started.append(app)
        if wait:
            app.wait_for_line(lines.started())
        return app

    yield _launch
    rep = getattr(request.node, "rep_call", None)
    if rep is not None and rep.failed:
        os.makedirs(ARTIFACTS, exist_ok=True)
        name = request.node.name.replace("/", "_")
        try:
            display.screenshot(os.path.join(ARTIFACTS, name + ".png"))
        except Exception:
            pass
        for app in started:
            print(f"--- output of quillnest ({name}) ---\n" + "\n".join(app.lines[-80:]))
    for app in started:
        app.cleanup()


@pytest.hookimpl(hookwrapper=True, tryfirst=True)
def pytest_runtest_makereport(item, call):
    outcome = yield
    rep = outcome.get_result()
    setattr(item, "rep_" + rep.when, rep)
