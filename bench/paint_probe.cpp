// What a user sees, timed on the X display through the DAMAGE extension (the server
// reports every area drawn to the screen; nothing reads the screen while a program
// paints, so the measuring does not compete with it).
//
//   paint_probe open key <keysym>+<keysym>... | command <shell command>
//       Triggers, then waits until the screen has stayed quiet for --quiet ms.
//       Prints "first_ms painted_ms damaged_mpx" (painted = the last drawing before
//       the quiet), then one line of the settled screen: "samples r,g,b ..." at a
//       3x3 grid, and the same grid before the trigger ("before r,g,b ...").
//   paint_probe drag x0 y0 x1 y1 steps dx
//       Presses at (x0, y0), drags to (x1, y1), lets the screen settle, then moves the
//       pointer `steps` times by dx to the right. Each step prints
//       "step latency_ms damaged_mpx": the time until the pixel just inside the new
//       edge changes, and the area drawn for that step. Releases the button at the end.
//   paint_probe clipboard key <chord> <out-file>
//       Triggers, waits for a new owner of CLIPBOARD, reads it as image/png (INCR
//       included) and prints "owner_ms readable_ms bytes"; the bytes go to out-file.
//
// Options before the mode: --quiet <ms> (default 300), --timeout <ms> (default 8000),
// --verbose 1 (every damaged rectangle on standard error).
#include "XTrigger.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xdamage.h>
#include <X11/extensions/Xfixes.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <string>
#include <thread>
#include <vector>

