// Screen reading and the window list against a real X server (run inside
// scripts/x11-session.sh).
#include "TestImages.h"
#include "platform/x11/ScreenGrabberX11.h"
#include "platform/x11/ScreenRecordingPermissionX11.h"
#include "platform/x11/WindowListX11.h"
#include "platform/x11/XcbRootGrabber.h"

#include <QLabel>
#include <QTest>
#include <QWidget>
#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>

// A readable root window means capture is allowed.
TEST(ScreenGrabberX11, rectanglesAreCutFromTheScreenAndToIt) {
    EXPECT_TRUE(ScreenRecordingPermissionX11().preflight());
    ScreenGrabberX11 grabber;
    const QImage screen = grabber.grabScreen();
    ASSERT_FALSE(screen.isNull());
    EXPECT_EQ(screen.size(), grabber.screenSize());

    const QRect inside(123, 45, 301, 77);
    EXPECT_EQ(grabber.grabRect(inside), screen.copy(inside));
    // Partly off the screen: only the part on it.
    const QRect overEdge(screen.width() - 10, screen.height() - 20, 50, 50);
    const QImage cut = grabber.grabRect(overEdge);
    EXPECT_EQ(cut.size(), QSize(10, 20));
    EXPECT_EQ(cut, screen.copy(overEdge.intersected(screen.rect())));
    EXPECT_TRUE(grabber.grabRect(QRect(-100, -100, 50, 50)).isNull());
}

// The capture tool's read: uneven bands, asked for at once, give the screen a single read
// gives, and arrive from the top.
TEST(ScreenGrabberX11, screenReadInBandsIsTheScreenReadAtOnce) {
    // Pixels that all differ, so that a band read at the wrong offset shows.
    const QImage noise = test_images::noise(600, 500);
    QLabel shown;
    shown.setPixmap(QPixmap::fromImage(noise));
    shown.setGeometry(10, 200, 600, 500);
    shown.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&shown));
    XcbRootGrabber grabber;
    const QSize size = grabber.screenSize();
    const QPoint corner = shown.mapToGlobal(QPoint(1, 1));
    const QRgb cornerPixel = noise.pixel(1, 1) & 0xffffff;
    ASSERT_TRUE(QTest::qWaitFor([&] { // painted
        const XcbImage pixel = grabber.grab(QRect(corner, QSize(1, 1)));
        return !pixel.isNull() &&
               (*reinterpret_cast<const quint32*>(pixel.bits()) & 0xffffff) == cornerPixel;
    }));
    const XcbImage once = grabber.grab(QRect(QPoint(0, 0), size));
    const XcbImage banded = grabber.startScreenInBands(7);
    ASSERT_FALSE(banded.isNull());
    QList<int> arrived;
    for (int rows = 0; rows >= 0 && rows < size.height();)
        arrived << (rows = grabber.nextBand());
    EXPECT_EQ(arrived.size(), 7);
    EXPECT_TRUE(std::is_sorted(arrived.begin(), arrived.end()));
    EXPECT_EQ(arrived.back(), size.height());
    EXPECT_EQ(grabber.nextBand(), size.height());
    ASSERT_EQ(banded.bytesPerLine(), once.bytesPerLine());
    EXPECT_EQ(std::memcmp(banded.bits(), once.bits(), once.bytesPerLine() * size.height()), 0);
}

TEST(WindowListX11, visibleFrame_isTheClientWithTheFrameExtentsWithoutShadow) {
    const QRect client(100, 130, 400, 300);
    const QRect topLevel(60, 90, 480, 380); // with a compositor's room for shadows
    EXPECT_EQ(WindowListX11::visibleFrame(client, QMargins(4, 26, 4, 4), {}, topLevel),
              QRect(96, 104, 408, 330));
    // A window that draws its own title bar and shadow inside its client area.
    EXPECT_EQ(WindowListX11::visibleFrame(client, QMargins(), QMargins(20, 16, 20, 24), topLevel),
              QRect(120, 146, 360, 260));
    EXPECT_EQ(WindowListX11::visibleFrame(client, {}, {}, topLevel), topLevel);
}

// The session's tray is a dock above every window: a covered window raised is clear once
// no other window overlaps it, also where the dock does.
TEST(WindowListX11, raise_endsOnceNoOtherWindowOverlaps) {
    QWidget lower, upper;
    lower.setGeometry(1500, 0, 400, 300); // under the tray in the top right corner
    upper.setGeometry(1300, 150, 400, 300);
    lower.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&lower));
    upper.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&upper));
    WindowListX11 list;
    std::optional<WindowList::Window> target;
    ASSERT_TRUE(QTest::qWaitFor([&] {
        const QList<WindowList::Window> windows = list.topLevelWindows();
        const qsizetype at =
            std::find_if(windows.begin(), windows.end(),
                         [&](const WindowList::Window& w) { return w.id == lower.winId(); }) -
            windows.begin();
        if (at == windows.size() || at < 2) // the tray and the upper window above it
            return false;
        target = windows[at];
        return true;
    }));
    // The frame holds the window manager's title bar above the client.
    EXPECT_LT(target->frame.top(), lower.geometry().top());
    EXPECT_TRUE(target->frame.contains(lower.geometry()));
    EXPECT_TRUE(list.raise(*target, 1500));
}
