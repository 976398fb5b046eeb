#pragma once

namespace qn {

// Machines without a camera (test displays) can be given a pattern camera: once
// installed, the camera list holds "Test pattern camera", whose session delivers a
// moving colour pattern. The application installs it when its test switch says so;
// a second install changes nothing.
void installTestCamera();

} // namespace qn
