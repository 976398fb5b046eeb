#include "app/TestSwitches.h"

#include "tests/support/ScopedEnv.h"

#include <QByteArray>
#include <gtest/gtest.h>
#include <optional>

using namespace qn;

// Absent or malformed switches leave the program as users get it; a well-formed one
// is handed on as given (0 keeps no overlay memory, which is a real choice).
TEST(TestSwitches, ReadFromTheEnvironment) {
    const struct {
        const char *keep;
        const char *deadline;
        const char *camera;
        std::optional<int> keepOverlayMs;
        std::optional<int> cloudDeadlineMs;
        bool testCamera;
    } cases[] = {
        {nullptr, nullptr, nullptr, std::nullopt, std::nullopt, false},
        {"300", "2500", "1", 300, 2500, true},
        {"0", "0", "0", 0, std::nullopt, false},
        {"-5", "-1", "yes", std::nullopt, std::nullopt, false},
        {"soon", "1s", "", std::nullopt, std::nullopt, false},
    };
    for (const auto &c : cases) {
        const test::ScopedEnv keep("QUILLNEST_KEEP_OVERLAY_MS", c.keep);
        const test::ScopedEnv deadline("QUILLNEST_CLOUD_DEADLINE_MS", c.deadline);
        const test::ScopedEnv camera("QUILLNEST_TEST_CAMERA", c.camera);
        const TestSwitches switches = TestSwitches::fromEnvironment();
        const std::string label = std::string(c.keep ? c.keep : "-") + "/" + (c.deadline ? c.deadline : "-");
        EXPECT_EQ(switches.keepOverlayMs, c.keepOverlayMs) << label;
        EXPECT_EQ(switches.cloudDeadlineMs, c.cloudDeadlineMs) << label;
        EXPECT_EQ(switches.testCamera, c.testCamera) << label;
    }
}
