#include "cloud/CloudTestSupport.h"
#include "cloud/FormEncoder.h"
#include "app/ToolbarDelegate.h"

#include <QDragEnterEvent>
#include <QMimeData>
#include <QTemporaryDir>
#include <QWidget>
#include <sys/stat.h>

using namespace qn;
using qn::test::CloudTest;

namespace {

class DropTest : public CloudTest {
protected:
    void SetUp() override {
        CloudTest::SetUp();
        drop = std::make_unique<ToolbarDelegate>(*api);
        drop->effects().showUploaded = [this](const std::optional<QString> &url) {
            uploaded.append(url.value_or(QStringLiteral("<none>")));
        };
        drop->effects().showError = [this](const QByteArray &png, const QString &text) {
            errors.append(text);
            errorImage.loadFromData(png, "PNG");
        };
        server.answer("/api/v2/create_task", R"({"success":true,"task_id":3})");
        server.answer("/api/v2/create_draft", R"({"success":true,"draft_url":"/d/9"})");
    }
    QString writeImage(const QString &name, const char *format, QSize size = {24, 16}) {
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        const QString path = dir.filePath(name);
        EXPECT_TRUE(image.save(path, format));
        return path;
    }
    QByteArray draftBody() const { return server.requests("/api/v2/create_draft").value(0).body; }

    QTemporaryDir dir;
    std::unique_ptr<ToolbarDelegate> drop;
    QStringList uploaded;
    QStringList errors;
    QImage errorImage;
};

QMimeData *urls(const QList<QUrl> &list) {
    auto *data = new QMimeData;
    data->setUrls(list);
    return data;
}

} // namespace

TEST_F(DropTest, OnlyLocalFilesCount) {
    std::unique_ptr<QMimeData> remote(urls({QUrl(QStringLiteral("https://example.com/a.png"))}));
    std::unique_ptr<QMimeData> mixed(
        urls({QUrl(QStringLiteral("https://example.com/a.png")), QUrl::fromLocalFile(QStringLiteral("/tmp/b.png"))}));
    std::unique_ptr<QMimeData> text(new QMimeData);
    text->setText(QStringLiteral("/tmp/b.png"));
    EXPECT_FALSE(ToolbarDelegate::droppedFile(remote.get()));
    EXPECT_EQ(ToolbarDelegate::droppedFile(mixed.get()), QStringLiteral("/tmp/b.png"));
    EXPECT_FALSE(ToolbarDelegate::droppedFile(text.get()));
    EXPECT_FALSE(ToolbarDelegate::droppedFile(nullptr));
}

TEST_F(DropTest, APngUploadsUnderItsOwnNameWithoutPoints) {
    const QString path = writeImage(QStringLiteral("my shot.png"), "PNG");
    ASSERT_TRUE(drop->uploadFile(path));
    ASSERT_TRUE(waitFor([&] { return !uploaded.isEmpty(); }));
    EXPECT_EQ(uploaded, QStringList{QStringLiteral("/d/9")});
    EXPECT_EQ(server.requests("/api/v2/create_task").value(0).body,
              QByteArray("authid=tok%201&description=&fastLoad=1&name=my%20shot.png"));
    const QByteArray body = draftBody();
    EXPECT_TRUE(body.startsWith("authid=tok%201&fileName=my%20shot.png&file_data=data%3Aimage/png%3Bbase64%2C"));
    EXPECT_TRUE(body.endsWith("&height=16.0&templateid=3&width=24.0"));
    EXPECT_FALSE(body.contains("points"));
}

TEST_F(DropTest, GifBytesTravelWhateverTheExtensionsCase) {
    for (const QString &name : {QStringLiteral("a.gif"), QStringLiteral("B.GIF")}) {
        SCOPED_TRACE(name.toStdString());
        const QString path = writeImage(name, "PNG"); // content need not match the name
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        const qsizetype before = server.count("/api/v2/create_draft");
        ASSERT_TRUE(drop->uploadFile(path));
        ASSERT_TRUE(waitFor([&] { return server.count("/api/v2/create_draft") > before; }));
        const QByteArray body = server.requests("/api/v2/create_draft").last().body;
        const QByteArray expected = "file_data=" +
                                    FormEncoder::escape(QStringLiteral("data:image/gif;base64,") +
                                                        QString::fromLatin1(bytes.toBase64())) +
                                    "&";
        EXPECT_TRUE(body.contains(expected));
    }
}

TEST_F(DropTest, NonImagesAndSpecialFilesAreIgnored) {
    QFile text(dir.filePath(QStringLiteral("notes.png")));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("just text");
    text.close();
    EXPECT_FALSE(drop->uploadFile(text.fileName()));
    EXPECT_FALSE(drop->uploadFile(dir.filePath(QStringLiteral("missing.png"))));
    EXPECT_FALSE(drop->uploadFile(dir.path()));
    const QString fifo = dir.filePath(QStringLiteral("pipe.png"));
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_FALSE(drop->uploadFile(fifo)); // returns at once instead of blocking
    QTest::qWait(50);
    EXPECT_TRUE(server.requests().isEmpty());
    EXPECT_TRUE(uploaded.isEmpty());
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(DropTest, AFailureOffersTheDroppedImage) {
    server.answer("/api/v2/create_task", R"({"success":false,"message":"Quota reached"})");
    ASSERT_TRUE(drop->uploadFile(writeImage(QStringLiteral("x.jpg"), "JPG", {40, 30})));
    ASSERT_TRUE(waitFor([&] { return !errors.isEmpty(); }));
    EXPECT_EQ(errors, QStringList{QStringLiteral("Create Task: Quota reached")});
    EXPECT_EQ(errorImage.size(), QSize(40, 30));
    EXPECT_TRUE(uploaded.isEmpty());
}

TEST_F(DropTest, TheFilterAcceptsFileDragsAndUploadsOnDrop) {
    QWidget surface;
    surface.setAcceptDrops(true);
    surface.installEventFilter(drop.get());
    const QString path = writeImage(QStringLiteral("d.png"), "PNG");
    std::unique_ptr<QMimeData> file(urls({QUrl::fromLocalFile(path)}));
    std::unique_ptr<QMimeData> web(urls({QUrl(QStringLiteral("https://example.com/d.png"))}));

    QDragEnterEvent enterWeb(QPoint(1, 1), Qt::CopyAction, web.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&surface, &enterWeb);
    EXPECT_FALSE(enterWeb.isAccepted());
    QDragEnterEvent enterFile(QPoint(1, 1), Qt::CopyAction | Qt::MoveAction, file.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&surface, &enterFile);
    EXPECT_TRUE(enterFile.isAccepted());
    EXPECT_EQ(enterFile.dropAction(), Qt::CopyAction);

    QDropEvent dropped(QPointF(1, 1), Qt::CopyAction, file.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&surface, &dropped);
    EXPECT_TRUE(dropped.isAccepted());
    ASSERT_TRUE(waitFor([&] { return !uploaded.isEmpty(); }));
    EXPECT_EQ(server.count("/api/v2/create_task"), 1);
}
