// Screen reading and the window list against a real X server (run inside
// scripts/x11-session.sh).
#include "platform/x11/ScreenGrabberX11.h"
#include "platform/x11/ScreenRecordingPermissionX11.h"
#include "platform/x11/WindowListX11.h"

#include <gtest/gtest.h>

TEST(ScreenGrabberX11, rectanglesAreCutFromTheScreenAndToIt) {
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

TEST(ScreenGrabberX11, readableRootWindow_meansCaptureIsAllowed) {
    EXPECT_TRUE(ScreenRecordingPermissionX11().preflight());
    // Whatever the session shows (its panel at least), each client lies inside its frame.
    for (const WindowList::Window& window : WindowListX11().topLevelWindows())
        EXPECT_TRUE(window.frame.contains(window.client)) << window.id;
}
