#include "app/AppLifecycle.h"
#include "LibraryFixture.h"
#include "core/hotkeys/HotkeyManager.h"
#include "fakes/GlobalHotkeysFake.h"
#include "fakes/SystemLogFake.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

TEST(AppLifecycle, failedStart_isLoggedAndStillQuitsAfterTheDelay_hotKeysLetGoFirst) {
    GlobalHotkeysFake system;
    HotkeyManager hotkeys(system);
    hotkeys.registerCombo({0, 0x1900}, [] {});
    SystemLogFake log;
    int quits = 0;
    QString started;
    bool heldAtStart = true;
    AppLifecycle lifecycle({
        .hotkeys = hotkeys,
        .log = log,
        .executable = QStringLiteral("/opt/My Apps/quillbox"),
        .startDetached = [&](const QString& program) -> std::optional<QString> {
            started = program;
            heldAtStart = !system.held.isEmpty();
            return QStringLiteral("No such file or directory");
        },
        .terminate = [&quits] { ++quits; },
    });
    lifecycle.quitAndRelaunch();
    EXPECT_FALSE(heldAtStart);
    EXPECT_EQ(started, QStringLiteral("/opt/My Apps/quillbox"));
    EXPECT_EQ(log.lines,
              QStringList{QStringLiteral("Quillbox: relaunch failed — No such file or directory")});
    EXPECT_EQ(quits, 0) << "the quit waits for the new instance to start";
    EXPECT_TRUE(QTest::qWaitFor([&quits] { return quits == 1; }, 5000));
}

TEST(AppLifecycle, startProgramDetached_takesAPathWithSpacesAsOneProgram) {
    QTemporaryDir dir;
    const QString program = dir.path() + QStringLiteral("/My Apps/relaunch me");
    const QString marker = dir.path() + QStringLiteral("/started");
    LibraryFixture::writeScript(program, "echo \"$0\" > '" + marker.toUtf8() + "'\n");

    EXPECT_EQ(AppLifecycle::startProgramDetached(program), std::nullopt);
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFile(marker).size() > 0; }, 5000));
    EXPECT_EQ(LibraryFixture::readFile(marker).trimmed(), program.toUtf8());
    EXPECT_TRUE(AppLifecycle::startProgramDetached(dir.path() + QStringLiteral("/missing")));
}
