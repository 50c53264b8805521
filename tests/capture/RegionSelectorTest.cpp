#include "capture/RegionSelector.h"

#include <QApplication>
#include <QScreen>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

// Records every answer a selection gives.
struct Answers {
    QList<std::optional<QRectF>> received;
    RegionSelector::Completion completion() {
        return [this](std::optional<QRectF> r) { received.append(r); };
    }
};

void drag(QWidget* overlay, QPoint from, QPoint to) {
    QTest::mousePress(overlay, Qt::LeftButton, {}, from);
    QTest::mouseMove(overlay, to);
    QTest::mouseRelease(overlay, Qt::LeftButton, {}, to);
}

QPoint screenOrigin() {
    return QGuiApplication::primaryScreen()->geometry().topLeft();
}

class RegionSelectorTest : public ::testing::Test {
protected:
    RegionSelector selector{[](QScreen*) { return QImage(); }};
    Answers answers;
};

} // namespace

TEST_F(RegionSelectorTest, dragReturnsTheRectangleInGlobalCoordinatesOnce) {
    selector.selectRegion(answers.completion());
    QWidget* overlay = selector.overlay();
    ASSERT_TRUE(overlay);
    EXPECT_EQ(overlay->geometry(), QGuiApplication::primaryScreen()->geometry());
    drag(overlay, {100, 50}, {60, 150});
    // Past the screen's edge the selection reaches beyond it.
    selector.selectRegion(answers.completion());
    const int width = selector.overlay()->width();
    drag(selector.overlay(), {width - 50, 10}, {width + 70, 60});
    ASSERT_EQ(answers.received.size(), 2);
    EXPECT_EQ(answers.received[0], QRectF(QPointF(60, 50) + screenOrigin(), QSizeF(40, 100)));
    EXPECT_EQ(answers.received[1]->right(), screenOrigin().x() + width + 70);
    EXPECT_EQ(selector.overlay(), nullptr);
    // A late mouse-up on an old overlay answers nothing more.
    QTest::mouseRelease(overlay, Qt::LeftButton, {}, {300, 300});
    EXPECT_EQ(answers.received.size(), 2);
}

TEST_F(RegionSelectorTest, tooSmallOrCancelled_answersNothingOnce) {
    const auto next = [this] {
        selector.selectRegion(answers.completion());
        return selector.overlay();
    };
    drag(next(), {10, 10}, {30, 30}); // twenty points each way is enough
    drag(next(), {10, 10}, {29, 40});
    drag(next(), {10, 10}, {10, 10}); // a click
    QWidget* escaped = next();
    QTest::mousePress(escaped, Qt::LeftButton, {}, {10, 10});
    QTest::keyClick(escaped, Qt::Key_Escape);
    QTest::mouseRelease(escaped, Qt::LeftButton, {}, {200, 200});
    QTest::mouseRelease(next(), Qt::LeftButton, {}, {300, 300}); // no press before
    QTest::mouseClick(next(), Qt::RightButton, {}, {300, 300});
    ASSERT_EQ(answers.received.size(), 6);
    EXPECT_EQ(selector.overlay(), nullptr); // the right click took it away
    EXPECT_EQ(answers.received[0]->size(), QSizeF(20, 20));
    for (int i = 1; i < 6; ++i)
        EXPECT_EQ(answers.received[i], std::nullopt) << i;
}

TEST_F(RegionSelectorTest, aNewRequestCancelsTheOpenOne) {
    Answers first;
    selector.selectRegion(first.completion());
    QWidget* firstOverlay = selector.overlay();
    selector.selectRegion(answers.completion());
    ASSERT_EQ(first.received.size(), 1);
    EXPECT_EQ(first.received[0], std::nullopt);
    EXPECT_NE(selector.overlay(), firstOverlay);
    // The first overlay's drag no longer answers; the second one does.
    drag(firstOverlay, {5, 5}, {105, 105});
    EXPECT_TRUE(answers.received.isEmpty());
    drag(selector.overlay(), {5, 5}, {105, 105});
    ASSERT_EQ(answers.received.size(), 1);
    EXPECT_EQ(answers.received[0]->size(), QSizeF(100, 100));
    EXPECT_EQ(first.received.size(), 1);
}

TEST_F(RegionSelectorTest, overlayDimsTheScreenAndLeavesTheSelectionClear) {
    selector.selectRegion(answers.completion());
    QWidget* overlay = selector.overlay();
    QTest::mousePress(overlay, Qt::LeftButton, {}, {100, 100});
    QTest::mouseMove(overlay, {400, 300});
    const QImage shown = overlay->grab().toImage();
    EXPECT_EQ(qAlpha(shown.pixel(20, 20)), 64);   // black at 0.25
    EXPECT_EQ(qAlpha(shown.pixel(250, 150)), 0);  // the hole
    EXPECT_GT(qAlpha(shown.pixel(100, 200)), 64); // the accent border
    QTest::keyClick(overlay, Qt::Key_Escape);
}
