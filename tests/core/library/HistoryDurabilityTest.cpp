#include "LibraryFixture.h"
#include "TinyDisk.h"
#include "core/library/HistoryCoding.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/stat.h>

TEST(HistoryDurability, fullDisk_keepsTheHistoryAndTellsTheUserOnceNamingTheFolder) {
    TinyDisk disk;
    if (!disk.skipReason().isEmpty())
        GTEST_SKIP() << qPrintable(disk.skipReason());
    LibraryFixture f; // its data on the disk, its captures in its own folder
    f.dataHome = disk.path();
    f.defaults.setValue(QStringLiteral("storageDirectoryPath"), f.screenshotsPath());
    QDir().mkpath(f.screenshotsPath());
    const QString history = disk.path() + u"/Quillbox/history.json";
    for (int i = 0; i < 40; ++i)
        f.capture();
    const QByteArray saved = LibraryFixture::readFile(history);
    ASSERT_EQ(history_coding::decode(saved)->size(), 40);

    disk.fill(0);
    const auto reserved = f.library().newFileURL();
    LibraryFixture::writeFile(reserved.path, "png");
    EXPECT_FALSE(f.library().add(reserved.fileName, ScreenshotKind::area));
    EXPECT_EQ(f.library().screenshots().size(), 41) << "listed for the rest of the run";
    EXPECT_EQ(LibraryFixture::readFile(history), saved);
    EXPECT_TRUE(f.log.lines.last().contains(QStringLiteral("No space left on device")));
    f.capture();
    ASSERT_EQ(f.problems.size(), 1) << "told once";
    EXPECT_TRUE(f.problems.first().contains(disk.path())) << qPrintable(f.problems.first());
}

// The storage folder is reached through a link, as through a mount point: what it names
// can change. Another file system in its place holding none of the records (an empty mount
// point), or nothing there at all, keeps every record and takes no capture; the folder
// itself, with captures deleted in a file manager, drops them at the next start.
TEST(HistoryDurability, folderAway_keepsEveryRecordAndTakesNoCapture_itsOwnDropsWhatIsGone) {
    LibraryFixture f;
    QTemporaryDir elsewhere(QStringLiteral("/dev/shm/quillbox-test-XXXXXX"));
    struct stat here {
    }, there{};
    if (!elsewhere.isValid() || ::stat(qPrintable(f.appSupport()), &here) != 0 ||
        ::stat(qPrintable(elsewhere.path()), &there) != 0 || here.st_dev == there.st_dev)
        GTEST_SKIP() << "needs a second file system at /dev/shm";
    const QString drive = f.appSupport() + u"/drive";
    const QString folder = f.appSupport() + u"/usb";
    ASSERT_TRUE(QDir().mkpath(drive) && QFile::link(drive, folder));
    f.defaults.setValue(QStringLiteral("storageDirectoryPath"), folder);
    QList<Screenshot> shots;
    for (int i = 0; i < 3; ++i)
        shots.append(f.capture());
    const QByteArray saved = LibraryFixture::readFile(f.historyPath());

    const auto pointAt = [&](const QString& target) {
        QFile::remove(folder);
        return target.isEmpty() || QFile::link(target, folder);
    };
    for (const QString& away : {elsewhere.path(), QString()}) {
        ASSERT_TRUE(pointAt(away));
        HistoryManager& library = f.restart();
        EXPECT_EQ(library.screenshots().size(), 3);
        ASSERT_EQ(f.problems.size(), 1);
        EXPECT_TRUE(f.problems.takeFirst().contains(QStringLiteral("stay listed")));
        const auto problem = library.prepareStorageDirectory();
        ASSERT_TRUE(problem);
        EXPECT_TRUE(problem->message.endsWith(QStringLiteral(" is not available.")));
        EXPECT_EQ(LibraryFixture::readFile(f.historyPath()), saved);
    }
    EXPECT_EQ(QDir(elsewhere.path()).entryList(QDir::Files), QStringList());

    ASSERT_TRUE(pointAt(drive));
    EXPECT_EQ(f.restart().screenshots().size(), 3);
    EXPECT_FALSE(f.library().prepareStorageDirectory());
    QFile::remove(f.library().fileURL(shots[0]));
    QFile::remove(f.library().fileURL(shots[1]));
    EXPECT_EQ(f.restart().screenshots(), QList<Screenshot>{shots[2]});
    QFile::remove(f.library().fileURL(shots[2]));
    EXPECT_TRUE(f.restart().screenshots().isEmpty());
    EXPECT_TRUE(f.problems.isEmpty());
    EXPECT_EQ(LibraryFixture::readFile(f.historyPath()), QByteArray("[]"));
}

