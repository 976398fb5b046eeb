#include "app/ApplicationDelegate.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillnest"));
    // A tray program: closing a window never ends it.
    QApplication::setQuitOnLastWindowClosed(false);

    qn::ApplicationDelegate delegate;
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &delegate,
                     &qn::ApplicationDelegate::applicationWillTerminate);
    QTimer::singleShot(0, &delegate, &qn::ApplicationDelegate::applicationDidFinishLaunching);
    return app.exec();
}
