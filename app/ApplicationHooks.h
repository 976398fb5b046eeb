#pragma once

namespace qn {

// Gives the lower folders what only the application has: the tray notices, sounds
// and status menu actions that the cloud client, the settings pages and the overlay
// ask for through their hooks. Called first thing at start-up (and by programs that
// run those folders outside the tray program and want the same effects).
void installApplicationHooks();

} // namespace qn
