#include "platform/DiagnosticLines.h"

#include <QByteArray>

namespace qn::diagnostics {

namespace {
QString capture(const QString &rest) { return QStringLiteral("capture: ") + rest; }
QString recorder(const QString &rest) { return QStringLiteral("recorder: ") + rest; }
QString settings(const QString &rest) { return QStringLiteral("settings: ") + rest; }
QString onboarding(const QString &rest) { return QStringLiteral("onboarding: ") + rest; }
QString quoted(const QString &text) { return QLatin1Char('"') + text + QLatin1Char('"'); }
const char *runningWord(bool running) { return running ? "running" : "stopped"; }
} // namespace

QString frame(const QRect &r) {
    return QStringLiteral("%1,%2,%3,%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

QString cropArea(const QRectF &r) {
    return capture(QStringLiteral("crop area %1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()));
}
QString overlayOpened(qsizetype screens) {
    return capture(QStringLiteral("overlay opened on %1 screen(s)").arg(screens));
}
QString overlayPainted() { return capture(QStringLiteral("overlay painted")); }
QString overlayClosed() { return capture(QStringLiteral("overlay closed")); }
QString overlayMemoryReleased() { return capture(QStringLiteral("overlay memory released")); }
QString pointerHeldLate(bool held) {
    return capture(QStringLiteral("pointer held late: %1").arg(held ? QStringLiteral("yes") : QStringLiteral("no")));
}
QString press(QPointF at) { return capture(QStringLiteral("press %1,%2").arg(at.x()).arg(at.y())); }
QString release(QPointF at) { return capture(QStringLiteral("release %1,%2").arg(at.x()).arg(at.y())); }
QString commentPoints(const QString &points) { return QStringLiteral("annotation: comment points ") + points; }

QString nothingToOutput() { return capture(QStringLiteral("nothing to output: the crop area is empty")); }
QString nothingToCopy() { return capture(QStringLiteral("nothing to copy: the crop area is empty")); }
QString nothingToSave() { return capture(QStringLiteral("nothing to save: the crop area is empty")); }
QString nothingToUpload() { return capture(QStringLiteral("nothing to upload: the crop area is empty")); }
QString notEncoded() { return capture(QStringLiteral("the capture could not be encoded")); }
QString copiedPng(qsizetype bytes) { return capture(QStringLiteral("copied %1 bytes of PNG").arg(bytes)); }
QString readingText() { return capture(QStringLiteral("reading text")); }
QString textReadTooLate() { return capture(QStringLiteral("text read after the capture closed; dropped")); }
QString noTextFound() { return capture(QStringLiteral("no text found")); }
QString copiedText(qsizetype characters) {
    return capture(QStringLiteral("copied %1 characters of text").arg(characters));
}
QString saved(const QString &path) { return capture(QStringLiteral("saved ") + path); }
QString saveFailed(const QString &path, const QString &error) {
    return capture(QStringLiteral("could not save %1: %2").arg(path, error));
}
QString imageToSaveUnreadable() { return capture(QStringLiteral("the image to save could not be read")); }
QString uploadStarted() { return capture(QStringLiteral("upload started")); }
QString uploaded() { return capture(QStringLiteral("uploaded")); }

QString recordingControlsShown() { return capture(QStringLiteral("recording controls shown")); }
QString recordingControlsClosed() { return capture(QStringLiteral("recording controls closed")); }
QString noRecordingToSave() { return capture(QStringLiteral("no recording to save")); }
QString finishingMovie(const QString &path) { return capture(QStringLiteral("finishing the movie for ") + path); }
QString movieSaveFailed(const QString &path, const QString &error) {
    return capture(QStringLiteral("could not save the movie to %1: %2").arg(path, error));
}
QString savedMovie(const QString &path) { return capture(QStringLiteral("saved movie ") + path); }

QString chromePlacement(const QString &bar, const QString &column) {
    return QStringLiteral("chrome: bar %1 column %2").arg(bar, column);
}
QString chromeControls(const QStringList &frames) {
    return QStringLiteral("chrome: controls ") + frames.join(QLatin1Char(' '));
}
QString helpShown(const QString &text) { return QStringLiteral("chrome: help shown ") + quoted(text); }
QString helpHidden(const QString &text) { return QStringLiteral("chrome: help hidden ") + quoted(text); }
QString popoverShown(const QString &name, const QRect &r) {
    return QStringLiteral("chrome: popover shown %1 %2").arg(name, frame(r));
}
QString popoverHidden(const QString &name) { return QStringLiteral("chrome: popover hidden ") + name; }

QString menu(const QByteArray &json) { return QStringLiteral("menu: ") + QString::fromUtf8(json); }
QString trayInfoApplied(qsizetype projects) {
    return QStringLiteral("cloud: tray info applied projects=%1").arg(projects);
}
QString notice(const QString &text) { return QStringLiteral("notice: ") + text; }
QString noticeEmoji(const QString &emoji) {
    return QStringLiteral("notice emoji: U+") + QString::number(emoji.toUcs4().value(0), 16).toUpper();
}
QString noticeHidden() { return QStringLiteral("notice hidden"); }

QString recorderBar(const QString &state, const QString &title, const QString &time, const QString &badge, bool drawing,
                    const QString &microphone, const QString &camera, bool light) {
    return recorder(QStringLiteral("bar state=%1 title=\"%2\" time=%3 badge=%4 drawing=%5 microphone=%6 camera=%7 "
                                   "scheme=%8")
                        .arg(state, title, time, badge, drawing ? QStringLiteral("on") : QStringLiteral("off"),
                             microphone, camera, light ? QStringLiteral("light") : QStringLiteral("dark")));
}
QString recorderControls(const QString &bar, const QString &record, const QString &pencil, const QString &pointer,
                         const QString &microphone, const QString &camera) {
    return recorder(QStringLiteral("controls bar=%1 record=%2 pencil=%3 pointer=%4 microphone=%5 camera=%6")
                        .arg(bar, record, pencil, pointer, microphone, camera));
}
QString recorderTools(const QStringList &frames) {
    return recorder(QStringLiteral("tools ") + frames.join(QLatin1Char(' ')));
}
QString recordingTool(const QString &tool) { return recorder(QStringLiteral("recording tool ") + tool); }
QString drawingSurface(const QString &frame) { return recorder(QStringLiteral("drawing surface ") + frame); }
QString drawingSurfaceNone() { return drawingSurface(QStringLiteral("none")); }
QString streamShape(const QString &shape, qsizetype strokes, qreal opacity, const QString &bubble) {
    return recorder(QStringLiteral("stream shape %1 strokes=%2 opacity=%3 bubble=%4")
                        .arg(shape)
                        .arg(strokes)
                        .arg(opacity)
                        .arg(bubble));
}
QString bubbleDropped(QPointF at, std::optional<QPointF> snapsTo) {
    return recorder(
        QStringLiteral("bubble dropped at %1,%2%3")
            .arg(at.x())
            .arg(at.y())
            .arg(snapsTo ? QStringLiteral(" snaps to %1,%2").arg(snapsTo->x()).arg(snapsTo->y()) : QString()));
}
QString optionsSettings(bool open) {
    return recorder(QStringLiteral("options settings ") + (open ? QStringLiteral("open") : QStringLiteral("closed")));
}
QString optionsButton(const QRect &r) { return recorder(QStringLiteral("options button=") + frame(r)); }
QString recorderSettingsControls(const QString &cameraSwitch, const QString &cameraChooser,
                                 const QString &microphoneSwitch, const QString &microphoneChooser) {
    return recorder(QStringLiteral("settings controls cameraSwitch=%1 cameraChooser=%2 microphoneSwitch=%3 "
                                   "microphoneChooser=%4")
                        .arg(cameraSwitch, cameraChooser, microphoneSwitch, microphoneChooser));
}
QString recorderDevices(bool cameras, const QStringList &names, const QString &chosen) {
    return recorder(QStringLiteral("settings %1 [%2] chosen \"%3\"")
                        .arg(cameras ? QStringLiteral("cameras") : QStringLiteral("microphones"),
                             names.join(QLatin1Char('|')), chosen));
}
QString overlayMouse(bool through) {
    return recorder(QStringLiteral("overlay mouse ") + (through ? QStringLiteral("through") : QStringLiteral("taken")));
}
QString microphoneSession(bool running, const QString &device) {
    return recorder(QStringLiteral("microphone session %1 \"%2\"").arg(QLatin1String(runningWord(running)), device));
}
QString cameraSession(bool running, const QString &device) {
    return recorder(QStringLiteral("camera session %1 \"%2\"").arg(QLatin1String(runningWord(running)), device));
}
QString overlayHole(const QString &hole, const QString &card) {
    return recorder(QStringLiteral("overlay hole %1 card %2").arg(hole, card));
}
QString streamWindow(const QString &frame) { return recorder(QStringLiteral("stream window on ") + frame); }

QString settingsWindow() { return settings(QStringLiteral("window")); }
QString settingsPage(const QString &page) { return settings(QStringLiteral("page ") + quoted(page)); }
QString settingsShowing(const QString &page) { return settings(QStringLiteral("showing ") + quoted(page)); }
QString settingsFocus(const QString &name) { return settings(QStringLiteral("focus ") + name); }
QString pageTimed(const QString &what, double ms) {
    return settings(QStringLiteral("page %1 and painted in %2 ms").arg(what).arg(ms, 0, 'f', 1));
}
QString cloudAccount(const QString &state) { return settings(QStringLiteral("cloud account ") + state); }
QString hotkeysFirstRow(const QString &hotkey) { return settings(QStringLiteral("hotkeys row 0 ") + quoted(hotkey)); }
QString shortcutRecording() { return settings(QStringLiteral("shortcut recording")); }
QString shortcutRecordingCancelled() { return settings(QStringLiteral("shortcut recording cancelled")); }
QString shortcutRefused(const QString &shortcut) { return settings(QStringLiteral("shortcut refused ") + shortcut); }
QString shortcutSet(const QString &shortcut) { return settings(QStringLiteral("shortcut set ") + quoted(shortcut)); }
QString shortcutNeedsModifier() { return settings(QStringLiteral("shortcut needs a modifier")); }
QString logo(bool set) {
    return settings(QStringLiteral("logo ") + (set ? QStringLiteral("set") : QStringLiteral("none")));
}
QString logoWarningShown(const QString &text) { return settings(QStringLiteral("logo warning shown ") + quoted(text)); }
QString logoWarningHidden() { return settings(QStringLiteral("logo warning hidden")); }
QString logoDialogShown() { return settings(QStringLiteral("logo dialog shown")); }
QString logoDialogCancelled() { return settings(QStringLiteral("logo dialog cancelled")); }
QString controls(const QString &heading, const QStringList &frames) {
    return (QStringList{heading} + frames).join(QLatin1Char(' '));
}

QString onboardingControls() { return onboarding(QStringLiteral("controls")); }
QString onboardingStep(int step, const QString &button) {
    return onboarding(QStringLiteral("step %1 ").arg(step) + quoted(button));
}
QString onboardingVideoShown() { return onboarding(QStringLiteral("video shown")); }
QString onboardingVideoRestarted() { return onboarding(QStringLiteral("video restarted")); }
QString onboardingVideoStopped() { return onboarding(QStringLiteral("video stopped")); }
QString onboardingVideoError(const QString &message) { return onboarding(QStringLiteral("video error ") + message); }
QString onboardingFinished() { return onboarding(QStringLiteral("finished")); }

QString recordingControlsPlaced(const QString &frame) {
    return capture(QStringLiteral("recording controls at ") + frame);
}
QString closeQuestionPlaced(const QString &frame, bool framesPaused) {
    return capture(QStringLiteral("close question at ") + frame +
                   (framesPaused ? QStringLiteral(" frames paused") : QString()));
}
QString closeQuestionResumed() { return capture(QStringLiteral("close question resumed the frames")); }
QString noticePlaced(const QString &frame) { return QStringLiteral("notice placed at ") + frame; }
QString streamFade(const QString &mode) { return recorder(QStringLiteral("stream fade ") + mode); }

QString menuHighlighted(const QString &title) { return QStringLiteral("status menu: highlighted ") + title; }
QString started() { return QStringLiteral("Quillnest started"); }
QString launchHandedOver() { return QStringLiteral("Another launch handed over to this program"); }
QString alreadyRunning() { return QStringLiteral("Quillnest is already running: this launch hands over to it"); }
QString alreadyRunningNoAnswer() { return QStringLiteral("Quillnest is already running, but did not answer"); }
QString singleInstanceNotListening(const QString &socket, const QString &error) {
    return QStringLiteral("Single instance: cannot listen on %1 (%2)").arg(socket, error);
}
QString endsOnSignal(int signalNumber) { return QStringLiteral("Quillnest ends on signal %1").arg(signalNumber); }
QString needsX11(const QString &reason) {
    return QStringLiteral("Quillnest needs an X11 session (XWayland counts): ") + reason;
}
QString x11ConnectionBroke() { return QStringLiteral("The X11 connection broke: the program ends."); }
QString noSystemTray() {
    return QStringLiteral("No system tray is running: the Quillnest icon cannot be shown; the hot key still works");
}
QString pathNotUtf8NoFolder(const QString &variable) {
    return QStringLiteral("Paths: %1 is not UTF-8 and no private folder for a stand-in could be made").arg(variable);
}
QString pathNotUtf8NoStandIn(const QString &variable) {
    return QStringLiteral("Paths: %1 is not UTF-8 and its stand-in could not be made").arg(variable);
}

QString preferencesNotSaved(const QString &file, const QString &reason) {
    return QStringLiteral("Preferences could not be saved to %1 (%2); changes last only until Quillnest quits")
        .arg(file, reason);
}
QString preferenceIgnored(const QString &key, const QString &why) {
    return QStringLiteral("Preferences: value of \"%1\" ignored (%2); using the default").arg(key, why);
}
QString hotKeysSuspended(bool suspended) {
    return QStringLiteral("Hot keys ") + (suspended ? QStringLiteral("suspended") : QStringLiteral("resumed"));
}
QString hotKeyRegistered(const QString &keys, const QString &name) {
    return QStringLiteral("Hot key %1 registered for %2").arg(keys, name);
}
QString hotKeyTaken(const QString &keys, const QString &name) {
    return QStringLiteral("Hot key %1 could not be registered for %2: another program uses it").arg(keys, name);
}
QString hotKeyUnsupported(const QString &keys, const QString &name) {
    return QStringLiteral("Hot key %1 could not be registered for %2: no X11 display or unknown key").arg(keys, name);
}
QString openAtLogin(bool on) {
    return QStringLiteral("Open at login: ") + (on ? QStringLiteral("on") : QStringLiteral("off"));
}
QString openAtLoginNotRemoved(const QString &path) { return QStringLiteral("Open at login: could not remove ") + path; }
QString openAtLoginFolderNotMade(const QString &folder) {
    return QStringLiteral("Open at login: could not create ") + folder;
}
QString openAtLoginNotWritten(const QString &path, const QString &error) {
    return QStringLiteral("Open at login: could not write %1: %2").arg(path, error);
}
QString analytics(const QByteArray &json) { return QStringLiteral("analytics ") + QString::fromUtf8(json); }

QString droppedFileUnreadable(const QString &path) {
    return QStringLiteral("Dropped file ignored: %1 is not a readable file").arg(path);
}
QString droppedFileNotImage(const QString &path, const QString &why) {
    return QStringLiteral("Dropped file ignored: %1 is not an image (%2)").arg(path, why);
}
QString droppedFileTooLarge(const QString &path, qint64 bytes) {
    return QStringLiteral("Dropped file refused: %1 is %2 bytes").arg(path, QString::number(bytes));
}
QString droppedFileNotUploaded(const QString &path, const QString &error) {
    return QStringLiteral("Dropped file not uploaded: %1 (%2)").arg(path, error);
}

QString loginError(const QString &error) { return QStringLiteral("Login error: ") + error; }
QString trayInfoLoadFailed(const QString &error) { return QStringLiteral("Load user tray info error: ") + error; }
QString projectsLoadFailed(const QString &error) { return QStringLiteral("Load projects error: ") + error; }
QString failure(const QString &message) { return message; }

QString lastScreenshotNotWritten() { return QStringLiteral("Handle the error, i.e. disk can be full"); }
QString ocrError(const QString &what) { return QStringLiteral("RecognizeTextRequest error: ") + what; }
QString logoTooLarge(const QString &file) {
    return QStringLiteral("Custom logo refused: %1 is larger than 160x160").arg(file);
}
QString logoRefused(const QString &why) { return QStringLiteral("Custom logo refused: ") + why; }
QString logoNotWritten(const QString &why) { return lastScreenshotNotWritten() + QStringLiteral(": ") + why; }

QString recordingStarted(const QString &path) { return QStringLiteral("Recording started: ") + path; }
QString recordingFinished(const QString &path) { return QStringLiteral("Recording finished: ") + path; }
QString recorderError(const QString &text) { return QStringLiteral("VideoRecorderCore Error: ") + text; }
QString recorderDelegateError() { return QStringLiteral("delegate error"); }

QString firstPaint(const QString &how) { return capture(QStringLiteral("first paint ") + how); }

// ---- the recording bar's tools palette
QString recorderToolsPanel(const QString &frame, const QString &arrow) {
    return recorder(QStringLiteral("palette at %1 arrow=%2").arg(frame, arrow));
}
QString frozenPictureParked(qint64 bytes) {
    return capture(QStringLiteral("frozen picture packed in %1 bytes while recording").arg(bytes));
}
QString frozenPictureRestored() { return capture(QStringLiteral("frozen picture restored")); }

} // namespace qn::diagnostics
