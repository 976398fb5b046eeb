"""Every line the program prints for the tests (QUILLNEST_DIAGNOSTICS=1), one function
per builder of platform/DiagnosticLines.h under the same name in snake case.

Each function returns a compiled regex for the whole line. An argument left out
matches any value (and is a group of the match); a value given matches exactly that
text, or, wrapped in rx(...), that regex; ending(text) matches any text ending so.
The heading functions (settings_window, settings_page, onboarding_controls) return
the heading text itself: a report of a window's controls is controls(heading).
"""
import re


class rx(str):
    """A regex fragment given as an argument instead of literal text."""


def ending(text):
    """Any text that ends with `text`."""
    return rx(".*" + re.escape(str(text)))


def _v(value, default):
    if value is None:
        return default
    if isinstance(value, rx):
        return value
    if isinstance(value, bool):
        raise TypeError("use the word the line prints, not a bool")
    return re.escape(str(value))


def _line(body):
    return re.compile("^" + body + "$")


NUM = r"(-?[\d.e+-]+)"
INT = r"(\d+)"
FRAME = r"(-?\d+,-?\d+,\d+,\d+|none)"
WORD = r"(\S+)"


def frame(text):
    """(x, y, w, h) from "x,y,w,h", None for "none"."""
    return None if text == "none" else tuple(int(v) for v in text.split(","))


# ---- capture overlay
def crop_area(x=None, y=None, w=None, h=None):
    return _line(rf"capture: crop area {_v(x, NUM)},{_v(y, NUM)} {_v(w, NUM)}x{_v(h, NUM)}")
def overlay_opened(screens=None): return _line(rf"capture: overlay opened on {_v(screens, INT)} screen\(s\)")
def overlay_painted(): return _line("capture: overlay painted")
def overlay_closed(): return _line("capture: overlay closed")
def overlay_memory_released(): return _line("capture: overlay memory released")
def pointer_held_late(held=None): return _line(f"capture: pointer held late: {_v(held, '(yes|no)')}")
def press(x=None, y=None): return _line(f"capture: press {_v(x, NUM)},{_v(y, NUM)}")
def release(x=None, y=None): return _line(f"capture: release {_v(x, NUM)},{_v(y, NUM)}")
def comment_points(points=None): return _line(f"annotation: comment points {_v(points, '(.*)')}")


# ---- capture outputs
def nothing_to_output(): return _line("capture: nothing to output: the crop area is empty")
def nothing_to_copy(): return _line("capture: nothing to copy: the crop area is empty")
def nothing_to_save(): return _line("capture: nothing to save: the crop area is empty")
def nothing_to_upload(): return _line("capture: nothing to upload: the crop area is empty")
def not_encoded(): return _line("capture: the capture could not be encoded")
def copied_png(size=None): return _line(f"capture: copied {_v(size, INT)} bytes of PNG")
def reading_text(): return _line("capture: reading text")
def text_read_too_late(): return _line("capture: text read after the capture closed; dropped")
def no_text_found(): return _line("capture: no text found")
def copied_text(characters=None): return _line(f"capture: copied {_v(characters, INT)} characters of text")
def saved(path=None): return _line(f"capture: saved {_v(path, '(.+)')}")
def save_failed(path=None, error=None):
    return _line(f"capture: could not save {_v(path, '(.+)')}: {_v(error, '(.*)')}")
def image_to_save_unreadable(): return _line("capture: the image to save could not be read")
def upload_started(): return _line("capture: upload started")
def uploaded(): return _line("capture: uploaded")


# ---- recording from the overlay
def recording_controls_shown(): return _line("capture: recording controls shown")
def recording_controls_closed(): return _line("capture: recording controls closed")
def no_recording_to_save(): return _line("capture: no recording to save")
def finishing_movie(path=None): return _line(f"capture: finishing the movie for {_v(path, '(.+)')}")
def movie_save_failed(path=None, error=None):
    return _line(f"capture: could not save the movie to {_v(path, '(.+)')}: {_v(error, '(.*)')}")
def saved_movie(path=None): return _line(f"capture: saved movie {_v(path, '(.+)')}")


