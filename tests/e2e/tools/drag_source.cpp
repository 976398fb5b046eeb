// A stand-in for a file manager in end-to-end tests: a window titled "drag source"
// that drags the file named on its command line (as a file URL, like a file
// manager) when pressed, and prints when it is up, when a target takes the drag
// and how the drag ended, so that tests wait on those instead of guessing.
#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>
#include <QWidget>
#include <cstdio>

namespace {
class DragSource : public QWidget {
public:
    explicit DragSource(const QString &path) : m_path(path) {
        setWindowTitle(QStringLiteral("drag source"));
        resize(200, 200);
    }

protected:
    void paintEvent(QPaintEvent *) override {
        if (m_painted)
            return;
        m_painted = true;
        say("drag source shown");
    }

    void mousePressEvent(QMouseEvent *) override {
        auto *drag = new QDrag(this);
        auto *data = new QMimeData;
        data->setUrls({QUrl::fromLocalFile(m_path)});
        drag->setMimeData(data);
        // The target answers each position: a release before it said yes is no drop.
        QObject::connect(drag, &QDrag::actionChanged, this, [](Qt::DropAction action) {
            if (action == Qt::CopyAction)
                say("drag accepted");
        });
        const Qt::DropAction action = drag->exec(Qt::CopyAction);
        say(action == Qt::CopyAction ? "drag ended: copied" : "drag ended: ignored");
    }

private:
    static void say(const char *line) {
        std::printf("%s\n", line);
        std::fflush(stdout);
    }

    QString m_path;
    bool m_painted = false;
};
} // namespace

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: drag_source FILE\n");
        return 2;
    }
    DragSource window(QString::fromLocal8Bit(argv[1]));
    window.move(300, 300);
    window.show();
    return app.exec();
}
