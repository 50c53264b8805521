#include "platform/x11/SoundPlayerCanberra.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdio>
#include <unistd.h>

// Without a sound card one line of ours says so, and nothing of ALSA's own (eight lines)
// reaches the output; the beep rings the display's bell instead.
TEST(SoundDevice, withoutADevice_saysSoOnceKeepsAlsaQuietAndBeepsWithTheBell) {
    if (QFile::exists(QStringLiteral("/proc/asound/cards")))
        GTEST_SKIP() << "this machine has a sound card";
    QTemporaryDir home; // no .asoundrc: ALSA's own default device
    qputenv("HOME", home.path().toLocal8Bit());

    const QString captured = home.filePath(QStringLiteral("stderr"));
    std::fflush(stderr);
    const int saved = ::dup(STDERR_FILENO);
    FILE* file = std::fopen(QFile::encodeName(captured).constData(), "w");
    ::dup2(::fileno(file), STDERR_FILENO);
    int bells = 0;
    {
        SoundPlayerCanberra sound([&bells] { ++bells; });
        sound.playCaptureSound();
        sound.beep();
        sound.beep();
        sound.waitUntilDone(2000);
    }
    std::fflush(stderr);
    ::dup2(saved, STDERR_FILENO);
    std::fclose(file);

    QFile output(captured);
    ASSERT_TRUE(output.open(QIODevice::ReadOnly));
    const QString said = QString::fromLocal8Bit(output.readAll());
    EXPECT_EQ(said.toStdString(), "Quillbox: no sound device is available; sounds are off\n");
    EXPECT_EQ(bells, 2);
}
