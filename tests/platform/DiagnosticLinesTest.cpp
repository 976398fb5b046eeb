#include "platform/DiagnosticLines.h"

#include <QProcess>
#include <QStringList>
#include <gtest/gtest.h>

using namespace qn;
namespace d = qn::diagnostics;

// The e2e tests find the program's lines through tests/e2e/harness/lines.py. Every
// builder's text goes through the harness pattern of the same name, first as the tests
// wait for it (any value) and, where a value shapes the text, as a test names it: a
// wording changed on one side only fails here instead of as an e2e timeout.
TEST(DiagnosticLines, EveryBuilderMatchesTheHarnessPatternOfItsName) {
    const QRect r(-5, 20, 300, 40);
    const QList<std::pair<const char *, QString>> rows = {
        {"crop_area()", d::cropArea(QRectF(10.5, 20, 300, 0))},
        {"crop_area(10.5, 20, 300, 0)", d::cropArea(QRectF(10.5, 20, 300, 0))},
        {"overlay_opened(2)", d::overlayOpened(2)},
        {"overlay_painted()", d::overlayPainted()},
        {"overlay_closed()", d::overlayClosed()},
        {"overlay_memory_released()", d::overlayMemoryReleased()},
        {"pointer_held_late('no')", d::pointerHeldLate(false)},
        {"press(100.5, 7)", d::press(QPointF(100.5, 7))},
        {"release()", d::release(QPointF(-3, 7))},
        {"comment_points('1@20,30 2@40,50')", d::commentPoints(QStringLiteral("1@20,30 2@40,50"))},
        {"comment_points()", d::commentPoints(QString())},
        {"nothing_to_output()", d::nothingToOutput()},
        {"nothing_to_copy()", d::nothingToCopy()},
        {"nothing_to_save()", d::nothingToSave()},
        {"nothing_to_upload()", d::nothingToUpload()},
        {"not_encoded()", d::notEncoded()},
        {"copied_png()", d::copiedPng(12345)},
        {"reading_text()", d::readingText()},
        {"text_read_too_late()", d::textReadTooLate()},
        {"no_text_found()", d::noTextFound()},
        {"copied_text(12)", d::copiedText(12)},
        {"saved(ending('chosen shot.jpg'))", d::saved(QStringLiteral("/home/a b/chosen shot.jpg"))},
        {"save_failed(ending('shot.png'), 'No space left on device')",
         d::saveFailed(QStringLiteral("/t/shot.png"), QStringLiteral("No space left on device"))},
        {"image_to_save_unreadable()", d::imageToSaveUnreadable()},
        {"upload_started()", d::uploadStarted()},
        {"uploaded()", d::uploaded()},
        {"recording_controls_shown()", d::recordingControlsShown()},
        {"recording_controls_closed()", d::recordingControlsClosed()},
        {"no_recording_to_save()", d::noRecordingToSave()},
        {"finishing_movie('/t/m.mp4')", d::finishingMovie(QStringLiteral("/t/m.mp4"))},
        {"movie_save_failed()", d::movieSaveFailed(QStringLiteral("/t/m.mp4"), QStringLiteral("disk full"))},
        {"saved_movie(ending('m.mp4'))", d::savedMovie(QStringLiteral("/t/m.mp4"))},
        {"chrome_placement()", d::chromePlacement(d::frame(r), QStringLiteral("none"))},
        {"chrome_controls()", d::chromeControls({QStringLiteral("close=1,2,3,4"), QStringLiteral("copy=5,6,7,8")})},
        {"help_shown('Copy to Clipboard - Ctrl+C')", d::helpShown(QStringLiteral("Copy to Clipboard - Ctrl+C"))},
        {"help_hidden()", d::helpHidden(QStringLiteral("Undo"))},
        {"popover_shown('colorsPalette')", d::popoverShown(QStringLiteral("colorsPalette"), r)},
        {"popover_hidden('colorsPalette')", d::popoverHidden(QStringLiteral("colorsPalette"))},
        {"menu()", d::menu(QByteArrayLiteral("[{\"title\":\"Capture\"}]"))},
        {"notice('Uploaded! Info  |  Close')", d::notice(QStringLiteral("Uploaded! Info  |  Close"))},
        {"notice_emoji('1F914')", d::noticeEmoji(QString::fromUcs4(U"\U0001F914"))},
        {"notice_hidden()", d::noticeHidden()},
        {"tray_info_applied(2)", d::trayInfoApplied(2)},
        {"recorder_bar()", d::recorderBar(QStringLiteral("recording"), QStringLiteral("Stop"), QStringLiteral("00:05"),
                                          QStringLiteral("none"), true, QStringLiteral("microphone/#ffffff"),
                                          QStringLiteral("camera.slash/#ff0000"), false)},
        {"recorder_controls()",
         d::recorderControls(d::frame(r), d::frame(r), d::frame(r), QStringLiteral("none"), d::frame(r), d::frame(r))},
        {"recorder_tools()", d::recorderTools({QStringLiteral("pen=1,2,3,4"), QStringLiteral("oval=5,6,7,8")})},
        {"recording_tool('oval')", d::recordingTool(QStringLiteral("oval"))},
        {"drawing_surface('10,10,1890,1060')", d::drawingSurface(d::frame(QRect(10, 10, 1890, 1060)))},
        {"drawing_surface_none()", d::drawingSurfaceNone()},
        {"stream_shape(strokes=1, opacity=1)", d::streamShape(d::frame(r), 1, 1.0, QStringLiteral("none"))},
        {"stream_shape('none', 0, 0.25)", d::streamShape(QStringLiteral("none"), 0, 0.25, d::frame(r))},
        {"bubble_dropped(snaps_to='595,210')", d::bubbleDropped(QPointF(600.5, 200), QPointF(595, 210))},
        {"bubble_dropped()", d::bubbleDropped(QPointF(600.5, 200), std::nullopt)},
        {"options_settings('open')", d::optionsSettings(true)},
        {"options_settings('closed')", d::optionsSettings(false)},
        {"options_button()", d::optionsButton(r)},
        {"recorder_settings_controls()",
         d::recorderSettingsControls(d::frame(r), d::frame(r), d::frame(r), d::frame(r))},
        {"recorder_devices('cameras', 'Test pattern camera', 'Test pattern camera')",
         d::recorderDevices(true, {QStringLiteral("Test pattern camera")}, QStringLiteral("Test pattern camera"))},
        {"recorder_devices('microphones', 'A|B', '')",
         d::recorderDevices(false, {QStringLiteral("A"), QStringLiteral("B")}, QString())},
        {"overlay_mouse('through')", d::overlayMouse(true)},
        {"microphone_session('running', 'Sine')", d::microphoneSession(true, QStringLiteral("Sine"))},
        {"camera_session('stopped', '')", d::cameraSession(false, QString())},
        {"overlay_hole()", d::overlayHole(QStringLiteral("none"), QStringLiteral("none"))},
        {"stream_window('0,0,1920,1080')", d::streamWindow(d::frame(QRect(0, 0, 1920, 1080)))},
        {"settings_window()", d::settingsWindow()},
        {"settings_page('Cloud account')", d::settingsPage(QStringLiteral("Cloud account"))},
        {"controls(settings_page('About'))", d::controls(d::settingsPage(QStringLiteral("About")), {})},
        {"controls(settings_window())",
         d::controls(d::settingsWindow(), {QStringLiteral("sidebar:General=0,0,10,10")})},
        {"settings_showing('Hotkeys')", d::settingsShowing(QStringLiteral("Hotkeys"))},
        {"settings_focus('screenshotHotkey')", d::settingsFocus(QStringLiteral("screenshotHotkey"))},
        {"page_timed()", d::pageTimed(QStringLiteral("shown"), 12.345)},
        {"cloud_account('signed out')", d::cloudAccount(QStringLiteral("signed out"))},
        {"hotkeys_first_row('Alt+Shift+S')", d::hotkeysFirstRow(QStringLiteral("Alt+Shift+S"))},
        {"shortcut_recording()", d::shortcutRecording()},
        {"shortcut_recording_cancelled()", d::shortcutRecordingCancelled()},
        {"shortcut_refused('Ctrl+Alt+K')", d::shortcutRefused(QStringLiteral("Ctrl+Alt+K"))},
        {"shortcut_set('')", d::shortcutSet(QString())},
        {"shortcut_needs_modifier()", d::shortcutNeedsModifier()},
        {"logo('set')", d::logo(true)},
        {"logo('none')", d::logo(false)},
        {"logo_warning_shown()", d::logoWarningShown(QStringLiteral("The image is too large"))},
        {"logo_warning_hidden()", d::logoWarningHidden()},
        {"logo_dialog_shown()", d::logoDialogShown()},
        {"logo_dialog_cancelled()", d::logoDialogCancelled()},
        {"onboarding_controls()", d::onboardingControls()},
        {"onboarding_step(0, 'Next')", d::onboardingStep(0, QStringLiteral("Next"))},
        {"onboarding_video_shown()", d::onboardingVideoShown()},
        {"onboarding_video_restarted()", d::onboardingVideoRestarted()},
        {"onboarding_video_stopped()", d::onboardingVideoStopped()},
        {"onboarding_video_error()", d::onboardingVideoError(QStringLiteral("no such file"))},
        {"onboarding_finished()", d::onboardingFinished()},
        {"recording_controls_placed('1936,390,170,299')",
         d::recordingControlsPlaced(QStringLiteral("1936,390,170,299"))},
        {"close_question_placed('1936,500,300,120', False)",
         d::closeQuestionPlaced(QStringLiteral("1936,500,300,120"), false)},
        {"close_question_placed(None, True)", d::closeQuestionPlaced(QStringLiteral("800,480,300,120"), true)},
        {"close_question_resumed()", d::closeQuestionResumed()},
        {"notice_placed('-20,8,300,46')", d::noticePlaced(QStringLiteral("-20,8,300,46"))},
        {"stream_fade('linear')", d::streamFade(QStringLiteral("linear"))},
        {"stream_fade()", d::streamFade(QStringLiteral("stepped"))},
        {"menu_highlighted('More info')", d::menuHighlighted(QStringLiteral("More info"))},
        {"menu_highlighted()", d::menuHighlighted(QStringLiteral("Take Screenshot"))},
    };
    QByteArray input;
    for (const auto &[call, line] : rows)
        input += QByteArray(call) + '\t' + line.toUtf8() + '\n';
    QProcess check;
    check.start(QStringLiteral("python3"), {QStringLiteral(QN_SOURCE_DIR "/tests/e2e/tools/check_lines.py")});
    ASSERT_TRUE(check.waitForStarted());
    check.write(input);
    check.closeWriteChannel();
    ASSERT_TRUE(check.waitForFinished(30000));
    EXPECT_EQ(check.exitCode(), 0) << check.readAllStandardOutput().toStdString()
                                   << check.readAllStandardError().toStdString();
}
