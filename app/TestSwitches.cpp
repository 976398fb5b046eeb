#include "app/TestSwitches.h"

#include <QString>
#include <QtGlobal>

namespace qn {

TestSwitches TestSwitches::fromEnvironment() {
    TestSwitches switches;
    bool given = false;
    if (const int keep = qEnvironmentVariableIntValue("QUILLNEST_KEEP_OVERLAY_MS", &given); given && keep >= 0)
        switches.keepOverlayMs = keep;
    if (const int deadline = qEnvironmentVariableIntValue("QUILLNEST_CLOUD_DEADLINE_MS"); deadline > 0)
        switches.cloudDeadlineMs = deadline;
    switches.testCamera = qEnvironmentVariable("QUILLNEST_TEST_CAMERA") == QLatin1String("1");
    return switches;
}

} // namespace qn
