// A stand-in for a file manager in end-to-end tests: a window titled "drag source"
// that drags the file named on its command line (as a file URL, like a file
// manager) when pressed, and prints how the drag ended.
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
    void mousePressEvent(QMouseEvent *) override {
        auto *drag = new QDrag(this);
        auto *data = new QMimeData;
        data->setUrls({QUrl::fromLocalFile(m_path)});
        drag->setMimeData(data);
        const Qt::DropAction action = drag->exec(Qt::CopyAction);
        std::printf("drag ended: %s\n", action == Qt::CopyAction ? "copied" : "ignored");
        std::fflush(stdout);
    }

private:
    QString m_path;
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
