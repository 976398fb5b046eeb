#include "app/ApplicationDelegate.h"
#include "app/ApplicationWiring.h"
#include "app/TerminationSignals.h"
#include "platform/PathEncoding.h"
#include "platform/SingleInstance.h"
#include "platform/X11Session.h"

#include <QApplication>
#include <QTimer>
#include <cstdio>

int main(int argc, char *argv[]) {
    // Before anything reads the environment's folders.
    qn::PathEncoding::redirectUnreadableFolders();

    // A tray program of X11: without an X server, say so plainly instead of letting
    // the application object abort.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    if (qgetenv("QT_QPA_PLATFORM").startsWith("xcb")) {
        const QString reason = qn::X11Session::unavailableReason();
        if (!reason.isEmpty()) {
            std::printf("Quillnest needs an X11 session (XWayland counts): %s\n", qPrintable(reason));
            std::fflush(stdout);
            return 1;
        }
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillnest"));
    // A tray program: closing a window never ends it.
    QApplication::setQuitOnLastWindowClosed(false);

    qn::SingleInstance instance;
    if (!instance.claim()) {
        std::printf("Quillnest is already running: this launch hands over to it\n");
        std::fflush(stdout);
        return 0;
    }

    qn::ApplicationDelegate delegate;
    qn::TerminationSignals terminations;
    qn::ApplicationWiring::wireProcess(app, instance, terminations, delegate);
    QTimer::singleShot(0, &delegate, &qn::ApplicationDelegate::applicationDidFinishLaunching);
    return app.exec();
}
