#include "platform/DiagnosticLines.h"
#include "platform/Diagnostics.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStringList>
#include <QTemporaryFile>
#include <cstdio>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>

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
        {"started()", d::started()},
        {"launch_handed_over()", d::launchHandedOver()},
        {"already_running()", d::alreadyRunning()},
        {"already_running_no_answer()", d::alreadyRunningNoAnswer()},
        {"single_instance_not_listening(ending('qn.sock'), 'Address in use')",
         d::singleInstanceNotListening(QStringLiteral("/run/u/qn.sock"), QStringLiteral("Address in use"))},
        {"ends_on_signal(15)", d::endsOnSignal(15)},
        {"needs_x11()", d::needsX11(QStringLiteral("DISPLAY is not set"))},
        {"x11_connection_broke()", d::x11ConnectionBroke()},
        {"no_system_tray()", d::noSystemTray()},
        {"path_not_utf8_no_folder('XDG_CACHE_HOME')", d::pathNotUtf8NoFolder(QStringLiteral("XDG_CACHE_HOME"))},
        {"path_not_utf8_no_stand_in('HOME')", d::pathNotUtf8NoStandIn(QStringLiteral("HOME"))},
        {"preferences_not_saved(reason='Read-only file system')",
         d::preferencesNotSaved(QStringLiteral("/h/.config/Q/p (1).ini"), QStringLiteral("Read-only file system"))},
        {"preference_ignored('isMuted')",
         d::preferenceIgnored(QStringLiteral("isMuted"), QStringLiteral("not a bool"))},
        {"hot_keys_suspended('suspended')", d::hotKeysSuspended(true)},
        {"hot_keys_suspended('resumed')", d::hotKeysSuspended(false)},
        {"hot_key_registered('Ctrl+Alt+P', 'openScreenshot')",
         d::hotKeyRegistered(QStringLiteral("Ctrl+Alt+P"), QStringLiteral("openScreenshot"))},
        {"hot_key_taken('Alt+Shift+S', 'openScreenshot')",
         d::hotKeyTaken(QStringLiteral("Alt+Shift+S"), QStringLiteral("openScreenshot"))},
        {"hot_key_unsupported(name='openScreenshot')",
         d::hotKeyUnsupported(QString(), QStringLiteral("openScreenshot"))},
        {"open_at_login('on')", d::openAtLogin(true)},
        {"open_at_login('off')", d::openAtLogin(false)},
        {"open_at_login_not_removed()", d::openAtLoginNotRemoved(QStringLiteral("/h/a b.desktop"))},
        {"open_at_login_folder_not_made()", d::openAtLoginFolderNotMade(QStringLiteral("/h/autostart"))},
        {"open_at_login_not_written(error='Permission denied')",
         d::openAtLoginNotWritten(QStringLiteral("/h/q.desktop"), QStringLiteral("Permission denied"))},
        {"analytics(rx('.*\"add_custom_logo\".*'))",
         d::analytics(QByteArrayLiteral("{\"event\":\"add_custom_logo\"}"))},
        {"dropped_file_unreadable(ending('notes.txt'))", d::droppedFileUnreadable(QStringLiteral("/t/notes.txt"))},
        {"dropped_file_not_image(ending('notes.txt'))",
         d::droppedFileNotImage(QStringLiteral("/t/notes.txt"), QStringLiteral("Unsupported image format"))},
        // A name that looks like a placeholder stays as it is.
        {"dropped_file_too_large('/t/%2 big.png', 20971521)",
         d::droppedFileTooLarge(QStringLiteral("/t/%2 big.png"), 20971521)},
        {"dropped_file_not_uploaded()", d::droppedFileNotUploaded(QStringLiteral("/t/a.png"), QString())},
        {"login_error()", d::loginError(QStringLiteral("The server answered 500"))},
        {"tray_info_load_failed()", d::trayInfoLoadFailed(QStringLiteral("timed out"))},
        {"projects_load_failed('timed out')", d::projectsLoadFailed(QStringLiteral("timed out"))},
        {"failure('The camera is not available')", d::failure(QStringLiteral("The camera is not available"))},
        {"last_screenshot_not_written()", d::lastScreenshotNotWritten()},
        {"ocr_error()", d::ocrError(QStringLiteral("no language data"))},
        {"logo_too_large(ending('big.png'))", d::logoTooLarge(QStringLiteral("/t/big.png"))},
        {"logo_refused()", d::logoRefused(QStringLiteral("/t/notes.txt is not an image"))},
        {"logo_not_written('No space left on device')", d::logoNotWritten(QStringLiteral("No space left on device"))},
        {"recording_started(ending('.mp4'))", d::recordingStarted(QStringLiteral("/t/r.mp4"))},
        {"recording_finished('/t/r.mp4')", d::recordingFinished(QStringLiteral("/t/r.mp4"))},
        {"recorder_error(rx('The movie encoder .* cannot be loaded: .*'))",
         d::recorderError(
             QStringLiteral("The movie encoder /x/quillnest_movie.so cannot be loaded: /x/quillnest_movie.so: "
                            "cannot open shared object file: No such file or directory"))},
        {"recorder_delegate_error()", d::recorderDelegateError()},
        {"first_paint('prefilled')", d::firstPaint(QStringLiteral("prefilled"))},
        {"first_paint()", d::firstPaint(QStringLiteral("painted"))},
        {"recorder_tools_panel()", d::recorderToolsPanel(QStringLiteral("-5,20,60,168"), QStringLiteral("up"))},
        {"recorder_tools_panel('1,2,60,168', 'right')",
         d::recorderToolsPanel(QStringLiteral("1,2,60,168"), QStringLiteral("right"))},
        {"frozen_picture_parked()", d::frozenPictureParked(412345)},
        {"frozen_picture_restored()", d::frozenPictureRestored()},
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

