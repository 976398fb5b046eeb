#pragma once

namespace qn {

// The whole life of the capsulet program: serve on the bus until the bus goes away
// or the process is ended. Returns the exit status.
int capsuletMain(int argc, char **argv);

} // namespace qn
