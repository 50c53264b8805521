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
// each argument ended by '|') and then does what the test says with the path, its last.
class FakeTool {
public:
    explicit FakeTool(const QString& body) {
        const QByteArray log = '\'' + argsLog().toUtf8() + '\'';
        LibraryFixture::writeScript(path(), "for a in \"$@\"; do printf '%s|' \"$a\"; done >> " +
                                                log + "\necho >> " + log + "\neval path=\\${$#}\n" +
                                                body.toUtf8() + '\n');
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
                   [this](std::function<void()> then) {
                       log.append(QStringLiteral("dismiss"));
                       then();
                   },
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
    // Where the tool writes a capture to be filed under `name`.
    QString path(const QString& name = {}) {
        return f.library().storageDirectory() + u"/." + (name.isEmpty() ? stem() + u".png" : name) +
               u'.' + QString::number(QCoreApplication::applicationPid()) + u".part";
    }

    LibraryFixture f;
    FakeTool tool;
    QStringList log; // the calls on the thumbnail, in order
    QList<Screenshot> shown;
    ScreenRecordingPermissionFake permission;
    SoundPlayerFake sound;
    AlertsFake alerts;
    ScreenshotManager manager;
};

} // namespace

TEST(ScreenshotManager, eachKindRunsTheToolWithItsFlagsAndThePathLast) {
    CaptureFixture c(QStringLiteral("exit 0"));
    for (ScreenshotKind kind : screenshot_kind::allCases())
        ASSERT_TRUE(c.captureAndWait(kind));
    const QString path = c.path() + u'|';
    EXPECT_EQ(
        c.tool.runs(),
        (QStringList{QStringLiteral("-i|-s|-x|") + path, QStringLiteral("-i|-w|-x|-o|") + path,
                     QStringLiteral("-x|") + path, QStringLiteral("-x|") + path}));
}

// Cancelled, an empty file, killed mid-selection, or a tool that cannot be started: only
// the last is worth an alert.
TEST(ScreenshotManager, captureWithoutAFile_leavesNoTraceAndFreesTheName) {
    const struct {
        const char* tool;
        int alerts;
    } cases[] = {{"exit 0", 0}, {": > \"$path\"", 0}, {"kill -KILL $$", 0}, {nullptr, 1}};
    for (const auto& test : cases) {
        SCOPED_TRACE(test.tool ? test.tool : "no tool");
        CaptureFixture c(QString::fromLatin1(test.tool ? test.tool : "exit 0"));
        if (!test.tool)
            QFile::remove(c.tool.path());
        QSignalSpy finished(&c.manager, &ScreenshotManager::captureFinished);
        c.manager.capture(ScreenshotKind::area, [&] { c.log.append(QStringLiteral("popover")); });
        if (!finished.wait(10000)) {
            ADD_FAILURE() << "the capture never ended";
            continue;
        }
        EXPECT_FALSE(finished.first().first().toBool());
        EXPECT_EQ(c.log, (QStringList{QStringLiteral("popover"), QStringLiteral("dismiss")}));
        EXPECT_EQ(c.alerts.shown.size(), test.alerts);
        // No entry, no file, no sound, no card, and the name is free again.
        EXPECT_TRUE(c.f.library().screenshots().isEmpty());
        EXPECT_TRUE(QDir(c.f.library().storageDirectory()).isEmpty());
        EXPECT_FALSE(QFile::exists(c.f.historyPath()));
        EXPECT_EQ(c.sound.captureSounds, 0);
        EXPECT_TRUE(c.shown.isEmpty());
        EXPECT_EQ(c.f.library().newFileURL().fileName, c.stem() + u".png");
    }
}

// The file alone decides: a failed exit or a crash after writing still files the capture.
TEST(ScreenshotManager, nonEmptyFile_isFiledWhateverTheExitStatus) {
    for (const char* tool :
         {"printf 'not checked' > \"$path\"; exit 3", "printf png > \"$path\"; kill -SEGV $$"}) {
        SCOPED_TRACE(tool);
        CaptureFixture c(QString::fromLatin1(tool));
        QSignalSpy finished(&c.manager, &ScreenshotManager::captureFinished);
        c.manager.capture(ScreenshotKind::window);
        // The name is the start's moment; the entry's date is the moment it is filed.
        const QDateTime filedAt = c.f.now.addSecs(12);
        c.f.now = filedAt;
        if (!finished.wait(10000) || c.f.library().screenshots().size() != 1) {
            ADD_FAILURE() << "not filed once";
            continue;
        }
        const Screenshot filed = c.f.library().screenshots().first();
        EXPECT_EQ(filed.fileName(), c.stem() + u".png");
        EXPECT_EQ(filed.kind(), ScreenshotKind::window);
        EXPECT_EQ(filed.date(), filedAt.toUTC());
        EXPECT_TRUE(QFile::exists(c.f.library().fileURL(filed)));
        EXPECT_FALSE(QFile::exists(c.path()));
        EXPECT_TRUE(QFile::exists(c.f.historyPath()));
        EXPECT_EQ(c.sound.captureSounds, 1);
        EXPECT_EQ(c.shown, QList<Screenshot>{filed});
        EXPECT_EQ(c.log, (QStringList{QStringLiteral("dismiss"), QStringLiteral("show")}));
    }
}

