#include "app/TerminationSignals.h"

#include <QSignalSpy>
#include <QTest>
#include <csignal>
#include <gtest/gtest.h>

using namespace qn;

// Each termination signal reaches the GUI thread as the Qt signal with its number,
// and the process goes on: what quits is up to whoever listens.
TEST(TerminationSignals, EachSignalArrivesOnTheGuiThread) {
    TerminationSignals terminations;
    QSignalSpy received(&terminations, &TerminationSignals::received);
    for (int number : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(number);
        received.clear();
        ASSERT_EQ(::raise(number), 0);
        ASSERT_TRUE(received.wait(5000));
        EXPECT_EQ(received.first().first().toInt(), number);
    }
}
