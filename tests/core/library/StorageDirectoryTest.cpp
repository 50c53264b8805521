#include "LibraryFixture.h"
#include "core/library/HistoryCoding.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

Screenshot fileCapture(HistoryManager& library) {
    const auto reserved = library.newFileURL();
    LibraryFixture::writePng(reserved.path);
    library.add(reserved.fileName, ScreenshotKind::area);
    return library.screenshots().first();
}

} // namespace

TEST(StorageDirectory, sameFolderWrittenDifferently_succeedsWithoutWritingAnything) {
    LibraryFixture f;
    HistoryManager& library = f.library();
    QSignalSpy moved(&library, &HistoryManager::storageDirectoryChanged);
    const QString odd = f.appSupport() + QStringLiteral("/Quillbox/./x/../screenshots/");
    EXPECT_EQ(library.setStorageDirectory(odd, true), StorageChangeResult{});
    EXPECT_FALSE(f.defaults.m_values.contains(QStringLiteral("storageDirectoryPath")));
    EXPECT_FALSE(QFile::exists(f.historyPath()));
    EXPECT_EQ(moved.count(), 0);
    EXPECT_TRUE(library.isUsingDefaultStorageDirectory());
}

TEST(StorageDirectory, migrate_movesFilesStoresThePathAndCountsExistingTargetsAsMoved) {
    LibraryFixture f;
    HistoryManager& library = f.library();
    const Screenshot a = fileCapture(library);
    f.now = f.now.addSecs(1);
    const Screenshot b = fileCapture(library);
    f.now = f.now.addSecs(1);
    const Screenshot missing = fileCapture(library);
    QFile::remove(library.fileURL(missing));
    const QString oldA = library.fileURL(a);
    const QString oldB = library.fileURL(b);

    QTemporaryDir target;
    const QString folder = target.path() + QStringLiteral("/new/shots");
    LibraryFixture::writeFile(folder + QLatin1Char('/') + b.fileName(), "already there");
    QSignalSpy moved(&library, &HistoryManager::storageDirectoryChanged);

    const StorageChangeResult result = library.setStorageDirectory(folder, true);
    EXPECT_EQ(result, (StorageChangeResult{true, 2, 0, std::nullopt}));
    EXPECT_EQ(moved.count(), 1);
    EXPECT_EQ(library.storageDirectory(), folder);
    EXPECT_EQ(f.defaults.value(QStringLiteral("storageDirectoryPath")).toString(), folder);
    EXPECT_FALSE(QFile::exists(oldA));
    EXPECT_TRUE(QFile::exists(library.fileURL(a)));
    EXPECT_TRUE(QFile::exists(oldB)) << "a same-named target leaves the source behind";
    EXPECT_EQ(LibraryFixture::readFile(library.fileURL(b)), QByteArray("already there"));
    EXPECT_FALSE(QFile::exists(folder + QStringLiteral("/.quillbox.write-test")));
    EXPECT_FALSE(library.isUsingDefaultStorageDirectory());
    EXPECT_EQ(library.screenshots().size(), 3) << "entries stay until the next start";

    // The next run drops the entry whose file never arrived.
    HistoryManager& next = f.restart();
    EXPECT_EQ(next.storageDirectory(), folder);
    EXPECT_EQ(next.screenshots().size(), 2);
}

TEST(StorageDirectory, withoutMigrate_filesStayBehind) {
    LibraryFixture f;
    HistoryManager& library = f.library();
    const Screenshot a = fileCapture(library);
    const QString old = library.fileURL(a);
    QTemporaryDir target;
    EXPECT_EQ(library.setStorageDirectory(target.path(), false), StorageChangeResult{});
    EXPECT_TRUE(QFile::exists(old));
    EXPECT_FALSE(QFile::exists(library.fileURL(a)));
}

