#include "capture/ScreenshotManager.h"
#include "LibraryFixture.h"
#include "fakes/AlertsFake.h"
#include "fakes/ScreenRecordingPermissionFake.h"
#include "fakes/SoundPlayerFake.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// A stand-in capture tool: a shell script that logs its arguments (one run per line,
// joined by '|') and then does what the test says with the path, its last argument.
class FakeTool {
public:
    explicit FakeTool(const QString& body) {
        LibraryFixture::writeFile(path(), "#!/bin/sh\n(IFS='|'; echo \"$*\") >> '" +
                                              argsLog().toUtf8() + "'\neval path=\\${$#}\n" +
                                              body.toUtf8() + '\n');
        QFile::setPermissions(path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    QString path() const { return m_dir.filePath(QStringLiteral("tool.sh")); }
    QString argsLog() const { return m_dir.filePath(QStringLiteral("args.log")); }
    QStringList runs() const {
        return QString::fromUtf8(LibraryFixture::readFile(argsLog()))
            .split(u'\n', Qt::SkipEmptyParts);
    }

private:
    QTemporaryDir m_dir;
};

struct CaptureFixture {
    explicit CaptureFixture(const QString& toolBody)
        : tool(toolBody)
        , manager({f.library(), permission, sound, alerts, f.workspace, tool.path(),
                   [this] { log.append(QStringLiteral("dismiss")); },
                   [this](const Screenshot& screenshot) {
                       shown.append(screenshot);
                       log.append(QStringLiteral("show"));
                   }}) {}

    // Runs one capture to its end; false when it did not end in time.
    bool captureAndWait(ScreenshotKind kind) {
        QSignalSpy finished(&manager, &ScreenshotManager::captureFinished);
        manager.capture(kind);
        return finished.wait(10000);
    }
    QString stem() const { return QStringLiteral("Quillbox 2025-03-03 at 09.05.07"); }
    QString path() { return f.library().storageDirectory() + u'/' + stem() + u".png"; }

    // A capture that came to nothing leaves no file, entry, sound or thumbnail, and gives
    // its name back for the next capture in the same second.
    void expectNothingFiled() {
        EXPECT_TRUE(f.library().screenshots().isEmpty());
        EXPECT_TRUE(QDir(f.library().storageDirectory()).isEmpty());
        EXPECT_FALSE(QFile::exists(f.historyPath()));
        EXPECT_EQ(sound.captureSounds, 0);
        EXPECT_TRUE(shown.isEmpty());
        EXPECT_EQ(f.library().newFileURL().fileName, stem() + u".png");
    }

    LibraryFixture f;
    FakeTool tool;
    QStringList log;         // the thumbnail's hide and show calls, and the popover's
    QList<Screenshot> shown; // in the thumbnail
    ScreenRecordingPermissionFake permission;
    SoundPlayerFake sound;
    AlertsFake alerts;
    ScreenshotManager manager;
};

} // namespace

TEST(ScreenshotManager, eachKindStartsTheToolWithItsFlagsAndThePath) {
    CaptureFixture c(QStringLiteral("exit 0"));
    for (ScreenshotKind kind : screenshot_kind::allCases())
        ASSERT_TRUE(c.captureAndWait(kind));
    EXPECT_EQ(c.tool.runs(),
              (QStringList{QStringLiteral("-i|-s|-x|") + c.path(),
                           QStringLiteral("-i|-w|-x|-o|") + c.path(),
                           QStringLiteral("-x|") + c.path(), QStringLiteral("-x|") + c.path()}));
}

TEST(ScreenshotManager, cancelledCapture_hidesThePopoverAndThumbnailAndLeavesNoTrace) {
    CaptureFixture c(QStringLiteral("exit 0"));
    QSignalSpy finished(&c.manager, &ScreenshotManager::captureFinished);
    c.manager.capture(ScreenshotKind::area, [&] { c.log.append(QStringLiteral("popover")); });
    ASSERT_TRUE(finished.wait(10000));
    EXPECT_FALSE(finished.first().first().toBool());
    EXPECT_EQ(c.log, (QStringList{QStringLiteral("popover"), QStringLiteral("dismiss")}));
    c.expectNothingFiled();
}

TEST(ScreenshotManager, emptyFileMissingToolOrToolKilledBeforeWriting_fileNothing) {
    const std::pair<const char*, bool> cases[] = {
        {": > \"$path\"", true}, {"exit 0", false}, {"kill -KILL $$", true}};
    for (const auto& [body, launchable] : cases) {
        SCOPED_TRACE(body);
        CaptureFixture c(QString::fromLatin1(body));
        if (!launchable)
            QFile::remove(c.tool.path());
        EXPECT_TRUE(c.captureAndWait(ScreenshotKind::area));
        c.expectNothingFiled();
    }
}

TEST(ScreenshotManager, nonEmptyFile_isFiledWhateverTheExitStatus) {
    CaptureFixture c(QStringLiteral("printf 'not checked' > \"$path\"; exit 3"));
    QSignalSpy finished(&c.manager, &ScreenshotManager::captureFinished);
    c.manager.capture(ScreenshotKind::window);
    // The name is the start's moment; the entry's date is the moment it is filed.
    const QDateTime filedAt = c.f.now.addSecs(12);
    c.f.now = filedAt;
    ASSERT_TRUE(finished.wait(10000));

    ASSERT_EQ(c.f.library().screenshots().size(), 1);
    const Screenshot filed = c.f.library().screenshots().first();
    EXPECT_EQ(filed.fileName(), c.stem() + u".png");
    EXPECT_EQ(filed.kind(), ScreenshotKind::window);
    EXPECT_EQ(filed.date(), filedAt.toUTC());
    EXPECT_TRUE(QFile::exists(c.path()));
    EXPECT_TRUE(QFile::exists(c.f.historyPath()));
    EXPECT_EQ(c.sound.captureSounds, 1);
    EXPECT_EQ(c.shown, QList<Screenshot>{filed});
    EXPECT_EQ(c.log, (QStringList{QStringLiteral("dismiss"), QStringLiteral("show")}));
}

TEST(ScreenshotManager, toolCrashingAfterWritingItsFile_isFiledLikeAnyCapture) {
    CaptureFixture c(QStringLiteral("printf png > \"$path\"; kill -SEGV $$"));
    ASSERT_TRUE(c.captureAndWait(ScreenshotKind::window));
    ASSERT_EQ(c.f.library().screenshots().size(), 1);
    EXPECT_EQ(c.f.library().screenshots().first().fileName(), c.stem() + u".png");
    EXPECT_EQ(c.sound.captureSounds, 1);
    EXPECT_EQ(c.shown.size(), 1);
}
TEST(ScreenshotManager, twoCapturesInFlight_eachFiledUnderItsOwnNameInTheOrderTheyEnd) {
    // Each run waits until the test lets its path go.
    CaptureFixture c(QStringLiteral("while [ ! -e \"$path.go\" ]; do sleep 0.02; done\n"
                                    "rm \"$path.go\"; printf png > \"$path\""));
    QSignalSpy finished(&c.manager, &ScreenshotManager::captureFinished);
    c.manager.capture(ScreenshotKind::area);
    c.manager.capture(ScreenshotKind::fullScreen);
    const QString dir = c.f.library().storageDirectory() + u'/';
    const QString first = c.stem() + u".png";
    const QString second = c.stem() + u" (2).png";

    LibraryFixture::writeFile(dir + second + u".go", "");
    ASSERT_TRUE(finished.wait(10000));
    LibraryFixture::writeFile(dir + first + u".go", "");
    ASSERT_TRUE(finished.count() == 2 || finished.wait(10000));

    const auto& screenshots = c.f.library().screenshots();
    ASSERT_EQ(screenshots.size(), 2);
    EXPECT_EQ(screenshots[0].fileName(), first);
    EXPECT_EQ(screenshots[0].kind(), ScreenshotKind::area);
    EXPECT_EQ(screenshots[1].fileName(), second);
    EXPECT_EQ(screenshots[1].kind(), ScreenshotKind::fullScreen);
    EXPECT_EQ(c.sound.captureSounds, 2);
    ASSERT_EQ(c.shown.size(), 2);
    EXPECT_EQ(c.shown[1], screenshots[0]);
}

TEST(ScreenshotManager, refusedPermission_showsTheAlertEachTimeAndReservesNothing) {
    CaptureFixture c(QStringLiteral("printf png > \"$path\""));
    c.permission.allowed = false;
    c.permission.url = QUrl(QStringLiteral("settings://screen-recording"));
    c.alerts.answer = 1; // Cancel
    c.manager.capture(ScreenshotKind::area);
    c.alerts.answer = 0; // Open Settings
    c.manager.capture(ScreenshotKind::window);

    ASSERT_EQ(c.alerts.shown.size(), 2);
    EXPECT_EQ(c.f.workspace.openedUrls, QList<QUrl>{c.permission.url});
    // The screen is touched before the request, the probe comes last.
    EXPECT_EQ(
        c.permission.steps,
        (QStringList{QStringLiteral("touch"), QStringLiteral("request"), QStringLiteral("probe"),
                     QStringLiteral("touch"), QStringLiteral("request"), QStringLiteral("probe")}));
    // Both hid the thumbnail; neither started the tool or reserved a name.
    EXPECT_EQ(c.log, (QStringList{QStringLiteral("dismiss"), QStringLiteral("dismiss")}));
    EXPECT_TRUE(c.tool.runs().isEmpty());
    c.expectNothingFiled();
}

TEST(ScreenshotManager, permissionChecks_askOnlyWhenNeeded) {
    CaptureFixture c(QStringLiteral("exit 0"));
    EXPECT_TRUE(c.manager.requestPermissionIfNeeded());
    EXPECT_TRUE(c.manager.hasScreenRecordingPermission());
    EXPECT_EQ(c.permission.touches + c.permission.requests + c.permission.probes, 0);

    // Granted by the request: no alert.
    c.permission.allowed = false;
    c.permission.allowedAfterRequest = true;
    EXPECT_TRUE(c.manager.requestPermissionIfNeeded());
    EXPECT_EQ(c.permission.requests, 1);
    EXPECT_TRUE(c.alerts.shown.isEmpty());

    // No settings page on this desktop: choosing it opens nothing.
    c.permission.allowed = false;
    c.permission.allowedAfterRequest = false;
    EXPECT_FALSE(c.manager.hasScreenRecordingPermission());
    EXPECT_EQ(c.permission.requests, 1);
    c.alerts.answer = 0;
    EXPECT_FALSE(c.manager.requestPermissionIfNeeded());
    EXPECT_EQ(c.alerts.shown.size(), 1);
    EXPECT_TRUE(c.f.workspace.openedUrls.isEmpty());
}
