#include "platform/x11/ScreenRecordingPermissionX11.h"
#include "platform/x11/SoundPlayerCanberra.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(ScreenRecordingPermissionX11, noReadableDisplay_meansNotAllowed) {
    const QByteArray display = qgetenv("DISPLAY");
    qputenv("DISPLAY", ":65000");
    ScreenRecordingPermissionX11 permission;
    EXPECT_FALSE(permission.preflight());
    EXPECT_FALSE(permission.settingsUrl().isValid());
    qputenv("DISPLAY", display);
}

// Without a sound card one line of ours says so, and nothing of ALSA's own (eight lines)
// reaches the output; the beep rings the display's bell instead.
TEST(SoundDevice, withoutADevice_saysSoOnceKeepsAlsaQuietAndBeepsWithTheBell) {
    if (QFile::exists(QStringLiteral("/proc/asound/cards")))
        GTEST_SKIP() << "this machine has a sound card";
    QTemporaryDir home; // no .asoundrc: ALSA's own default device
    qputenv("HOME", home.path().toLocal8Bit());

    testing::internal::CaptureStderr();
    int bells = 0;
    {
        SoundPlayerCanberra sound([&bells] { ++bells; });
        sound.playCaptureSound();
        sound.beep();
        sound.beep();
        sound.waitUntilDone(2000);
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Quillbox: no sound device is available; sounds are off\n");
    EXPECT_EQ(bells, 2);
}
