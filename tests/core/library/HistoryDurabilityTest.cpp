#include "LibraryFixture.h"
#include "TinyDisk.h"
#include "core/library/HistoryCoding.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

QString pathIn(const QString& folder, const QString& name) {
    return folder + QLatin1Char('/') + name;
}

// Keeps the library's data on the disk and its captures in the fixture's folder.
void useDisk(LibraryFixture& f, const TinyDisk& disk) {
    f.dataHome = disk.path();
    f.defaults.setValue(QStringLiteral("storageDirectoryPath"), f.screenshotsPath());
    QDir().mkpath(f.screenshotsPath());
}

} // namespace

TEST(HistoryDurability, fullDisk_keepsTheHistoryAndTellsTheUser) {
    TinyDisk disk;
    if (!disk.skipReason().isEmpty())
        GTEST_SKIP() << qPrintable(disk.skipReason());
    LibraryFixture f;
    useDisk(f, disk);
    const QString history = pathIn(disk.path(), QStringLiteral("Quillbox/history.json"));
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
    EXPECT_EQ(f.problems.size(), 1);
    EXPECT_TRUE(f.log.lines.last().contains(QStringLiteral("No space left on device")));
}

TEST(HistoryDurability, readOnlyHistory_isReportedOnceNamingItsFolder) {
    TinyDisk disk;
    if (!disk.skipReason().isEmpty())
        GTEST_SKIP() << qPrintable(disk.skipReason());
    LibraryFixture f;
    useDisk(f, disk);
    f.capture();
    ASSERT_TRUE(disk.makeReadOnly());
    f.capture();
    f.capture();
    ASSERT_EQ(f.problems.size(), 1);
    EXPECT_TRUE(f.problems.first().contains(disk.path())) << qPrintable(f.problems.first());
}

// The storage folder is a drive that is not mounted: its mount point is there, the
// folder below it is not.
TEST(HistoryDurability, chosenFolderNotThere_keepsEveryRecordAndCreatesNothing_oursIsCreated) {
    LibraryFixture f;
    const QString mountPoint = pathIn(f.appSupport(), QStringLiteral("media/usb"));
    const QString folder = pathIn(mountPoint, QStringLiteral("Screenshots"));
    f.defaults.setValue(QStringLiteral("storageDirectoryPath"), folder);
    for (int i = 0; i < 3; ++i)
        f.capture();
    const QByteArray saved = LibraryFixture::readFile(f.historyPath());
    ASSERT_TRUE(QDir(folder).removeRecursively());

    HistoryManager& library = f.restart();
    EXPECT_EQ(library.screenshots().size(), 3);
    EXPECT_EQ(f.problems.size(), 1);
    EXPECT_FALSE(library.prepareStorageDirectory().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(folder));
    EXPECT_EQ(LibraryFixture::readFile(f.historyPath()), saved);

    // Present, but holding none of the captures (another drive mounted there).
    QDir().mkpath(folder);
    LibraryFixture::writeFile(pathIn(folder, QStringLiteral("stranger.png")), "png");
    EXPECT_EQ(f.restart().screenshots().size(), 3);
    EXPECT_EQ(f.problems.size(), 2);
    EXPECT_EQ(LibraryFixture::readFile(f.historyPath()), saved);
    EXPECT_TRUE(f.library().prepareStorageDirectory().isEmpty());

    // The default folder, ours, is created again.
    f.defaults.m_values.clear();
    HistoryManager& ours = f.restart();
    ASSERT_TRUE(QDir(f.screenshotsPath()).removeRecursively());
    EXPECT_TRUE(ours.prepareStorageDirectory().isEmpty());
    EXPECT_TRUE(QFileInfo(f.screenshotsPath()).isDir());
    // A stored path is taken from the home folder.
    EXPECT_EQ(HistoryManager::resolvedPath(QStringLiteral("~/Shots")),
              QDir::homePath() + QStringLiteral("/Shots"));
    EXPECT_EQ(HistoryManager::resolvedPath(QStringLiteral("Shots/./a")),
              QDir::homePath() + QStringLiteral("/Shots/a"));
}

TEST(HistoryDurability, historyThatIsNotARegularFile_isSetAsideWithoutReadingIt) {
    for (const bool fifo : {true, false}) {
        LibraryFixture f;
        QDir().mkpath(QFileInfo(f.historyPath()).absolutePath());
        if (fifo)
            ASSERT_EQ(::mkfifo(QFile::encodeName(f.historyPath()).constData(), 0600), 0);
        else
            ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), f.historyPath()));
        HistoryManager& library = f.library(); // would block or read forever
        EXPECT_TRUE(library.screenshots().isEmpty());
        f.capture();
        EXPECT_EQ(history_coding::decode(LibraryFixture::readFile(f.historyPath()))->size(), 1);
        EXPECT_EQ(f.setAsideHistories().size(), 1);
    }
}

TEST(HistoryDurability, twoProcessesFilingIntoOneHistory_loseNoRecord) {
    LibraryFixture f;
    QProcess first, second;
    for (auto [writer, prefix] : {std::pair{&first, "a"}, std::pair{&second, "b"}})
        writer->start(QStringLiteral(QUILLBOX_HISTORY_WRITER),
                      {f.appSupport(), QStringLiteral("50"), QString::fromLatin1(prefix)});
    for (QProcess* writer : {&first, &second}) {
        ASSERT_TRUE(writer->waitForFinished(60000));
        ASSERT_EQ(writer->exitCode(), 0);
    }
    EXPECT_EQ(f.library().screenshots().size(), 100);
}

TEST(HistoryDurability, emptyLockLeftByAKilledInstance_stopsNoCapture) {
    LibraryFixture f;
    f.capture();
    LibraryFixture::writeFile(f.historyPath() + QStringLiteral(".lock"), {});
    f.capture();
    EXPECT_EQ(history_coding::decode(LibraryFixture::readFile(f.historyPath()))->size(), 2);
}
