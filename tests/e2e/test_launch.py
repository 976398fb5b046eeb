"""Launch: the program starts in the tray and records that it has run."""


def test_first_launch_stores_first_run_false(launch):
    app = launch()
    app.wait_for_pref("isFirstRun", False)
    assert app.alive()