// Our default folder is made again; a folder that cannot be made or written says why.
TEST(HistoryDurability, defaultFolderIsMadeAgain_anUnwritableFolderSaysWhy) {
    LibraryFixture f;
    HistoryManager& ours = f.library();
    ASSERT_TRUE(QDir(f.screenshotsPath()).removeRecursively());
    EXPECT_FALSE(ours.prepareStorageDirectory());
    EXPECT_TRUE(QFileInfo(f.screenshotsPath()).isDir());

    TinyDisk disk;
    if (!disk.skipReason().isEmpty()) {
        ASSERT_EQ(::chmod(QFile::encodeName(f.screenshotsPath()).constData(), 0555), 0);
        const auto problem = ours.prepareStorageDirectory();
        ASSERT_TRUE(problem);
        EXPECT_TRUE(problem->message.endsWith(QStringLiteral("cannot be written: Permission "
                                                             "denied.")));
        return;
    }
    // Root writes anywhere but on a read-only file system: a read-only home.
    ASSERT_TRUE(disk.makeReadOnly());
    for (const bool chosen : {true, false}) {
        f.dataHome = disk.path();
        f.defaults.m_values.clear();
        if (chosen)
            f.defaults.setValue(QStringLiteral("storageDirectoryPath"), disk.path());
        const auto problem = f.restart().prepareStorageDirectory();
        ASSERT_TRUE(problem);
        EXPECT_TRUE(problem->message.endsWith(
            chosen ? QStringLiteral("cannot be written: Read-only file system.")
                   : QStringLiteral("cannot be created: Read-only file system.")))
            << qPrintable(problem->message);
        EXPECT_FALSE(problem->details.contains(QStringLiteral("is back")));
    }
}

TEST(HistoryDurability, storedFolderTakenFromTheHome_andJunkFallsBackToTheDefault) {
    EXPECT_EQ(HistoryManager::resolvedPath(QStringLiteral("~/Shots")),
              QDir::homePath() + QStringLiteral("/Shots"));
    EXPECT_EQ(HistoryManager::resolvedPath(QStringLiteral("Shots/./a")),
              QDir::homePath() + QStringLiteral("/Shots/a"));
    for (const QVariant& junk :
         {QVariant(QByteArray("\x89\x01\xff", 3)), QVariant(QStringLiteral("/tmp/a\x01b"))}) {
        LibraryFixture f;
        f.defaults.setValue(QStringLiteral("storageDirectoryPath"), junk);
        EXPECT_TRUE(f.library().isUsingDefaultStorageDirectory());
        ASSERT_EQ(f.problems.size(), 1);
        EXPECT_TRUE(f.problems.first().contains(f.screenshotsPath()));
        EXPECT_TRUE(f.restart().isUsingDefaultStorageDirectory());
        EXPECT_EQ(f.problems.size(), 1) << "told once";
    }
}

