#include "ui/ScreenClearance.h"
#include "TestImages.h"
#include "platform/WindowShape.h"
#include "ui/TintedIcon.h"

#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

using test_images::filled;

TEST(ScreenClearance, goesOnOnceTheAreaShowsSomethingElseAndHasSettled_orRegardlessAfterAWhile) {
    // The card, the card again (not yet unmapped), a half repaint, then the window below.
    QList<QImage> screens(3, filled(4, 4, Qt::black));
    screens << filled(4, 4, Qt::gray) << filled(4, 4, Qt::white) << filled(4, 4, Qt::white);
    int grabs = 0;
    ScreenClearance clearance([&](const QRect&) { return screens.value(grabs++, screens.last()); });
    bool hidden = false, done = false;
    clearance.hideThen(
        QRect(0, 0, 4, 4), [&] { hidden = true; }, [&] { done = true; });
    EXPECT_TRUE(hidden);
    EXPECT_FALSE(done);
    // A capture started meanwhile, with nothing of ours left to hide, waits all the same.
    bool next = false;
    clearance.whenClear([&] { next = true; });
    EXPECT_FALSE(next);
    QTRY_VERIFY_WITH_TIMEOUT(done, 2000);
    EXPECT_TRUE(next);
    EXPECT_EQ(grabs, 6);
    clearance.whenClear([&] { next = false; });
    EXPECT_FALSE(next);

    // Nothing repaints, or the screen cannot be read: it goes on regardless.
    ScreenClearance stuck([](const QRect&) { return filled(4, 4, Qt::black); });
    done = false;
    stuck.hideThen(
        QRect(0, 0, 4, 4), [] {}, [&] { done = true; });
    QTRY_VERIFY_WITH_TIMEOUT(done, ScreenClearance::timeoutMs * 5);

    ScreenClearance blind([](const QRect&) { return QImage(); });
    done = false;
    blind.hideThen(
        QRect(0, 0, 4, 4), [] {}, [&] { done = true; });
    EXPECT_TRUE(done);
}

TEST(WindowHelpers, roundedWindowsAreCutToShapeOnlyWithoutCompositing) {
    QWidget window;
    window.resize(240, 160);
    window_shape::fitRoundedCorners(&window, 12, false);
    EXPECT_FALSE(window.mask().contains(QPoint(0, 0)));
    EXPECT_TRUE(window.mask().contains(QPoint(120, 80)));
    EXPECT_TRUE(window.mask().contains(QPoint(120, 0)));
    window_shape::fitRoundedCorners(&window, 12, true);
    EXPECT_TRUE(window.mask().isEmpty());
}

TEST(WindowHelpers, trayGlyphIsLightOnDarkAndDarkOnLight) {
    QPalette light;
    light.setColor(QPalette::Window, QColor(0xef, 0xef, 0xef));
    light.setColor(QPalette::WindowText, Qt::black);
    EXPECT_EQ(tinted_icon::glyphColor(QColor(0x1f, 0x1f, 0x1f), light), QColor(0xef, 0xef, 0xef));
    EXPECT_EQ(tinted_icon::glyphColor(QColor(0xdc, 0xdc, 0xd8), light), QColor(Qt::black));
}
