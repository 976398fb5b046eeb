#pragma once
#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <optional>

// The lines the program prints for its end-to-end tests, one builder per kind of line.
// The tests read them through tests/e2e/harness/lines.py, whose functions carry the
// same names in snake case: a line changed here is changed there in the same commit.
namespace qn::diagnostics {

// "x,y,w,h", the way every line gives a frame.
QString frame(const QRect &r);

// ---- capture overlay
QString cropArea(const QRectF &r);
QString overlayOpened(qsizetype screens);
QString overlayPainted();
QString overlayClosed();
QString overlayMemoryReleased();
QString pointerHeldLate(bool held);
QString press(QPointF at);
QString release(QPointF at);
QString commentPoints(const QString &points);

// ---- capture outputs
QString nothingToOutput();
QString nothingToCopy();
QString nothingToSave();
QString nothingToUpload();
QString notEncoded();
QString copiedPng(qsizetype bytes);
QString readingText();
QString textReadTooLate();
QString noTextFound();
QString copiedText(qsizetype characters);
QString saved(const QString &path);
QString saveFailed(const QString &path, const QString &error);
QString imageToSaveUnreadable();
QString uploadStarted();
QString uploaded();

// ---- recording from the overlay
QString recordingControlsShown();
QString recordingControlsClosed();
QString noRecordingToSave();
QString finishingMovie(const QString &path);
QString movieSaveFailed(const QString &path, const QString &error);
QString savedMovie(const QString &path);

// ---- chrome (the overlay's bars)
QString chromePlacement(const QString &bar, const QString &column);
QString chromeControls(const QStringList &frames);
QString helpShown(const QString &text);
QString helpHidden(const QString &text);
QString popoverShown(const QString &name, const QRect &r);
QString popoverHidden(const QString &name);

// ---- status menu and notices
QString menu(const QByteArray &json);
// The service's answer for the menu (projects, drafts) is in the preferences.
QString trayInfoApplied(qsizetype projects);
QString notice(const QString &text);
QString noticeEmoji(const QString &emoji);
QString noticeHidden();

// ---- recorder
QString recorderBar(const QString &state, const QString &title, const QString &time, const QString &badge, bool drawing,
                    const QString &microphone, const QString &camera, bool light);
QString recorderControls(const QString &bar, const QString &record, const QString &pencil, const QString &pointer,
                         const QString &microphone, const QString &camera);
QString recorderTools(const QStringList &frames);
QString recordingTool(const QString &tool);
QString drawingSurface(const QString &frame);
QString drawingSurfaceNone();
QString streamShape(const QString &shape, qsizetype strokes, qreal opacity, const QString &bubble);
QString bubbleDropped(QPointF at, std::optional<QPointF> snapsTo);
QString optionsSettings(bool open);
QString optionsButton(const QRect &r);
QString recorderSettingsControls(const QString &cameraSwitch, const QString &cameraChooser,
                                 const QString &microphoneSwitch, const QString &microphoneChooser);
QString recorderDevices(bool cameras, const QStringList &names, const QString &chosen);
QString overlayMouse(bool through);
QString microphoneSession(bool running, const QString &device);
QString cameraSession(bool running, const QString &device);
QString overlayHole(const QString &hole, const QString &card);
QString streamWindow(const QString &frame);

// ---- settings window
QString settingsWindow();
QString settingsPage(const QString &page);
QString settingsShowing(const QString &page);
QString settingsFocus(const QString &name);
QString pageTimed(const QString &what, double ms);
QString cloudAccount(const QString &state);
QString hotkeysFirstRow(const QString &hotkey);
QString shortcutRecording();
QString shortcutRecordingCancelled();
QString shortcutRefused(const QString &shortcut);
QString shortcutSet(const QString &shortcut);
QString shortcutNeedsModifier();
QString logo(bool set);
QString logoWarningShown(const QString &text);
QString logoWarningHidden();
QString logoDialogShown();
QString logoDialogCancelled();
// A window's named controls: `heading` (settingsWindow(), settingsPage(…),
// onboardingControls()) followed by one "name=x,y,w,h" word per control.
QString controls(const QString &heading, const QStringList &frames);

// ---- onboarding
QString onboardingControls();
QString onboardingStep(int step, const QString &button);
QString onboardingVideoShown();
QString onboardingVideoRestarted();
QString onboardingVideoStopped();
QString onboardingVideoError(const QString &message);
QString onboardingFinished();

// ---- our windows kept out of the movie
// Rectangles are global "x,y,w,h".
QString recordingControlsPlaced(const QString &frame);
QString closeQuestionPlaced(const QString &frame, bool framesPaused);
QString closeQuestionResumed();
QString noticePlaced(const QString &frame);
// How the strokes over a recording fade: "linear" (a compositing manager blends
// the translucent window) or "stepped" (a dissolve of the window's shape).
QString streamFade(const QString &mode);

// The status menu's item the keyboard or the pointer has just highlighted.
QString menuHighlighted(const QString &title);
// ---- what the program tells whoever runs it from a terminal (printed always)
// Start, hand-over and end.
QString started();
QString launchHandedOver();
QString alreadyRunning();
QString alreadyRunningNoAnswer();
QString singleInstanceNotListening(const QString &socket, const QString &error);
QString endsOnSignal(int signalNumber);
QString needsX11(const QString &reason);
QString x11ConnectionBroke(); // on standard error
QString noSystemTray();
QString pathNotUtf8NoFolder(const QString &variable);
QString pathNotUtf8NoStandIn(const QString &variable);
// Preferences, hot keys, open at login.
QString preferencesNotSaved(const QString &file, const QString &reason);
QString preferenceIgnored(const QString &key, const QString &why);
QString hotKeysSuspended(bool suspended);
QString hotKeyRegistered(const QString &keys, const QString &name);
QString hotKeyTaken(const QString &keys, const QString &name);
QString hotKeyUnsupported(const QString &keys, const QString &name);
QString openAtLogin(bool on);
QString openAtLoginNotRemoved(const QString &path);
QString openAtLoginFolderNotMade(const QString &folder);
QString openAtLoginNotWritten(const QString &path, const QString &error);
QString analytics(const QByteArray &json);
// Files dropped on the tray icon.
QString droppedFileUnreadable(const QString &path);
QString droppedFileNotImage(const QString &path, const QString &why);
QString droppedFileTooLarge(const QString &path, qint64 bytes);
QString droppedFileNotUploaded(const QString &path, const QString &error);
// The cloud.
QString loginError(const QString &error);
QString trayInfoLoadFailed(const QString &error);
QString projectsLoadFailed(const QString &error);
// A failure whose whole text is the message the user is shown.
QString failure(const QString &message);
// Captures, text recognition, the custom logo.
QString lastScreenshotNotWritten();
QString ocrError(const QString &what);
QString logoTooLarge(const QString &file);
QString logoRefused(const QString &why);
QString logoNotWritten(const QString &why);
// Recordings.
QString recordingStarted(const QString &path);
QString recordingFinished(const QString &path);
QString recorderError(const QString &text);
QString recorderDelegateError();

// ---- how an overlay's first paint got the frozen screen into its frame
// "prefilled" (copied while the window mapped), "copied" (by threads at paint time)
// or "painted" (by the painter).
QString firstPaint(const QString &how);

// ---- the recording bar's tools palette: its panel's frame and the way its arrow points
QString recorderToolsPanel(const QString &frame, const QString &arrow);
// ---- the frozen screen while a recording covers it: packed into `bytes`, and back
QString frozenPictureParked(qint64 bytes);
QString frozenPictureRestored();

} // namespace qn::diagnostics
