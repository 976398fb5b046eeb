#pragma once

namespace qn {

// Machines without a camera (test displays) can be given a pattern camera: with
// QUILLNEST_TEST_CAMERA=1 in the environment the camera list holds "Test pattern
// camera", whose session delivers a moving colour pattern. Without the variable
// nothing changes.
void installTestCameraFromEnvironment();

} // namespace qn
