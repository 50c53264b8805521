#include "LibraryFixture.h"
#include "core/library/HistoryCoding.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// One stored entry as the history file spells it; `rest` ends the object.
QByteArray entry(const char* fileName, const char* rest = R"("kind":"area"})",
                 const char* id = "6F1B3C2A-1111-4A2B-9C3D-0123456789AB") {
    return QByteArray(R"({"id":")") + id + R"(","fileName":")" + fileName + R"(","timestamp":1,)" +
           rest;
}

} // namespace

TEST(HistoryManager, firstCaptures_createTheHistoryFileNewestFirst) {
    LibraryFixture f;
    HistoryManager& library = f.library();
    EXPECT_TRUE(library.screenshots().isEmpty());
    EXPECT_TRUE(QDir(f.screenshotsPath()).exists());
    EXPECT_EQ(library.metadataURL(), f.historyPath());
    EXPECT_FALSE(QFile::exists(f.historyPath()));

    QSignalSpy changed(&library, &HistoryManager::screenshotsChanged);
    f.capture(ScreenshotKind::window);
    f.capture();
    EXPECT_EQ(changed.count(), 2);
    ASSERT_EQ(library.screenshots().size(), 2);
    EXPECT_EQ(library.screenshots()[0].fileName(),
              QStringLiteral("Quillbox 2025-03-03 at 09.05.07 (2).png"));
    const auto decoded = history_coding::decode(LibraryFixture::readFile(f.historyPath()));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(*decoded, library.screenshots());
    EXPECT_EQ(decoded->last().kind(), ScreenshotKind::window);
    EXPECT_EQ(decoded->last().date(), f.now.toUTC());
}

TEST(HistoryManager, newFileURL_countsPastReservedNamesAndStrayFiles) {
    LibraryFixture f;
    HistoryManager& library = f.library();
    const auto first = library.newFileURL();
    const auto second = library.newFileURL();
    EXPECT_EQ(first.fileName, QStringLiteral("Quillbox 2025-03-03 at 09.05.07.png"));
    EXPECT_EQ(second.fileName, QStringLiteral("Quillbox 2025-03-03 at 09.05.07 (2).png"));
    // Written beside its name, hidden, until it is filed.
    EXPECT_EQ(QFileInfo(first.path).absolutePath(), library.storageDirectory());
    EXPECT_TRUE(QFileInfo(first.path).fileName().startsWith(u'.' + first.fileName));

    // Never filed nor released: still taken. A stray file of the next name is never overwritten.
    LibraryFixture::writeFile(
        library.storageDirectory() + u"/Quillbox 2025-03-03 at 09.05.07 (3).png", "stray");
    EXPECT_EQ(library.newFileURL().fileName,
              QStringLiteral("Quillbox 2025-03-03 at 09.05.07 (4).png"));

    // A released name is free again in the same second, and its file is gone.
    LibraryFixture::writeFile(second.path, "half");
    library.releaseReservedFileName(second.fileName);
    EXPECT_FALSE(QFile::exists(second.path));
    EXPECT_EQ(library.newFileURL().fileName, second.fileName);

    // Taken on the disk by the time it is filed (another Quillbox): the next free name.
    LibraryFixture::writeFile(library.storageDirectory() + u'/' + first.fileName, "theirs");
    LibraryFixture::writeFile(first.path, "ours");
    library.add(first.fileName, ScreenshotKind::area);
    EXPECT_EQ(library.screenshots().first().fileName(),
              QStringLiteral("Quillbox 2025-03-03 at 09.05.07 (5).png"));
    EXPECT_EQ(LibraryFixture::readFile(library.fileURL(library.screenshots().first())), "ours");
    EXPECT_EQ(LibraryFixture::readFile(library.storageDirectory() + u'/' + first.fileName),
              "theirs");
    EXPECT_FALSE(QFile::exists(first.path));

    f.now = QDateTime(QDate(2025, 12, 31), QTime(23, 59, 59));
    EXPECT_EQ(library.newFileURL().fileName, QStringLiteral("Quillbox 2025-12-31 at 23.59.59.png"));
}

TEST(HistoryManager, unreadableHistory_startsEmptyAndIsKeptAsideOnceBeforeTheFirstSave) {
    LibraryFixture f;
    const QByteArray original = '[' + entry("a.png", R"("kind":"video"})") + ']';
    LibraryFixture::writePng(f.screenshotsPath() + u"/a.png");
    LibraryFixture::writeFile(f.historyPath(), original);

    HistoryManager& library = f.library();
    EXPECT_TRUE(library.screenshots().isEmpty());
    EXPECT_EQ(LibraryFixture::readFile(f.historyPath()), original) << "untouched until a save";

    f.capture();
    const auto decoded = history_coding::decode(LibraryFixture::readFile(f.historyPath()));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->size(), 1);
    const QStringList kept = f.setAsideHistories();
    ASSERT_EQ(kept.size(), 1);
    EXPECT_EQ(
        LibraryFixture::readFile(QFileInfo(f.historyPath()).absolutePath() + u'/' + kept.first()),
        original);
    library.clearAll(); // later saves simply replace the (now good) file
    EXPECT_EQ(f.setAsideHistories().size(), 1);
}

