// One gallery of the program's views in light and dark, to look at under a display.
// Not shipped.
//   quillnest_gallery                        the kit's components
//   quillnest_gallery --settings             two settings windows
//   quillnest_gallery --chrome [--popover palette|tools] [--floating]
//                                            the editor chrome over a stand-in screen
//   quillnest_gallery --recording            the recording bar, options card and panel
//   ... --screenshot <dir>                   grabs each window into <dir> as a PNG
//                                            named after it, then quits
#include "GalleryPages.h"

#include <QApplication>
#include <QDir>
#include <QTimer>

using namespace qn;

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QString shotDir;
    const QStringList args = app.arguments();
    const qsizetype at = args.indexOf(QStringLiteral("--screenshot"));
    if (at >= 0 && at + 1 < args.size())
        shotDir = args.at(at + 1);

    gallery::Page page;
    if (args.contains(QStringLiteral("--settings")))
        page = gallery::settingsPage();
    else if (args.contains(QStringLiteral("--chrome")))
        page = gallery::chromePage(args);
    else if (args.contains(QStringLiteral("--recording")))
        page = gallery::recordingPage();
    else
        page = gallery::kitPage();
    for (QWidget *w : page.windows)
        w->show();

    // Once the window manager has mapped everything, the page's focus window takes the
    // keyboard (the kit page shows one field being edited).
    QWidget *focusWindow = page.focus;
    QTimer::singleShot(300, focusWindow, [focusWindow] {
        focusWindow->activateWindow();
        focusWindow->raise();
        if (auto *editing = focusWindow->findChild<QWidget *>(QStringLiteral("editing")))
            editing->setFocus();
    });
    if (!shotDir.isEmpty()) {
        QTimer::singleShot(800, &app, [&page, shotDir] {
            bool saved = QDir().mkpath(shotDir);
            for (QWidget *w : page.windows)
                saved = w->grab().save(QDir(shotDir).filePath(w->objectName() + QStringLiteral(".png"))) && saved;
            QCoreApplication::exit(saved ? 0 : 1);
        });
    }
    const int rc = app.exec();
    qDeleteAll(page.windows);
    return rc;
}
