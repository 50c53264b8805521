#include "LibraryFixture.h"
#include "TestImages.h"
#include "TinyDisk.h"
#include "core/image/Png.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

bool pathStored(const LibraryFixture& f) {
    return f.defaults.m_values.contains(QStringLiteral("storageDirectoryPath"));
}

} // namespace

// Within one file system and across two (/dev/shm): every file moves with its time, a
// name taken in the new folder is never the capture's (nor replaced), and the record
// follows the name the capture took.
TEST(StorageDirectory, migrate_movesEveryFileKeepsItsTimeAndNeverAdoptsAForeignFile) {
    for (const QString& base : {QDir::tempPath(), QStringLiteral("/dev/shm")}) {
        LibraryFixture f;
        HistoryManager& library = f.library();
        const Screenshot a = f.capture();
        const Screenshot b = f.capture();
        const Screenshot missing = f.capture();
        QFile::remove(library.fileURL(missing));
        const QString oldA = library.fileURL(a);
        const QByteArray bytesB = LibraryFixture::readFile(library.fileURL(b));
        const QDateTime past = QDateTime::currentDateTime().addDays(-3).addMSecs(-250);
        QFile file(oldA);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite) &&
                    file.setFileTime(past, QFileDevice::FileModificationTime));
        file.close();

        QTemporaryDir target(base + QStringLiteral("/quillbox-test-XXXXXX"));
        ASSERT_TRUE(target.isValid()) << qPrintable(base);
        const QString folder = target.path() + QStringLiteral("/new/shots");
        const QString foreign = folder + QLatin1Char('/') + b.fileName();
        LibraryFixture::writeFile(foreign, "the user's own file");
        QSignalSpy moved(&library, &HistoryManager::storageDirectoryChanged);

        EXPECT_EQ(library.setStorageDirectory(folder, true), (StorageChangeResult{true, 2, 0, {}}));
        EXPECT_EQ(moved.count(), 1);
        EXPECT_EQ(library.storageDirectory(), folder);
        EXPECT_EQ(f.defaults.value(QStringLiteral("storageDirectoryPath")).toString(), folder);
        EXPECT_FALSE(QFile::exists(oldA));
        EXPECT_EQ(QFileInfo(library.fileURL(a)).lastModified(), past) << qPrintable(base);
        EXPECT_EQ(LibraryFixture::readFile(foreign), QByteArray("the user's own file"));
        const Screenshot movedB = library.screenshots()[1];
        EXPECT_EQ(movedB.id(), b.id());
        EXPECT_EQ(movedB.fileName(), b.fileName().chopped(4) + QStringLiteral(" (2).png"));
        EXPECT_EQ(LibraryFixture::readFile(library.fileURL(movedB)), bytesB);
        EXPECT_FALSE(QFile::exists(folder + QStringLiteral("/.quillbox.write-test")));
        EXPECT_EQ(library.screenshots().size(), 3) << "entries stay until the next start";

        // The next run drops the entry whose file never arrived.
        HistoryManager& next = f.restart();
        EXPECT_EQ(next.storageDirectory(), folder);
        EXPECT_EQ(next.screenshots().size(), 2);

        // Back to the default: the captures go, the user's file stays.
        EXPECT_EQ(next.resetStorageDirectoryToDefault(), (StorageChangeResult{true, 2, 0, {}}));
        EXPECT_TRUE(next.isUsingDefaultStorageDirectory());
        EXPECT_EQ(f.defaults.value(QStringLiteral("storageDirectoryPath")).toString(),
                  next.defaultStorageDirectory());
        EXPECT_TRUE(QFile::exists(next.fileURL(a)));
        EXPECT_EQ(QDir(folder).entryList(QDir::Files), QStringList{b.fileName()});
    }
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

// One capture that cannot be put in the new folder (a folder stands where its file should
// be; the new folder is full): the ones put there go again, the old folder keeps them all
// and the library stays, with the reason.
TEST(StorageDirectory, aCaptureThatCannotMove_movesNothingAndSaysWhy) {
    TinyDisk disk(256);
    for (const bool full : {false, true}) {
        if (full && !disk.skipReason().isEmpty())
            GTEST_SKIP() << qPrintable(disk.skipReason());
        LibraryFixture f;
        HistoryManager& library = f.library();
        QList<QByteArray> bytes;
        for (int i = 0; i < 6; ++i) {
            const auto reserved = library.newFileURL();
            LibraryFixture::writeFile(reserved.path, png::encode(test_images::noise(160, 120)));
            library.add(reserved.fileName, ScreenshotKind::area);
            bytes.prepend(LibraryFixture::readFile(library.fileURL(library.screenshots()[0])));
        }
        const Screenshot blocked = library.screenshots()[2];
        if (!full) {
            QFile::remove(library.fileURL(blocked));
            QDir().mkpath(library.fileURL(blocked) + QStringLiteral("/inner"));
        }
        const QString old = library.storageDirectory();
        const QString folder = full ? disk.path() : f.appSupport() + QStringLiteral("/other");
        const QByteArray history = LibraryFixture::readFile(f.historyPath());

        const StorageChangeResult result = library.setStorageDirectory(folder, true);
        EXPECT_FALSE(result.success);
        const QString reason = full ? QStringLiteral("No space left on device")
                                    : QStringLiteral("it is not a regular file");
        EXPECT_TRUE(result.errorMessage.value_or(QString()).contains(reason))
            << qPrintable(result.errorMessage.value_or(QString()));
        EXPECT_EQ(library.storageDirectory(), old);
        EXPECT_FALSE(pathStored(f));
        EXPECT_EQ(LibraryFixture::readFile(f.historyPath()), history);
        EXPECT_EQ(QDir(folder).entryList(QDir::Files), QStringList());
        for (int i = 0; i < 6; ++i) {
            if (full || i != 2) {
                EXPECT_EQ(LibraryFixture::readFile(library.fileURL(library.screenshots()[i])),
                          bytes[i]);
            }
        }
        ASSERT_EQ(f.log.lines.size(), 1);
        EXPECT_TRUE(f.log.lines.first().contains(reason));
    }
}

// The folder in use, however it is written, is a no-op; a folder that cannot be created (a
// file stands in its path) or written (/proc/self refuses new files even to root) is
// refused with a reason. Neither changes anything.
TEST(StorageDirectory, theFolderInUseOrOneThatCannotBeCreatedOrWritten_changesNothing) {
    LibraryFixture f;
    HistoryManager& library = f.library();
    QSignalSpy moved(&library, &HistoryManager::storageDirectoryChanged);
    const QString odd = f.appSupport() + QStringLiteral("/Quillbox/./x/../screenshots/");
    EXPECT_EQ(library.setStorageDirectory(odd, true), StorageChangeResult{});
    EXPECT_EQ(library.resetStorageDirectoryToDefault(), StorageChangeResult{});
    EXPECT_FALSE(QFile::exists(f.historyPath()));
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
    EXPECT_EQ(moved.count(), 0);
    EXPECT_TRUE(library.isUsingDefaultStorageDirectory());
    EXPECT_FALSE(pathStored(f));
    EXPECT_EQ(LibraryFixture::readFile(f.historyPath()), before);
}