# ---- chrome (the overlay's bars)
def chrome_placement(): return _line(rf"chrome: bar {FRAME} column {FRAME}")
def chrome_controls(): return _line("chrome: controls (.*)")
def help_shown(text=None): return _line(f'chrome: help shown "{_v(text, "(.*)")}"')
def help_hidden(text=None): return _line(f'chrome: help hidden "{_v(text, "(.*)")}"')
def popover_shown(name=None): return _line(rf"chrome: popover shown {_v(name, WORD)} {FRAME}")
def popover_hidden(name=None): return _line(f"chrome: popover hidden {_v(name, '(.*)')}")


# ---- status menu and notices
def menu(): return _line("menu: (.*)")
def tray_info_applied(projects=None): return _line(f"cloud: tray info applied projects={_v(projects, INT)}")
def notice(text=None): return _line(f"notice: {_v(text, '(.*)')}")
def notice_emoji(code=None): return _line(rf"notice emoji: U\+{_v(code, '([0-9A-F]+)')}")
def notice_hidden(): return _line("notice hidden")


# ---- recorder
def recorder_bar():
    return _line(r'recorder: bar state=(\w+) title="([^"]*)" time=(\S+) badge=(\S+) drawing=(\w+) '
                 r"microphone=(\S+) camera=(\S+) scheme=(\w+)")
def recorder_controls(): return _line("recorder: controls (.*)")
def recorder_tools(): return _line("recorder: tools (.*)")
def recording_tool(tool=None): return _line(f"recorder: recording tool {_v(tool, WORD)}")
def drawing_surface(frame=None): return _line(f"recorder: drawing surface {_v(frame, FRAME)}")
def drawing_surface_none(): return drawing_surface("none")
def stream_shape(shape=None, strokes=None, opacity=None, bubble=None):
    return _line(rf"recorder: stream shape {_v(shape, FRAME)} strokes={_v(strokes, INT)} "
                 rf"opacity={_v(opacity, NUM)} bubble={_v(bubble, FRAME)}")
def bubble_dropped(at=None, snaps_to=None):
    snap = r"(?: snaps to (\S+))?" if snaps_to is None else " snaps to " + _v(snaps_to, "")
    return _line(f"recorder: bubble dropped at {_v(at, WORD)}{snap}")
def options_settings(state=None): return _line(f"recorder: options settings {_v(state, '(open|closed)')}")
def options_button(): return _line(r"recorder: options button=(-?\d+),(-?\d+),(\d+),(\d+)")
def recorder_settings_controls(): return _line("recorder: settings controls (.*)")
def recorder_devices(kind=None, names=None, chosen=None):
    return _line(rf'recorder: settings {_v(kind, "(cameras|microphones)")} \[{_v(names, "(.*)")}\] '
                 rf'chosen "{_v(chosen, "(.*)")}"')
def overlay_mouse(state=None): return _line(f"recorder: overlay mouse {_v(state, '(through|taken)')}")
def microphone_session(state=None, device=None):
    return _line(f'recorder: microphone session {_v(state, "(running|stopped)")} "{_v(device, "(.*)")}"')
def camera_session(state=None, device=None):
    return _line(f'recorder: camera session {_v(state, "(running|stopped)")} "{_v(device, "(.*)")}"')
def overlay_hole(): return _line(rf"recorder: overlay hole {FRAME} card {FRAME}")
def stream_window(frame=None): return _line(f"recorder: stream window on {_v(frame, FRAME)}")


# ---- settings window
def settings_window(): return "settings: window"
def settings_page(page): return f'settings: page "{page}"'
def settings_showing(page=None): return _line(f'settings: showing "{_v(page, "(.*)")}"')
def settings_focus(name=None): return _line(f"settings: focus {_v(name, '(.*)')}")
def page_timed(what=None): return _line(_v(what, "(.*)").join(["settings: page ", r" and painted in ([\d.]+) ms"]))
def cloud_account(state=None):
    return _line(f"settings: cloud account {_v(state, '(loading|signed out|signed in)')}")
