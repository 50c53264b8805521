#include "platform/x11/ScreenGrabberX11.h"
#include "platform/x11/ScreenRecordingPermissionX11.h"
#include "platform/x11/WindowListX11.h"

#include <gtest/gtest.h>

// These need an X server: they run in the x11 label's private session and skip elsewhere.
namespace {
bool haveDisplay() {
    return !qEnvironmentVariableIsEmpty("QUILLBOX_TEST_USE_DISPLAY") &&
           !qEnvironmentVariableIsEmpty("DISPLAY");
}
} // namespace

TEST(ScreenGrabberX11, rectanglesAreCutFromTheScreenAndToIt) {
    if (!haveDisplay())
        GTEST_SKIP() << "needs an X server";
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
    if (!haveDisplay())
        GTEST_SKIP() << "needs an X server";
    EXPECT_TRUE(ScreenRecordingPermissionX11().preflight());
    // Whatever the session shows (its panel at least), each client lies inside its frame.
    for (const WindowList::Window& window : WindowListX11().topLevelWindows())
        EXPECT_TRUE(window.frame.contains(window.client)) << window.id;
}
