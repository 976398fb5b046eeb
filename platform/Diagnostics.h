#pragma once
#include "platform/DiagnosticLines.h"

#include <QString>

namespace qn::diagnostics {

// The program's own test diagnostics: lines on standard output that say what the
// user would see where X11 cannot tell (menu item texts, notices). Printed only when
// the environment variable QUILLNEST_DIAGNOSTICS is "1".
bool enabled();
// Prints `line` (UTF-8) and flushes, when enabled.
void print(const QString &line);
// Prints `line` whether or not diagnostics are on: outcomes a user running the
// program from a terminal reads too (what was saved where, why nothing was).
void report(const QString &line);

} // namespace qn::diagnostics
