#include "app/ApplicationDelegate.h"
#include "app/ApplicationWiring.h"
#include "app/TerminationSignals.h"
#include "platform/Diagnostics.h"
#include "platform/PathEncoding.h"
#include "platform/SingleInstance.h"
#include "platform/X11Session.h"

#include <QApplication>
#include <QTimer>

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
            qn::diagnostics::report(qn::diagnostics::needsX11(reason));
            return 1;
        }
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillnest"));
    // A tray program: closing a window never ends it.
    QApplication::setQuitOnLastWindowClosed(false);

    qn::SingleInstance instance;
    if (!instance.claim()) {
        qn::diagnostics::report(qn::diagnostics::alreadyRunning());
        return 0;
    }

    qn::ApplicationDelegate delegate;
    qn::TerminationSignals terminations;
    qn::ApplicationWiring::wireProcess(app, instance, terminations, delegate);
    QTimer::singleShot(0, &delegate, &qn::ApplicationDelegate::applicationDidFinishLaunching);
    return app.exec();
}