def hotkeys_first_row(hotkey=None): return _line(f'settings: hotkeys row 0 "{_v(hotkey, "(.*)")}"')
def shortcut_recording(): return _line("settings: shortcut recording")
def shortcut_recording_cancelled(): return _line("settings: shortcut recording cancelled")
def shortcut_refused(shortcut=None): return _line(f"settings: shortcut refused {_v(shortcut, '(.*)')}")
def shortcut_set(shortcut=None): return _line(f'settings: shortcut set "{_v(shortcut, "(.*)")}"')
def shortcut_needs_modifier(): return _line("settings: shortcut needs a modifier")
def logo(state=None): return _line(f"settings: logo {_v(state, '(set|none)')}")
def logo_warning_shown(text=None): return _line(f'settings: logo warning shown "{_v(text, "(.*)")}"')
def logo_warning_hidden(): return _line("settings: logo warning hidden")
def logo_dialog_shown(): return _line("settings: logo dialog shown")
def logo_dialog_cancelled(): return _line("settings: logo dialog cancelled")
def controls(heading):
    """A report of a window's controls under `heading`; group 1 holds the name=x,y,w,h words."""
    return _line(re.escape(heading) + "(?: (.*))?")


def control_frames(words):
    """{name: (x, y, w, h)} from the name=x,y,w,h words of a controls report."""
    out = {}
    for part in (words or "").split():
        if "=" not in part:
            continue
        name, text = part.rsplit("=", 1)
        try:
            out[name] = frame(text)
        except ValueError:
            continue
    return out


# ---- onboarding
def onboarding_controls(): return "onboarding: controls"
def onboarding_step(step=None, button=None): return _line(f'onboarding: step {_v(step, INT)} "{_v(button, "(.*)")}"')
def onboarding_video_shown(): return _line("onboarding: video shown")
def onboarding_video_restarted(): return _line("onboarding: video restarted")
def onboarding_video_stopped(): return _line("onboarding: video stopped")
def onboarding_video_error(message=None): return _line(f"onboarding: video error {_v(message, '(.*)')}")
def onboarding_finished(): return _line("onboarding: finished")


# ---- our windows kept out of the movie
def recording_controls_placed(frame=None): return _line(f"capture: recording controls at {_v(frame, FRAME)}")
def close_question_placed(frame=None, paused=None):
    tail = {None: "( frames paused)?", True: " frames paused", False: ""}[paused]
    return _line(f"capture: close question at {_v(frame, FRAME)}{tail}")
def close_question_resumed(): return _line("capture: close question resumed the frames")
def notice_placed(frame=None): return _line(f"notice placed at {_v(frame, FRAME)}")
def stream_fade(mode=None): return _line(f"recorder: stream fade {_v(mode, '(linear|stepped)')}")
def menu_highlighted(title=None): return _line(f"status menu: highlighted {_v(title, '(.*)')}")


# ---- what the program tells whoever runs it from a terminal (printed always)
def started(): return _line("Quillnest started")
def launch_handed_over(): return _line("Another launch handed over to this program")
def already_running(): return _line("Quillnest is already running: this launch hands over to it")
def already_running_no_answer(): return _line("Quillnest is already running, but did not answer")
def single_instance_not_listening(socket=None, error=None):
    return _line(f"Single instance: cannot listen on {_v(socket, '(.+)')} \\({_v(error, '(.*)')}\\)")
def ends_on_signal(number=None): return _line(f"Quillnest ends on signal {_v(number, INT)}")
def needs_x11(reason=None): return _line(rf"Quillnest needs an X11 session \(XWayland counts\): {_v(reason, '(.*)')}")
def x11_connection_broke(): return _line(r"The X11 connection broke: the program ends\.")
def no_system_tray():
    return _line("No system tray is running: the Quillnest icon cannot be shown; the hot key still works")
def path_not_utf8_no_folder(variable=None):
    return _line(f"Paths: {_v(variable, WORD)} is not UTF-8 and no private folder for a stand-in could be made")
def path_not_utf8_no_stand_in(variable=None):
    return _line(f"Paths: {_v(variable, WORD)} is not UTF-8 and its stand-in could not be made")
