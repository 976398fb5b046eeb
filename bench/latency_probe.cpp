// Measures one "trigger -> first changed pixel" interval on the X display: reads a
// grid of root-window pixels, triggers (an XTEST key chord, or a command), and polls
// the same pixels until one differs. Prints the milliseconds, or "timeout".
//   latency_probe key <keysym>+<keysym>...   e.g. key Alt_L+Shift_L+s
//   latency_probe command <shell command>
#include "XTrigger.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {
std::vector<unsigned long> sample(Display *d, Window root, int w, int h) {
    std::vector<unsigned long> out;
    for (int gy = 1; gy <= 3; ++gy)
        for (int gx = 1; gx <= 3; ++gx) {
            XImage *img = XGetImage(d, root, w * gx / 4, h * gy / 4, 1, 1, AllPlanes, ZPixmap);
            out.push_back(img ? XGetPixel(img, 0, 0) : 0);
            if (img)
                XDestroyImage(img);
        }
    return out;
}
} // namespace

int main(int argc, char **argv) {
    if (argc < 3)
        return 2;
    Display *d = XOpenDisplay(nullptr);
    if (!d)
        return 2;
    Window root = DefaultRootWindow(d);
    const int w = DisplayWidth(d, DefaultScreen(d)), h = DisplayHeight(d, DefaultScreen(d));
    const auto baseline = sample(d, root, w, h);
    const auto start = std::chrono::steady_clock::now();
    if (std::strcmp(argv[1], "key") == 0)
        qn::bench::pressChord(d, argv[2]);
    else if (!qn::bench::runDetached(argv[2]))
        return 2;
    while (std::chrono::steady_clock::now() - start < std::chrono::seconds(5)) {
        if (sample(d, root, w, h) != baseline) {
            const double ms =
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
            std::printf("%.2f\n", ms);
            return 0;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    std::printf("timeout\n");
    return 1;
}
