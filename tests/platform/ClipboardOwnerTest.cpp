#include "platform/ClipboardOwner.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <gtest/gtest.h>

using namespace qn;

// Without an X display (the unit tests paint offscreen) the picture still reaches the
// clipboard, through Qt's, and a later text replaces it there.
TEST(ClipboardOwner, WithoutX11ThePictureGoesThroughQtsClipboard) {
    const QByteArray png = QByteArray("\x89PNG\r\n\x1a\n", 8) + QByteArray(3000, 'x');
    ClipboardOwner::shared().setPng(png);
    EXPECT_FALSE(ClipboardOwner::shared().holdsPicture());
    const QMimeData *mime = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
    ASSERT_NE(mime, nullptr);
    EXPECT_EQ(mime->data(QStringLiteral("image/png")), png);

    QGuiApplication::clipboard()->setText(QStringLiteral("later"));
    EXPECT_FALSE(QGuiApplication::clipboard()->mimeData()->hasFormat(QStringLiteral("image/png")));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("later"));
}
