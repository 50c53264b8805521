#include "platform/x11/ScreenRecordingPermissionX11.h"

#include <gtest/gtest.h>

TEST(ScreenRecordingPermissionX11, noReadableDisplay_meansNotAllowed) {
    const QByteArray display = qgetenv("DISPLAY");
    qputenv("DISPLAY", ":65000");
    ScreenRecordingPermissionX11 permission;
    EXPECT_FALSE(permission.preflight());
    EXPECT_FALSE(permission.settingsUrl().isValid());
    qputenv("DISPLAY", display);
}