def preferences_not_saved(file=None, reason=None):
    return _line(f"Preferences could not be saved to {_v(file, '(.+)')} \\({_v(reason, '(.*)')}\\); "
                 "changes last only until Quillnest quits")
def preference_ignored(key=None, why=None):
    return _line(f'Preferences: value of "{_v(key, "(.*)")}" ignored \\({_v(why, "(.*)")}\\); using the default')
def hot_keys_suspended(state=None): return _line(f"Hot keys {_v(state, '(suspended|resumed)')}")
def hot_key_registered(keys=None, name=None):
    return _line(f"Hot key {_v(keys, '(.+)')} registered for {_v(name, WORD)}")
def hot_key_taken(keys=None, name=None):
    return _line(f"Hot key {_v(keys, '(.*)')} could not be registered for {_v(name, WORD)}: another program uses it")
def hot_key_unsupported(keys=None, name=None):
    return _line(f"Hot key {_v(keys, '(.*)')} could not be registered for {_v(name, WORD)}: "
                 "no X11 display or unknown key")
def open_at_login(state=None): return _line(f"Open at login: {_v(state, '(on|off)')}")
def open_at_login_not_removed(path=None): return _line(f"Open at login: could not remove {_v(path, '(.+)')}")
def open_at_login_folder_not_made(folder=None): return _line(f"Open at login: could not create {_v(folder, '(.+)')}")
def open_at_login_not_written(path=None, error=None):
    return _line(f"Open at login: could not write {_v(path, '(.+)')}: {_v(error, '(.*)')}")
def analytics(json=None): return _line(f"analytics {_v(json, '(.*)')}")
def dropped_file_unreadable(path=None):
    return _line(f"Dropped file ignored: {_v(path, '(.+)')} is not a readable file")
def dropped_file_not_image(path=None, why=None):
    return _line(f"Dropped file ignored: {_v(path, '(.+)')} is not an image \\({_v(why, '(.*)')}\\)")
def dropped_file_too_large(path=None, size=None):
    return _line(f"Dropped file refused: {_v(path, '(.+)')} is {_v(size, INT)} bytes")
def dropped_file_not_uploaded(path=None, error=None):
    return _line(f"Dropped file not uploaded: {_v(path, '(.+)')} \\({_v(error, '(.*)')}\\)")
def login_error(error=None): return _line(f"Login error: {_v(error, '(.*)')}")
def tray_info_load_failed(error=None): return _line(f"Load user tray info error: {_v(error, '(.*)')}")
def projects_load_failed(error=None): return _line(f"Load projects error: {_v(error, '(.*)')}")
def failure(message=None): return _line(_v(message, "(.*)"))
def last_screenshot_not_written(): return _line(r"Handle the error, i\.e\. disk can be full")
def ocr_error(what=None): return _line(f"RecognizeTextRequest error: {_v(what, '(.*)')}")
def logo_too_large(file=None): return _line(f"Custom logo refused: {_v(file, '(.+)')} is larger than 160x160")
def logo_refused(why=None): return _line(f"Custom logo refused: {_v(why, '(.*)')}")
def logo_not_written(why=None): return _line(rf"Handle the error, i\.e\. disk can be full: {_v(why, '(.*)')}")
def recording_started(path=None): return _line(f"Recording started: {_v(path, '(.*)')}")
def recording_finished(path=None): return _line(f"Recording finished: {_v(path, '(.*)')}")
def recorder_error(text=None): return _line(f"VideoRecorderCore Error: {_v(text, '(.*)')}")
def recorder_delegate_error(): return _line("delegate error")


# ---- how an overlay's first paint got the frozen screen into its frame
def first_paint(how=None): return _line(f"capture: first paint {_v(how, '(prefilled|copied|painted)')}")


# ---- the recording bar's tools palette
def recorder_tools_panel(frame=None, arrow=None):
    return _line(f"recorder: palette at {_v(frame, FRAME)} arrow={_v(arrow, WORD)}")
# ---- the frozen screen while a recording covers it: packed, and back
def frozen_picture_parked(size=None):
    return _line(f"capture: frozen picture packed in {_v(size, INT)} bytes while recording")
def frozen_picture_restored(): return _line("capture: frozen picture restored")