TEST(StorageDirectory, failedMove_isCountedLoggedAndTheChangeStillHappens) {
    LibraryFixture f;
    HistoryManager& library = f.library();
    const Screenshot a = fileCapture(library);
    // A folder standing where the file should be cannot be copied across file systems,
    // which fails the move even for root.
    QFile::remove(library.fileURL(a));
    QDir().mkpath(library.fileURL(a) + QStringLiteral("/inner"));
    QTemporaryDir target(QStringLiteral("/dev/shm/quillbox-test-XXXXXX"));
    struct stat from {
    }, to{};
    if (!target.isValid() || ::stat(qPrintable(f.appSupport()), &from) != 0 ||
        ::stat(qPrintable(target.path()), &to) != 0 || from.st_dev == to.st_dev)
        GTEST_SKIP() << "needs a second file system at /dev/shm";

    const StorageChangeResult result = library.setStorageDirectory(target.path(), true);
    EXPECT_TRUE(result.success);
    EXPECT_EQ(result.moved, 0);
    EXPECT_EQ(result.failed, 1);
    ASSERT_EQ(f.log.lines.size(), 1);
    EXPECT_TRUE(f.log.lines.first().startsWith(QStringLiteral("Quillbox: migration failed for ") +
                                               a.fileName() + QStringLiteral(": ")));
    EXPECT_EQ(library.storageDirectory(), target.path());
}

TEST(StorageDirectory, folderThatCannotBeCreated_failsAndNothingChanges) {
    LibraryFixture f;
    HistoryManager& library = f.library();
    fileCapture(library);
    const QByteArray before = LibraryFixture::readFile(f.historyPath());
    const QString blocker = f.appSupport() + QStringLiteral("/a-file");
    LibraryFixture::writeFile(blocker, "x");

    const StorageChangeResult result =
        library.setStorageDirectory(blocker + QStringLiteral("/sub"), true);
    EXPECT_FALSE(result.success);
    EXPECT_EQ(result.moved, 0);
    ASSERT_TRUE(result.errorMessage);
    EXPECT_FALSE(result.errorMessage->isEmpty());
    EXPECT_TRUE(library.isUsingDefaultStorageDirectory());
    EXPECT_FALSE(f.defaults.m_values.contains(QStringLiteral("storageDirectoryPath")));
    EXPECT_EQ(LibraryFixture::readFile(f.historyPath()), before);
}

TEST(StorageDirectory, folderThatCannotBeWritten_reportsCannotWrite) {
    LibraryFixture f;
    HistoryManager& library = f.library();
    // /proc/self exists and refuses new files even to root.
    const StorageChangeResult result =
        library.setStorageDirectory(QStringLiteral("/proc/self"), true);
    EXPECT_FALSE(result.success);
    ASSERT_TRUE(result.errorMessage);
    EXPECT_TRUE(result.errorMessage->startsWith(QStringLiteral("Cannot write to that folder: ")))
        << result.errorMessage->toStdString();
    EXPECT_TRUE(library.isUsingDefaultStorageDirectory());
}

TEST(StorageDirectory, reset_isANoOpOnTheDefaultAndMigratesBackOtherwise) {
    LibraryFixture f;
    HistoryManager& library = f.library();
    EXPECT_EQ(library.resetStorageDirectoryToDefault(), StorageChangeResult{});
    EXPECT_FALSE(f.defaults.m_values.contains(QStringLiteral("storageDirectoryPath")));

    const Screenshot a = fileCapture(library);
    QTemporaryDir target;
    library.setStorageDirectory(target.path(), true);
    EXPECT_EQ(library.resetStorageDirectoryToDefault(),
              (StorageChangeResult{true, 1, 0, std::nullopt}));
    EXPECT_TRUE(library.isUsingDefaultStorageDirectory());
    EXPECT_EQ(f.defaults.value(QStringLiteral("storageDirectoryPath")).toString(),
              library.defaultStorageDirectory());
    EXPECT_TRUE(QFile::exists(library.fileURL(a)));
}
