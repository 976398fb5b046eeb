#include "platform/WindowList.h"

#include <QGuiApplication>
#include <optional>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <unistd.h>

namespace qn {

namespace {
int ignoreErrors(Display *, XErrorEvent *) { return 0; }

// Windows can vanish while they are read; their errors must not end the program.
class ErrorTrap {
public:
    explicit ErrorTrap(Display *d) : m_display(d) { m_previous = XSetErrorHandler(ignoreErrors); }
    ~ErrorTrap() {
        XSync(m_display, False);
        XSetErrorHandler(m_previous);
    }

private:
    Display *m_display;
    int (*m_previous)(Display *, XErrorEvent *);
};

Display *x11Display() {
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->display() : nullptr;
}

struct Atoms {
    Atom clientListStacking, supportingWm, type, typeNormal, typeDialog, state, stateHidden, frameExtents, name, utf8,
        pid;
    explicit Atoms(Display *d) {
        auto a = [d](const char *n) { return XInternAtom(d, n, False); };
        clientListStacking = a("_NET_CLIENT_LIST_STACKING");
        supportingWm = a("_NET_SUPPORTING_WM_CHECK");
        type = a("_NET_WM_WINDOW_TYPE");
        typeNormal = a("_NET_WM_WINDOW_TYPE_NORMAL");
        typeDialog = a("_NET_WM_WINDOW_TYPE_DIALOG");
        state = a("_NET_WM_STATE");
        stateHidden = a("_NET_WM_STATE_HIDDEN");
        frameExtents = a("_NET_FRAME_EXTENTS");
        name = a("_NET_WM_NAME");
        utf8 = a("UTF8_STRING");
        pid = a("_NET_WM_PID");
    }
};

// A property as a list of 32-bit items (longs, as Xlib hands them out).
QList<unsigned long> longs(Display *d, ::Window w, Atom property, Atom type) {
    Atom actualType = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char *data = nullptr;
    QList<unsigned long> out;
    if (XGetWindowProperty(d, w, property, 0, 1 << 16, False, type, &actualType, &format, &count, &after, &data) ==
            Success &&
        data && format == 32) {
        const auto *items = reinterpret_cast<const unsigned long *>(data);
        for (unsigned long i = 0; i < count; ++i)
            out.append(items[i]);
    }
    if (data)
        XFree(data);
    return out;
}

QString textProperty(Display *d, ::Window w, Atom property, Atom type) {
    Atom actualType = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char *data = nullptr;
    QString out;
    if (XGetWindowProperty(d, w, property, 0, 4096, False, type, &actualType, &format, &count, &after, &data) ==
            Success &&
        data && format == 8)
        out = type == XA_STRING ? QString::fromLatin1(reinterpret_cast<const char *>(data), int(count))
                                : QString::fromUtf8(reinterpret_cast<const char *>(data), int(count));
    if (data)
        XFree(data);
    return out;
}

bool hasWindowManager(Display *d, const Atoms &atoms) {
    return !longs(d, DefaultRootWindow(d), atoms.supportingWm, XA_WINDOW).isEmpty() &&
           !longs(d, DefaultRootWindow(d), atoms.clientListStacking, XA_WINDOW).isEmpty();
}

bool isOwnWindow(Display *d, ::Window w, const Atoms &atoms) {
    const auto pid = longs(d, w, atoms.pid, XA_CARDINAL);
    return !pid.isEmpty() && pid.first() == static_cast<unsigned long>(::getpid());
}

std::optional<WindowListEntry> describe(Display *d, ::Window w, const Atoms &atoms, bool managed) {
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(d, w, &attributes) || attributes.map_state != IsViewable ||
        attributes.c_class != InputOutput)
        return std::nullopt;
    if (!managed && attributes.override_redirect)
        return std::nullopt;
    int rootX = 0, rootY = 0;
    ::Window child = 0;
    if (!XTranslateCoordinates(d, w, DefaultRootWindow(d), 0, 0, &rootX, &rootY, &child))
        return std::nullopt;
    QRect frame(rootX, rootY, attributes.width, attributes.height);
    if (managed) {
        const auto extents = longs(d, w, atoms.frameExtents, XA_CARDINAL);
        if (extents.size() == 4)
            frame.adjust(-int(extents[0]), -int(extents[2]), int(extents[1]), int(extents[3]));
    }
    WindowListEntry entry;
    entry.id = w;
    entry.frame = frame;
    entry.title = textProperty(d, w, atoms.name, atoms.utf8);
    if (entry.title.isEmpty())
        entry.title = textProperty(d, w, XA_WM_NAME, XA_STRING);
    XClassHint hint{};
    if (XGetClassHint(d, w, &hint)) {
        entry.owner = QString::fromLocal8Bit(hint.res_class ? hint.res_class : "");
        if (hint.res_name)
            XFree(hint.res_name);
        if (hint.res_class)
            XFree(hint.res_class);
    }
    return entry;
}

bool isOfferedType(Display *d, ::Window w, const Atoms &atoms) {
    const auto types = longs(d, w, atoms.type, XA_ATOM);
    if (types.isEmpty())
        return true; // untyped windows count as normal ones
    return types.contains(atoms.typeNormal) || types.contains(atoms.typeDialog);
}
} // namespace

QList<WindowListEntry> listApplicationWindows() {
    Display *d = x11Display();
    if (!d)
        return {};
    ErrorTrap trap(d);
    const Atoms atoms(d);
    QList<WindowListEntry> out;
    if (hasWindowManager(d, atoms)) {
        for (unsigned long w : longs(d, DefaultRootWindow(d), atoms.clientListStacking, XA_WINDOW)) {
            if (isOwnWindow(d, w, atoms) || !isOfferedType(d, w, atoms))
                continue;
            if (longs(d, w, atoms.state, XA_ATOM).contains(atoms.stateHidden))
                continue;
            if (auto entry = describe(d, w, atoms, true))
                out.append(*entry);
        }
        return out;
    }
    ::Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &count)) {
        for (unsigned int i = 0; i < count; ++i) {
            if (isOwnWindow(d, children[i], atoms))
                continue;
            if (auto entry = describe(d, children[i], atoms, false))
                out.append(*entry);
        }
        if (children)
            XFree(children);
    }
    return out;
}

} // namespace qn
