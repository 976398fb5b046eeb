#include "platform/VideoInputs.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace qn;

// Nodes that are not capture devices (a plain file, a pipe, a missing node) are left
// out without an error: the list is read every few seconds, whatever /dev holds.
TEST(VideoInputs, NodesThatAreNotCaptureDevicesAreLeftOut) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile plain(dir.filePath(QStringLiteral("video0")));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.write("not a camera");
    plain.close();
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath(QStringLiteral("video1"))).constData(), 0600), 0);
    EXPECT_TRUE(listVideoInputsIn(dir.path()).isEmpty());
    EXPECT_TRUE(listVideoInputsIn(dir.filePath(QStringLiteral("missing"))).isEmpty());
}