// Two instances on one home taking captures in the same second: no record is lost, and
// every capture keeps its own file, under a name listed once (where both reserved a name,
// the one filed second takes the next free one, so the numbers may skip).
TEST(HistoryDurability, twoProcessesFilingInOneSecond_loseNoRecordAndNeverShareAFile) {
    LibraryFixture f;
    QProcess first, second;
    for (auto [writer, prefix] : {std::pair{&first, "a"}, std::pair{&second, "b"}})
        writer->start(QStringLiteral(QUILLBOX_HISTORY_WRITER),
                      {f.appSupport(), QStringLiteral("40"), QString::fromLatin1(prefix)});
    for (QProcess* writer : {&first, &second})
        ASSERT_TRUE(writer->waitForReadyRead(10000));
    LibraryFixture::writeFile(f.appSupport() + QStringLiteral("/go"), {});
    for (QProcess* writer : {&first, &second}) {
        ASSERT_TRUE(writer->waitForFinished(60000));
        ASSERT_EQ(writer->exitCode(), 0);
    }
    HistoryManager& library = f.library();
    QSet<QString> names, contents;
    for (const Screenshot& screenshot : library.screenshots()) {
        names.insert(screenshot.fileName());
        contents.insert(QString::fromUtf8(LibraryFixture::readFile(library.fileURL(screenshot))));
    }
    EXPECT_EQ(library.screenshots().size(), 80);
    EXPECT_EQ(names.size(), 80);
    EXPECT_EQ(contents.size(), 80) << "a capture written over another's";
}

// A writer killed at random moments never leaves a torn history: the file always
// decodes and holds, newest first, exactly the first N captures it filed.
TEST(HistoryDurability, sigkillDuringSaves_alwaysLeavesADecodablePrefix) {
    QTemporaryDir dir;
    const QString history = dir.path() + QStringLiteral("/Quillbox/history.json");
    QRandomGenerator random(20261206);
    qsizetype previous = 0;
    for (int round = 0; round < 200; ++round) {
        QProcess writer;
        writer.start(QStringLiteral(QUILLBOX_HISTORY_WRITER), {dir.path()});
        // Killed while it files, however long it took to start (far longer under sanitizers);
        // every other round only once it filed one, so a slow machine still gets past the
        // first capture.
        ASSERT_TRUE(writer.waitForReadyRead(10000)) << "round " << round;
        if (round % 2 == 1) {
            while (!writer.readAllStandardOutput().contains("filed")) {
                ASSERT_TRUE(writer.waitForReadyRead(10000)) << "round " << round;
            }
        }
        QThread::usleep(random.bounded(0, 20000));
        ::kill(static_cast<pid_t>(writer.processId()), SIGKILL);
        ASSERT_TRUE(writer.waitForFinished(5000));

        if (!QFile::exists(history)) {
            ASSERT_EQ(previous, 0) << "round " << round;
            continue;
        }
        const auto decoded = history_coding::decode(LibraryFixture::readFile(history));
        ASSERT_TRUE(decoded) << "torn history in round " << round;
        const qsizetype count = decoded->size();
        ASSERT_GE(count, previous) << "round " << round;
        for (qsizetype i = 0; i < count; ++i)
            ASSERT_EQ(decoded->at(i).fileName(),
                      QString::number(count - i) + QStringLiteral(".png"));
        previous = count;
    }
    EXPECT_GT(previous, 0);
}

// The folder chosen in the settings is a drive's mount point; the drive is then unmounted.
TEST(HistoryDurability, unmountedDrive_keepsItsRecordsAndItsMountPointTakesNoCapture) {
    TinyDisk disk(256);
    if (!disk.skipReason().isEmpty())
        GTEST_SKIP() << qPrintable(disk.skipReason());
    LibraryFixture f;
    ASSERT_TRUE(f.library().setStorageDirectory(disk.path(), false).success);
    for (int i = 0; i < 3; ++i)
        f.capture();
    ASSERT_TRUE(disk.unmount());
    HistoryManager& library = f.restart();
    EXPECT_EQ(library.screenshots().size(), 3);
    EXPECT_TRUE(library.prepareStorageDirectory());
    EXPECT_EQ(QDir(disk.path()).entryList(QDir::Files), QStringList());
    EXPECT_EQ(f.restart().screenshots().size(), 3);
}
