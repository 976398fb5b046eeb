// How the probes set a program off: an XTEST key chord as a user would type it, or a
// command started in the background so the probe can watch the screen meanwhile.
#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <cstdlib>
#include <string>
#include <vector>

namespace qn::bench {

// Presses the keys of "Alt_L+Shift_L+s" in order and releases them in reverse.
inline void pressChord(Display *d, const std::string &chord) {
    std::vector<KeyCode> codes;
    size_t pos = 0;
    while (pos <= chord.size()) {
        const size_t next = chord.find('+', pos);
        const std::string name = chord.substr(pos, next == std::string::npos ? std::string::npos : next - pos);
        codes.push_back(XKeysymToKeycode(d, XStringToKeysym(name.c_str())));
        if (next == std::string::npos)
            break;
        pos = next + 1;
    }
    for (KeyCode c : codes)
        XTestFakeKeyEvent(d, c, True, 0);
    for (auto it = codes.rbegin(); it != codes.rend(); ++it)
        XTestFakeKeyEvent(d, *it, False, 0);
    XFlush(d);
}

// Returns false when the shell could not be started.
inline bool runDetached(const std::string &command) {
    const std::string line = command + " >/dev/null 2>&1 &";
    return std::system(line.c_str()) == 0;
}

} // namespace qn::bench
