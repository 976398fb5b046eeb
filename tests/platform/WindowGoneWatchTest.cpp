#include "platform/WindowGoneWatch.h"

#include <QSignalSpy>
#include <QTest>
#include <QWidget>
#include <QWindow>
#include <gtest/gtest.h>
#include <xcb/xcb.h>

using namespace qn;

namespace {
bool deliver(WindowGoneWatch &watch, const QByteArray &type, WId window) {
    xcb_destroy_notify_event_t event{};
    event.response_type = XCB_DESTROY_NOTIFY | 0x80; // also when sent by another client
    event.window = xcb_window_t(window);
    event.event = event.window;
    return watch.nativeEventFilter(type, &event, nullptr);
}
} // namespace

TEST(WindowGoneWatch, TellsOnlyOfTheWindowsOwnXWindowAndForgettingLetsItShowAgain) {
    QWidget window;
    window.resize(100, 80);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    WindowGoneWatch watch(&window);
    QSignalSpy gone(&watch, &WindowGoneWatch::gone);
    const WId own = window.windowHandle()->winId();

    EXPECT_FALSE(deliver(watch, "xcb_generic_event_t", own + 1)); // someone else's
    EXPECT_FALSE(deliver(watch, "windows_generic_MSG", own));     // not X at all
    EXPECT_EQ(gone.count(), 0);
    EXPECT_FALSE(deliver(watch, "xcb_generic_event_t", own)); // seen, never eaten
    EXPECT_EQ(gone.count(), 1);

    WindowGoneWatch::forget(&window);
    EXPECT_FALSE(window.isVisible());
    // The notice of a window Qt has let go of is not news.
    deliver(watch, "xcb_generic_event_t", own);
    EXPECT_EQ(gone.count(), 1);

    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_TRUE(window.isVisible());
}
