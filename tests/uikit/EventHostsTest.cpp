#include "uikit/HitTest.h"
#include "uikit/ViewClick.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace qn;

namespace {

// A host with one button in it; presses and releases go to the button, as a user's would.
struct Host {
    QWidget widget;
    QPushButton *button = new QPushButton(QStringLiteral("Inside"), &widget);
    Host() {
        widget.resize(200, 100);
        button->setGeometry(20, 20, 80, 30);
        widget.show();
    }
};

TEST(HitTest, ReportsByCallKindWithoutChangingTheTarget) {
    struct Row {
        MorvaneHitTesttCall call;
        int reports; // of: press, drag, release, then a press-less move
    } rows[] = {{MorvaneHitTesttCall::All, 4}, {MorvaneHitTesttCall::MouseDown, 2}, {MorvaneHitTesttCall::MouseUp, 2}};
    for (const Row &row : rows) {
        Host host;
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&host.widget));
        QList<QWidget *> hits;
        QList<QPointF> points;
        auto *watcher = onHitTest(&host.widget, row.call, [&](const QPointF &p, QWidget *hit) {
            points << p;
            hits << hit;
        });
        QSignalSpy clicked(host.button, &QPushButton::clicked);
        QTest::mousePress(host.button, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
        EXPECT_TRUE(watcher->isPressed());
        QTest::mouseMove(host.button, QPoint(12, 10));
        QTest::mouseRelease(host.button, Qt::LeftButton, Qt::NoModifier, QPoint(12, 10));
        EXPECT_FALSE(watcher->isPressed());
        // A move with no button down reaches a widget only when it tracks the mouse.
        host.widget.setMouseTracking(true);
        QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), host.widget.mapToGlobal(QPointF(5, 5)), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&host.widget, &move);
        EXPECT_EQ(hits.size(), row.reports) << static_cast<int>(row.call);
        EXPECT_EQ(clicked.count(), 1);
        if (row.call == MorvaneHitTesttCall::All) {
            EXPECT_EQ(points.first(), QPointF(30, 30)); // in the host's coordinates
            EXPECT_EQ(hits.first(), host.button);
            EXPECT_EQ(hits.last(), &host.widget);
        }
    }
}

TEST(HitTest, WatchesWidgetsAddedLater) {
    Host host;
    int reports = 0;
    onHitTest(&host.widget, MorvaneHitTesttCall::All, [&](const QPointF &, QWidget *) { ++reports; });
    auto *late = new QPushButton(QStringLiteral("Late"), &host.widget);
    late->setGeometry(120, 20, 60, 30);
    late->show();
    QTest::mouseClick(late, Qt::LeftButton);
    EXPECT_EQ(reports, 2);
}

class Recorder : public QPushButton {
public:
    QStringList *log;
    explicit Recorder(QStringList *l, QWidget *parent) : QPushButton(parent), log(l) {}

protected:
    void mousePressEvent(QMouseEvent *e) override {
        *log << QStringLiteral("content down");
        QPushButton::mousePressEvent(e);
    }
    void mouseReleaseEvent(QMouseEvent *e) override {
        *log << QStringLiteral("content up");
        QPushButton::mouseReleaseEvent(e);
    }
};

TEST(ViewClick, CallbacksRunOnceBeforeTheContentSeesTheEvent) {
    QStringList log;
    QWidget host;
    host.resize(200, 100);
    auto *content = new Recorder(&log, &host);
    content->setGeometry(10, 10, 100, 40);
    onViewClick(
        &host, [&](QMouseEvent *) { log << QStringLiteral("down"); },
        [&](QMouseEvent *) { log << QStringLiteral("up"); });
    QSignalSpy clicked(content, &QPushButton::clicked);
    QTest::mouseClick(content, Qt::LeftButton);
    EXPECT_EQ(log, (QStringList{QStringLiteral("down"), QStringLiteral("content down"), QStringLiteral("up"),
                                QStringLiteral("content up")}));
    EXPECT_EQ(clicked.count(), 1);
}

TEST(ViewClick, AnEventPassedUpFromAChildCountsOnce) {
    QWidget host;
    host.resize(200, 100);
    auto *inert = new QWidget(&host); // ignores presses, so they travel up to the host
    inert->setGeometry(10, 10, 50, 50);
    int downs = 0;
    onViewClick(
        &host, [&](QMouseEvent *) { ++downs; }, nullptr);
    QTest::mousePress(inert, Qt::LeftButton);
    EXPECT_EQ(downs, 1);
}

} // namespace
