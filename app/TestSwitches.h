#pragma once
#include <optional>

namespace qn {

// The QUILLNEST_* switches the end-to-end tests set, read once at start-up and
// handed to the parts they change; nothing below app/ reads the environment for
// them. A switch that is absent or malformed leaves the program as users get it.
struct TestSwitches {
    // QUILLNEST_KEEP_OVERLAY_MS: how long a closed capture keeps its large buffers
    // (0 frees them at once).
    std::optional<int> keepOverlayMs;
    // QUILLNEST_CLOUD_DEADLINE_MS: the cloud requests' deadline, so that tests of a
    // slow service need not wait a whole minute.
    std::optional<int> cloudDeadlineMs;
    // QUILLNEST_TEST_CAMERA=1: a pattern camera for displays without one.
    bool testCamera = false;

    static TestSwitches fromEnvironment();
};

} // namespace qn
