#include "platform/LaunchAtLogin.h"
#include "HostileFiles.h"
#include "LibraryFixture.h"
#include "fakes/SystemLogFake.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(LaunchAtLogin, onOffAlreadyOnAndMissing_theProgramQuotedAsOneArgument) {
    QTemporaryDir config;
    SystemLogFake log;
    const QString autostart = config.path() + QStringLiteral("/autostart");
    LaunchAtLogin login(log, autostart, QStringLiteral("/opt/My Apps/quillbox"));
    EXPECT_FALSE(login.isEnabled());

    EXPECT_TRUE(login.setEnabled(true));
    EXPECT_TRUE(login.isEnabled());
    const QByteArray entry =
        LibraryFixture::readFile(autostart + QStringLiteral("/quillbox.desktop"));
    EXPECT_TRUE(entry.startsWith("[Desktop Entry]\n"));
    EXPECT_TRUE(entry.contains("\nExec=\"/opt/My Apps/quillbox\"\n"));

    // Already on (an entry the user wrote): left as it is.
    LibraryFixture::writeFile(login.entryPath(), "[Desktop Entry]\nExec=quillbox --own\n");
    EXPECT_TRUE(login.setEnabled(true));
    EXPECT_EQ(LibraryFixture::readFile(login.entryPath()),
              QByteArray("[Desktop Entry]\nExec=quillbox --own\n"));

    EXPECT_TRUE(login.setEnabled(false));
    EXPECT_FALSE(login.isEnabled());
    EXPECT_TRUE(log.lines.isEmpty());

    // Switching off what is not on is an error.
    EXPECT_FALSE(login.setEnabled(false));
    ASSERT_EQ(log.lines.size(), 1);
    EXPECT_TRUE(
        log.lines[0].startsWith(QStringLiteral("Quillbox: launch at login change failed — ")));

    // Inside quotes " ` $ \ take a backslash; the entry's string escaping doubles each
    // backslash; % is doubled as it would start a field code.
    EXPECT_EQ(LaunchAtLogin::execValue(QStringLiteral("/a b/\"q\" $x`\\100%")),
              QStringLiteral("\"/a b/\\\\\"q\\\\\" \\\\$x\\\\`\\\\\\\\100%%\""));
}

// Switched off as desktops do it (hidden, or GNOME's key): off, and switching it on writes
// an entry that is on. Whatever else stands there reads as off without waiting.
TEST(LaunchAtLogin, switchedOffEntryIsOff_andEnablingReplacesIt_hostileOnesReadAsOff) {
    QTemporaryDir config;
    SystemLogFake log;
    LaunchAtLogin login(log, config.path(), QStringLiteral("/usr/bin/quillbox"));
    for (const char* off : {"Hidden=true", "X-GNOME-Autostart-enabled=false"}) {
        LibraryFixture::writeFile(login.entryPath(),
                                  QByteArray("[Desktop Entry]\nType=Application\nExec=quillbox\n") +
                                      off + '\n');
        EXPECT_FALSE(login.isEnabled()) << off;
        EXPECT_TRUE(login.setEnabled(true));
        EXPECT_TRUE(login.isEnabled()) << off;
        EXPECT_TRUE(LibraryFixture::readFile(login.entryPath())
                        .contains("\nX-GNOME-Autostart-enabled=true\n"));
    }
    hostile_files::eachAt(login.entryPath(), [&](const QString& kind) {
        EXPECT_FALSE(login.isEnabled()) << qPrintable(kind);
    });

    LaunchAtLogin nowhere(log, QStringLiteral("/proc/quillbox-autostart"),
                          QStringLiteral("/usr/bin/quillbox"));
    EXPECT_FALSE(nowhere.setEnabled(true));
    EXPECT_EQ(log.lines.size(), 1);
}
