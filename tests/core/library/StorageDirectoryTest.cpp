#include "LibraryFixture.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

bool pathStored(const LibraryFixture& f) {
    return f.defaults.m_values.contains(QStringLiteral("storageDirectoryPath"));
}

} // namespace

TEST(StorageDirectory, theFolderInUse_isANoOpHoweverItIsWritten) {
    LibraryFixture f;
    HistoryManager& library = f.library();
    QSignalSpy moved(&library, &HistoryManager::storageDirectoryChanged);
    const QString odd = f.appSupport() + QStringLiteral("/Quillbox/./x/../screenshots/");
    EXPECT_EQ(library.setStorageDirectory(odd, true), StorageChangeResult{});
    EXPECT_EQ(library.resetStorageDirectoryToDefault(), StorageChangeResult{});
    EXPECT_FALSE(pathStored(f));
    EXPECT_FALSE(QFile::exists(f.historyPath()));
    EXPECT_EQ(moved.count(), 0);
    EXPECT_TRUE(library.isUsingDefaultStorageDirectory());
}

TEST(StorageDirectory, migrate_movesFilesStoresThePathAndCountsExistingTargetsAsMoved) {
    LibraryFixture f;
    HistoryManager& library = f.library();
    const Screenshot a = f.capture();
    const Screenshot b = f.capture();
    const Screenshot missing = f.capture();
    QFile::remove(library.fileURL(missing));
    const QString oldA = library.fileURL(a);
    const QString oldB = library.fileURL(b);

    QTemporaryDir target;
    const QString folder = target.path() + QStringLiteral("/new/shots");
    LibraryFixture::writeFile(folder + QLatin1Char('/') + b.fileName(), "already there");
    QSignalSpy moved(&library, &HistoryManager::storageDirectoryChanged);

    EXPECT_EQ(library.setStorageDirectory(folder, true), (StorageChangeResult{true, 2, 0, {}}));
    EXPECT_EQ(moved.count(), 1);
    EXPECT_EQ(library.storageDirectory(), folder);
    EXPECT_EQ(f.defaults.value(QStringLiteral("storageDirectoryPath")).toString(), folder);
    EXPECT_FALSE(QFile::exists(oldA));
    EXPECT_TRUE(QFile::exists(library.fileURL(a)));
    EXPECT_TRUE(QFile::exists(oldB)) << "a same-named target leaves the source behind";
    EXPECT_EQ(LibraryFixture::readFile(library.fileURL(b)), QByteArray("already there"));
    EXPECT_FALSE(QFile::exists(folder + QStringLiteral("/.quillbox.write-test")));
    EXPECT_EQ(library.screenshots().size(), 3) << "entries stay until the next start";

    // The next run drops the entry whose file never arrived.
    HistoryManager& next = f.restart();
    EXPECT_EQ(next.storageDirectory(), folder);
    EXPECT_EQ(next.screenshots().size(), 2);

    // Back to the default: migrated too, and the default's path is stored.
    EXPECT_EQ(next.resetStorageDirectoryToDefault(), (StorageChangeResult{true, 2, 0, {}}));
    EXPECT_TRUE(next.isUsingDefaultStorageDirectory());
    EXPECT_EQ(f.defaults.value(QStringLiteral("storageDirectoryPath")).toString(),
              next.defaultStorageDirectory());
    EXPECT_TRUE(QFile::exists(next.fileURL(a)));
}

TEST(StorageDirectory, withoutMigrate_filesStayBehind) {
    LibraryFixture f;
    const Screenshot a = f.capture();
    const QString old = f.library().fileURL(a);
    QTemporaryDir target;
    EXPECT_EQ(f.library().setStorageDirectory(target.path(), false), StorageChangeResult{});
    EXPECT_TRUE(QFile::exists(old));
    EXPECT_FALSE(QFile::exists(f.library().fileURL(a)));
}

TEST(StorageDirectory, failedMove_isCountedLoggedAndTheChangeStillHappens) {
    LibraryFixture f;
    HistoryManager& library = f.library();
    const Screenshot a = f.capture();
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

    EXPECT_EQ(library.setStorageDirectory(target.path(), true),
              (StorageChangeResult{true, 0, 1, {}}));
    ASSERT_EQ(f.log.lines.size(), 1);
    EXPECT_TRUE(f.log.lines.first().contains(a.fileName()));
    EXPECT_EQ(library.storageDirectory(), target.path());
}

// A folder that cannot be created (a file stands in its path) or written (/proc/self
// refuses new files even to root): refused with a reason, and nothing changes.
TEST(StorageDirectory, folderThatCannotBeCreatedOrWritten_isRefusedAndNothingChanges) {
    LibraryFixture f;
    HistoryManager& library = f.library();
    f.capture();
    const QByteArray before = LibraryFixture::readFile(f.historyPath());
    const QString blocker = f.appSupport() + QStringLiteral("/a-file");
    LibraryFixture::writeFile(blocker, "x");

    for (const QString& folder :
         QStringList{blocker + QStringLiteral("/sub"), QStringLiteral("/proc/self")}) {
        const StorageChangeResult result = library.setStorageDirectory(folder, true);
        EXPECT_FALSE(result.success) << qPrintable(folder);
        EXPECT_EQ(result.moved, 0);
        EXPECT_FALSE(result.errorMessage.value_or(QString()).isEmpty());
    }
    EXPECT_TRUE(library.isUsingDefaultStorageDirectory());
    EXPECT_FALSE(pathStored(f));
    EXPECT_EQ(LibraryFixture::readFile(f.historyPath()), before);
}