namespace {
using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Probe {
    Display *d = nullptr;
    Window root = 0;
    int width = 0, height = 0;
    int damageEvent = 0, fixesEvent = 0;
    Damage damage = 0;
    double quietMs = 300, timeoutMs = 8000;
    bool verbose = false;

    bool open() {
        d = XOpenDisplay(nullptr);
        if (!d)
            return false;
        root = DefaultRootWindow(d);
        width = DisplayWidth(d, DefaultScreen(d));
        height = DisplayHeight(d, DefaultScreen(d));
        int error = 0;
        if (!XDamageQueryExtension(d, &damageEvent, &error) || !XFixesQueryExtension(d, &fixesEvent, &error))
            return false;
        damage = XDamageCreate(d, root, XDamageReportRawRectangles);
        XSync(d, False);
        drain();
        return true;
    }

    // Waits up to `ms` for an event; false when none came.
    bool waitEvent(double ms) {
        if (XPending(d))
            return true;
        pollfd fd{ConnectionNumber(d), POLLIN, 0};
        if (poll(&fd, 1, int(ms > 0 ? ms + 0.999 : 0)) <= 0)
            return false;
        return XPending(d) > 0;
    }

    void drain() {
        while (XPending(d)) {
            XEvent e;
            XNextEvent(d, &e);
        }
    }

    // Collects damage until `quiet` ms pass without any (or the time-out). Returns
    // the time of the last damage (ms after `start`, -1 without any) and adds the
    // damaged area to `pixels`; `first` gets the time of the first one.
    double settle(Clock::time_point start, double quiet, double &pixels, double *first = nullptr) {
        double last = -1;
        auto lastSeen = Clock::now();
        while (msSince(start) < timeoutMs) {
            const double left = quiet - std::chrono::duration<double, std::milli>(Clock::now() - lastSeen).count();
            if (left <= 0)
                break;
            if (!waitEvent(left))
                continue;
            while (XPending(d)) {
                XEvent e;
                XNextEvent(d, &e);
                if (e.type == damageEvent + XDamageNotify) {
                    const auto *n = reinterpret_cast<XDamageNotifyEvent *>(&e);
                    pixels += double(n->area.width) * double(n->area.height);
                    last = msSince(start);
                    if (verbose)
                        std::fprintf(stderr, "damage %.2f ms %d,%d %dx%d\n", last, n->area.x, n->area.y, n->area.width,
                                     n->area.height);
                    if (first && *first < 0)
                        *first = last;
                    lastSeen = Clock::now();
                }
            }
        }
        return last;
    }

    unsigned long pixel(int x, int y) {
        XImage *img = XGetImage(d, root, x, y, 1, 1, AllPlanes, ZPixmap);
        const unsigned long p = img ? XGetPixel(img, 0, 0) : 0;
        if (img)
            XDestroyImage(img);
        return p;
    }

    std::string grid() {
        std::string out;
        for (int gy = 1; gy <= 3; ++gy)
            for (int gx = 1; gx <= 3; ++gx) {
                const unsigned long p = pixel(width * gx / 4, height * gy / 4);
                char text[32];
                std::snprintf(text, sizeof text, " %lu,%lu,%lu", (p >> 16) & 0xff, (p >> 8) & 0xff, p & 0xff);
                out += text;
            }
        return out;
    }

    void trigger(const char *kind, const char *what) {
        if (std::strcmp(kind, "key") == 0)
            qn::bench::pressChord(d, what);
        else if (!qn::bench::runDetached(what))
            std::exit(2);
    }

    void motion(int x, int y) {
        XTestFakeMotionEvent(d, -1, x, y, 0);
        XFlush(d);
    }
};

int openMode(Probe &p, const char *kind, const char *what) {
    const std::string before = p.grid();
    p.drain();
    const auto start = Clock::now();
    p.trigger(kind, what);
    double pixels = 0, first = -1;
    const double painted = p.settle(start, p.quietMs, pixels, &first);
    if (painted < 0) {
        std::printf("timeout\n");
        return 1;
    }
    std::printf("%.2f %.2f %.3f\n", first, painted, pixels / 1e6);
    std::printf("samples%s\nbefore%s\n", p.grid().c_str(), before.c_str());
    return 0;
}

int dragMode(Probe &p, int x0, int y0, int x1, int y1, int steps, int dx) {
    p.motion(x0, y0);
    XTestFakeButtonEvent(p.d, 1, True, 0);
    XFlush(p.d);
    double ignored = 0;
    p.settle(Clock::now(), 150, ignored);
    for (int i = 1; i <= 10; ++i) {
        p.motion(x0 + (x1 - x0) * i / 10, y0 + (y1 - y0) * i / 10);
        p.settle(Clock::now(), 20, ignored);
    }
    p.settle(Clock::now(), p.quietMs, ignored);
    int x = x1;
    const int probeY = (y0 + y1) / 2;
    for (int i = 0; i < steps; ++i) {
        x += dx;
        // The pixel just inside the new edge: it turns from the dimmed outside to the
        // crop's own picture when the new edge is on screen.
        const int probeX = dx > 0 ? x - 3 : x + 3;
        const unsigned long before = p.pixel(probeX, probeY);
        p.drain();
        const auto start = Clock::now();
        p.motion(x, y1);
        double latency = -1;
        while (msSince(start) < 2000) {
            if (p.pixel(probeX, probeY) != before) {
                latency = msSince(start);
                break;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        double pixels = 0;
        p.settle(start, 40, pixels);
        std::printf("step %.2f %.4f\n", latency, pixels / 1e6);
        std::fflush(stdout);
    }
    XTestFakeButtonEvent(p.d, 1, False, 0);
    XFlush(p.d);
    p.settle(Clock::now(), p.quietMs, ignored);
    return 0;
}

// Reads CLIPBOARD as `target` into `out`, following the incremental protocol.
bool readSelection(Probe &p, Window window, Atom target, std::vector<unsigned char> &out) {
    const Atom clipboard = XInternAtom(p.d, "CLIPBOARD", False);
    const Atom property = XInternAtom(p.d, "QN_PROBE", False);
    const Atom incr = XInternAtom(p.d, "INCR", False);
    XConvertSelection(p.d, clipboard, target, property, window, CurrentTime);
    XFlush(p.d);
    const auto start = Clock::now();
    bool incremental = false;
    while (msSince(start) < 10000) {
        if (!p.waitEvent(100))
            continue;
        XEvent e;
        XNextEvent(p.d, &e);
        if (!incremental && e.type == SelectionNotify) {
            if (e.xselection.property == None)
                return false;
        } else if (!(incremental && e.type == PropertyNotify && e.xproperty.atom == property &&
                     e.xproperty.state == PropertyNewValue)) {
            continue;
        }
        Atom type;
        int format;
        unsigned long items, after;
        unsigned char *data = nullptr;
        if (XGetWindowProperty(p.d, window, property, 0, 0x7fffffff, True, AnyPropertyType, &type, &format, &items,
                               &after, &data) != Success)
            return false;
        if (type == incr) {
            incremental = true;
            XFree(data);
            continue;
        }
        const size_t bytes = items * size_t(format / 8);
        if (data) {
            out.insert(out.end(), data, data + bytes);
            XFree(data);
        }
        if (!incremental || bytes == 0)
            return true;
    }
    return false;
}

int clipboardMode(Probe &p, const char *kind, const char *what, const char *path) {
    const Atom clipboard = XInternAtom(p.d, "CLIPBOARD", False);
    Window window = XCreateSimpleWindow(p.d, p.root, 0, 0, 1, 1, 0, 0, 0);
    XSelectInput(p.d, window, PropertyChangeMask);
    XFixesSelectSelectionInput(p.d, window, clipboard, XFixesSetSelectionOwnerNotifyMask);
    XSync(p.d, False);
    p.drain();
    const auto start = Clock::now();
    p.trigger(kind, what);
    double owner = -1;
    while (msSince(start) < p.timeoutMs && owner < 0) {
        if (!p.waitEvent(50))
            continue;
        XEvent e;
        XNextEvent(p.d, &e);
        if (e.type == p.fixesEvent + XFixesSelectionNotify)
            owner = msSince(start);
    }
    if (owner < 0) {
        std::printf("timeout\n");
        return 1;
    }
    std::vector<unsigned char> bytes;
    if (!readSelection(p, window, XInternAtom(p.d, "image/png", False), bytes)) {
        std::printf("unreadable\n");
        return 1;
    }
    const double readable = msSince(start);
    if (FILE *f = std::fopen(path, "wb")) {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    std::printf("%.2f %.2f %zu\n", owner, readable, bytes.size());
    return 0;
}
} // namespace

int main(int argc, char **argv) {
    Probe p;
    int i = 1;
    for (; i + 1 < argc && std::strncmp(argv[i], "--", 2) == 0; i += 2) {
        if (std::strcmp(argv[i], "--quiet") == 0)
            p.quietMs = std::atof(argv[i + 1]);
        else if (std::strcmp(argv[i], "--timeout") == 0)
            p.timeoutMs = std::atof(argv[i + 1]);
        else if (std::strcmp(argv[i], "--verbose") == 0)
            p.verbose = std::atoi(argv[i + 1]) != 0;
    }
    if (i >= argc || !p.open())
        return 2;
    const std::string mode = argv[i];
    if (mode == "open" && argc - i >= 3)
        return openMode(p, argv[i + 1], argv[i + 2]);
    if (mode == "drag" && argc - i >= 7)
        return dragMode(p, std::atoi(argv[i + 1]), std::atoi(argv[i + 2]), std::atoi(argv[i + 3]),
                        std::atoi(argv[i + 4]), std::atoi(argv[i + 5]), std::atoi(argv[i + 6]));
    if (mode == "clipboard" && argc - i >= 4)
        return clipboardMode(p, argv[i + 1], argv[i + 2], argv[i + 3]);
    return 2;
}
