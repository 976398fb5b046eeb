#include "platform/UrlOpener.h"

#include <gtest/gtest.h>

using namespace qn;

TEST(UrlOpener, OnlyWebPagesFromTheNetworkOpen) {
    struct Case {
        const char *address;
        bool web;
    };
    const Case cases[] = {
        {"https://quillnest.app/p/1", true},
        {"http://127.0.0.1:18765/public", true},
        {"HTTPS://Example.com", true},
        {"javascript:alert(1)", false},
        {"file:///etc/passwd", false},
        {"mailto:a@b.c", false},
        {"ftp://host/x", false},
        {"/relative/path", false},
        {"https://", false},
        {"", false},
        {"smb://host/share", false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(UrlOpener::isWebPage(QUrl(QString::fromUtf8(c.address), QUrl::StrictMode)), c.web) << c.address;
    EXPECT_FALSE(UrlOpener::openWebPage(QStringLiteral("file:///etc/passwd")));
    EXPECT_FALSE(UrlOpener::open(QStringLiteral("not a url at all")));
}