TEST(ScreenshotManager, twoCapturesInFlight_eachFiledUnderItsOwnNameInTheOrderTheyEnd) {
    // Each run waits until the test lets its path go.
    CaptureFixture c(QStringLiteral("while [ ! -e \"$path.go\" ]; do sleep 0.02; done\n"
                                    "rm \"$path.go\"; printf png > \"$path\""));
    QSignalSpy finished(&c.manager, &ScreenshotManager::captureFinished);
    c.manager.capture(ScreenshotKind::area);
    c.manager.capture(ScreenshotKind::fullScreen);
    const QString first = c.stem() + u".png";
    const QString second = c.stem() + u" (2).png";

    LibraryFixture::writeFile(c.path(second) + u".go", "");
    ASSERT_TRUE(finished.wait(10000));
    LibraryFixture::writeFile(c.path(first) + u".go", "");
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

TEST(ScreenshotManager, permission_isAskedOnlyWhenMissingAndARefusalStopsEachCapture) {
    CaptureFixture c(QStringLiteral("printf png > \"$path\""));
    EXPECT_TRUE(c.manager.requestPermissionIfNeeded());
    // Granted by the request: no alert.
    c.permission.allowed = false;
    c.permission.allowedAfterRequest = true;
    EXPECT_TRUE(c.manager.requestPermissionIfNeeded());
    EXPECT_TRUE(c.alerts.shown.isEmpty());

    c.permission.allowed = false;
    c.permission.allowedAfterRequest = false;
    EXPECT_FALSE(c.manager.hasScreenRecordingPermission());
    EXPECT_EQ(c.permission.steps.join(u' '), QStringLiteral("touch request probe"));
    c.manager.capture(ScreenshotKind::area); // no settings page on this desktop: opens nothing
    EXPECT_TRUE(c.f.workspace.openedUrls.isEmpty());
    c.permission.url = QUrl(QStringLiteral("settings://screen-recording"));
    c.alerts.answer = 1; // Cancel
    c.manager.capture(ScreenshotKind::window);
    c.alerts.answer = 0; // Open Settings
    c.manager.capture(ScreenshotKind::fullScreen);

    ASSERT_EQ(c.alerts.shown.size(), 3);
    EXPECT_EQ(c.alerts.shown[1].buttons.first(), QStringLiteral("Open Settings"));
    EXPECT_EQ(c.f.workspace.openedUrls, QList<QUrl>{c.permission.url});
    // The screen is touched before each request, the probe comes last.
    EXPECT_EQ(c.permission.steps.join(u' ').count(QStringLiteral("touch request probe")), 4);
    // Each hid the thumbnail; none started the tool or reserved a name.
    EXPECT_EQ(c.log.join(u' '), QStringLiteral("dismiss dismiss dismiss"));
    EXPECT_TRUE(c.tool.runs().isEmpty());
    EXPECT_EQ(c.f.library().newFileURL().fileName, c.stem() + u".png");
}

// The tool could not write; a toolkit's warning alone is no failure (a cancel).
TEST(ScreenshotManager, toolThatCannotWrite_isToldWithTheFolderAndTheReasonAndNoSound) {
    CaptureFixture c(QStringLiteral(
        "echo 'qt.qpa.xcb: noise' >&2; [ -e \"$path.cancel\" ] && exit 1\n"
        "echo \"quillbox-capture: cannot write $path: No space left on device\" >&2; exit 1"));
    const QString folder = c.f.library().storageDirectory();
    ASSERT_TRUE(c.captureAndWait(ScreenshotKind::area));
    ASSERT_EQ(c.alerts.shown.size(), 1);
    EXPECT_EQ(c.alerts.shown.first().informativeText,
              QStringLiteral("Quillbox could not save it in the screenshots folder ") + folder +
                  QStringLiteral(": No space left on device."));
    EXPECT_TRUE(c.f.library().screenshots().isEmpty());
    EXPECT_EQ(c.sound.captureSounds, 0);
    LibraryFixture::writeFile(c.path() + u".cancel", "");
    ASSERT_TRUE(c.captureAndWait(ScreenshotKind::area));
    EXPECT_EQ(c.alerts.shown.size(), 1);
}

// A chosen folder that has gone (an unmounted drive): told, nothing run or created.
TEST(ScreenshotManager, chosenFolderThatIsGone_isToldAndNothingRunsOrIsCreated) {
    CaptureFixture c(QStringLiteral("printf png > \"$path\""));
    QTemporaryDir drive;
    const QString folder = drive.filePath(QStringLiteral("Shots"));
    ASSERT_TRUE(c.f.library().setStorageDirectory(folder, false).success);
    ASSERT_TRUE(QDir(folder).removeRecursively());
    c.manager.capture(ScreenshotKind::fullScreen);
    ASSERT_EQ(c.alerts.shown.size(), 1);
    EXPECT_EQ(c.alerts.shown.first().messageText, QStringLiteral("The screenshots folder ") +
                                                      folder +
                                                      QStringLiteral(" is not available."));
    EXPECT_TRUE(c.tool.runs().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(folder));
}

// Written, but the history cannot keep it: the user is told by the library, no sound.
TEST(ScreenshotManager, captureTheHistoryCannotKeep_isToldAndMakesNoSound) {
    CaptureFixture c(QStringLiteral("printf png > \"$path\""));
    QTemporaryDir elsewhere;
    ASSERT_TRUE(c.f.library().setStorageDirectory(elsewhere.path(), false).success);
    const QString historyFolder = QFileInfo(c.f.historyPath()).absolutePath();
    ASSERT_TRUE(QDir(historyFolder).removeRecursively());
    LibraryFixture::writeFile(historyFolder, "not a folder");
    ASSERT_TRUE(c.captureAndWait(ScreenshotKind::fullScreen));
    EXPECT_EQ(c.f.library().screenshots().size(), 1);
    EXPECT_EQ(c.f.problems.size(), 1);
    EXPECT_EQ(c.sound.captureSounds, 0);
}
