#pragma once
#include "platform/DiagnosticLines.h"

#include <QString>

namespace qn::diagnostics {

// Everything the program prints goes through here, one whole line at a time and
// flushed at once: the tests read the lines while the program runs, and lines from
// several threads must not run into each other.

// The program's own test diagnostics: lines on standard output that say what the
// user would see where X11 cannot tell (menu item texts, notices). Printed only when
// the environment variable QUILLNEST_DIAGNOSTICS is "1".
bool enabled();
// Prints `line` (UTF-8) and flushes, when enabled.
void print(const QString &line);
// Prints `line` whether or not diagnostics are on: outcomes a user running the
// program from a terminal reads too (what was saved where, why nothing was).
void report(const QString &line);
// Prints `line` on standard error whether or not diagnostics are on: the last word
// of a program that is about to end abruptly.
void reportError(const QString &line);

} // namespace qn::diagnostics
