#pragma once

namespace qn {

// Whether the network can be reached, as the system's network information says.
// When the system cannot tell (no backend, state unknown) it counts as reachable:
// the upload itself then reports what went wrong.
namespace Reachability {
bool isReachable();
} // namespace Reachability

} // namespace qn