namespace {
// Points standard output or error at a file while it lives; the text is read before
// anything here flushes, so only what the program flushed itself is seen.
class CapturedStream {
public:
    explicit CapturedStream(int fd) : m_fd(fd) {
        EXPECT_TRUE(m_file.open());
        std::fflush(nullptr);
        m_saved = ::dup(fd);
        ::dup2(m_file.handle(), fd);
    }
    ~CapturedStream() { restore(); }
    QByteArray text() {
        QFile read(m_file.fileName());
        EXPECT_TRUE(read.open(QIODevice::ReadOnly));
        return read.readAll();
    }
    void restore() {
        if (m_saved < 0)
            return;
        std::fflush(nullptr);
        ::dup2(m_saved, m_fd);
        ::close(m_saved);
        m_saved = -1;
    }

private:
    int m_fd;
    int m_saved = -1;
    QTemporaryFile m_file;
};
} // namespace

// The tests wait on lines while the program runs, and the recorder prints from its
// own threads: every line must arrive whole, on a line of its own, without waiting
// for a later flush.
TEST(Diagnostics, LinesFromManyThreadsArriveWholeAndAtOnce) {
    constexpr int kThreads = 8;
    constexpr int kLines = 400;
    const QString padding(300, QLatin1Char('x'));
    QByteArray text;
    {
        CapturedStream out(STDOUT_FILENO);
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t)
            threads.emplace_back([t, &padding] {
                for (int i = 0; i < kLines; ++i)
                    diagnostics::report(QStringLiteral("thread %1 line %2 ").arg(t).arg(i) + padding);
            });
        for (std::thread &thread : threads)
            thread.join();
        text = out.text();
    }
    const QList<QByteArray> lines = text.split('\n');
    ASSERT_EQ(lines.size(), kThreads * kLines + 1); // the last "line" is what follows the final newline
    EXPECT_TRUE(lines.last().isEmpty());
    const QRegularExpression whole(QStringLiteral("^thread (\\d) line (\\d+) x{300}$"));
    QSet<QString> seen;
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        const auto match = whole.match(QString::fromUtf8(lines[i]));
        ASSERT_TRUE(match.hasMatch()) << lines[i].left(80).toStdString();
        seen.insert(match.captured(1) + QLatin1Char('/') + match.captured(2));
    }
    EXPECT_EQ(seen.size(), kThreads * kLines);
}

TEST(Diagnostics, ErrorsGoToStandardErrorAndReportsToStandardOutput) {
    CapturedStream err(STDERR_FILENO);
    CapturedStream out(STDOUT_FILENO);
    diagnostics::reportError(diagnostics::x11ConnectionBroke());
    diagnostics::report(diagnostics::started());
    const QByteArray errors = err.text();
    const QByteArray output = out.text();
    out.restore();
    err.restore();
    EXPECT_EQ(errors, "The X11 connection broke: the program ends.\n");
    EXPECT_EQ(output, "Quillnest started\n");
}