TEST(HistoryManager, craftedFileNames_neverReachFilesOutsideTheFolder) {
    LibraryFixture f;
    const QString outside = f.appSupport() + QStringLiteral("/Quillbox/precious.txt");
    LibraryFixture::writeFile(outside, "keep me");
    LibraryFixture::writePng(f.screenshotsPath() + u"/a.png");
    LibraryFixture::writeFile(f.historyPath(), '[' + entry("a.png") + ',' +
                                                   entry("../precious.txt", R"("kind":"area"})",
                                                         "7F1B3C2A-1111-4A2B-9C3D-0123456789AB") +
                                                   ']');
    HistoryManager& library = f.library();
    EXPECT_TRUE(library.screenshots().isEmpty());
    library.clearAll();
    EXPECT_EQ(LibraryFixture::readFile(outside), QByteArray("keep me"));
    EXPECT_TRUE(QFile::exists(f.screenshotsPath() + u"/a.png"));
}

TEST(HistoryManager, save_createsTheHistoryFolderWhenItIsMissing) {
    LibraryFixture f;
    QTemporaryDir elsewhere;
    f.defaults.setValue(QStringLiteral("storageDirectoryPath"), elsewhere.path());
    EXPECT_FALSE(QDir(f.appSupport() + QStringLiteral("/Quillbox")).exists());
    const Screenshot shot = f.capture();
    EXPECT_EQ(f.library().fileURL(shot), elsewhere.path() + u'/' + shot.fileName());
    EXPECT_TRUE(history_coding::decode(LibraryFixture::readFile(f.historyPath())));
    EXPECT_EQ(f.restart().screenshots().size(), 1);
}

// Deleting removes the file and the entry, even when the file has gone already; clearing
// removes only the files the history lists.
TEST(HistoryManager, deleteAndClearAll_removeOnlyTheHistorysOwnFiles) {
    LibraryFixture f;
    HistoryManager& library = f.library();
    const Screenshot oldest = f.capture();
    const Screenshot middle = f.capture();
    const Screenshot newest = f.capture();
    const QString stray = library.storageDirectory() + u"/mine.png";
    LibraryFixture::writePng(stray);

    library.deleteScreenshot(newest);
    EXPECT_FALSE(QFile::exists(library.fileURL(newest)));
    QFile::remove(library.fileURL(middle));
    library.deleteScreenshot(middle);
    EXPECT_EQ(library.screenshots(), QList<Screenshot>{oldest});
    library.clearAll();
    EXPECT_TRUE(library.screenshots().isEmpty());
    EXPECT_FALSE(QFile::exists(library.fileURL(oldest)));
    EXPECT_TRUE(QFile::exists(stray));
    EXPECT_EQ(LibraryFixture::readFile(f.historyPath()), QByteArray("[]"));
}

// Read and checked off the GUI thread; the caller hears whether it was copied.
TEST(HistoryManager, copyToClipboard_putsTheFilesOwnBytesOrNothing) {
    LibraryFixture f;
    HistoryManager& library = f.library();
    const Screenshot shot = f.capture();
    const QString path = library.fileURL(shot);
    QList<bool> copied;
    const auto copy = [&] {
        library.copyToClipboard(shot, &library, [&copied](bool done) { copied.append(done); });
        return QTest::qWaitFor([&] { return !copied.isEmpty(); }, 5000) && copied.takeFirst();
    };

    EXPECT_TRUE(copy());
    ASSERT_EQ(f.pasteboard.writes, 1);
    EXPECT_EQ(f.pasteboard.data(QStringLiteral("image/png")), LibraryFixture::readFile(path))
        << "the file's own bytes, not a re-encoding";

    LibraryFixture::writeFile(path, "not an image");
    EXPECT_FALSE(copy());
    EXPECT_EQ(f.pasteboard.writes, 1) << "an unreadable image leaves the clipboard alone";
    // Another kind of picture goes as a PNG.
    ASSERT_TRUE(QImage(5, 4, QImage::Format_RGB32).save(path, "BMP"));
    EXPECT_TRUE(copy());
    EXPECT_EQ(QImage::fromData(f.pasteboard.data(QStringLiteral("image/png")), "PNG").size(),
              QSize(5, 4));
}
