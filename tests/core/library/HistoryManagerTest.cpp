#include "LibraryFixture.h"
#include "core/library/HistoryCoding.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

QString pathIn(const QString& folder, const QString& name) {
    return folder + QLatin1Char('/') + name;
}

Screenshot record(const QString& fileName, ScreenshotKind kind = ScreenshotKind::area) {
    return Screenshot(QUuid::createUuid(), fileName, 700000000.5, kind);
}

} // namespace

TEST(HistoryManager, firstRun_startsEmptyAndTheFirstCaptureCreatesTheHistoryFile) {
    LibraryFixture f;
    HistoryManager& library = f.library();
    EXPECT_TRUE(library.screenshots().isEmpty());
    EXPECT_TRUE(QDir(f.screenshotsPath()).exists());
    EXPECT_EQ(library.metadataURL(), f.historyPath());
    EXPECT_FALSE(QFile::exists(f.historyPath()));

    const auto reserved = library.newFileURL();
    LibraryFixture::writePng(reserved.path);
    library.add(reserved.fileName, ScreenshotKind::window);

    ASSERT_EQ(library.screenshots().size(), 1);
    const auto decoded = history_coding::decode(LibraryFixture::readFile(f.historyPath()));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(*decoded, library.screenshots());
    EXPECT_EQ(decoded->first().kind(), ScreenshotKind::window);
    EXPECT_EQ(decoded->first().date(), f.now.toUTC());
}

TEST(HistoryManager, add_insertsNewestFirstAndSignals) {
    LibraryFixture f;
    HistoryManager& library = f.library();
    QSignalSpy changed(&library, &HistoryManager::screenshotsChanged);
    for (int i = 0; i < 3; ++i) {
        const auto reserved = library.newFileURL();
        LibraryFixture::writePng(reserved.path);
        library.add(reserved.fileName, ScreenshotKind::area);
    }
    EXPECT_EQ(changed.count(), 3);
    ASSERT_EQ(library.screenshots().size(), 3);
    EXPECT_EQ(library.screenshots()[0].fileName(),
              QStringLiteral("Quillbox 2025-03-03 at 09.05.07 (3).png"));
    EXPECT_EQ(library.screenshots()[2].fileName(),
              QStringLiteral("Quillbox 2025-03-03 at 09.05.07.png"));
}

TEST(HistoryManager, newFileURL_countsPastReservedNamesAndStrayFiles) {
    LibraryFixture f;
    HistoryManager& library = f.library();
    const auto first = library.newFileURL();
    const auto second = library.newFileURL();
    const auto third = library.newFileURL();
    EXPECT_EQ(first.fileName, QStringLiteral("Quillbox 2025-03-03 at 09.05.07.png"));
    EXPECT_EQ(second.fileName, QStringLiteral("Quillbox 2025-03-03 at 09.05.07 (2).png"));
    EXPECT_EQ(third.fileName, QStringLiteral("Quillbox 2025-03-03 at 09.05.07 (3).png"));
    EXPECT_EQ(first.path, pathIn(library.storageDirectory(), first.fileName));

    // Never filed nor released: still taken. A stray file of the next name is never overwritten.
    LibraryFixture::writeFile(pathIn(library.storageDirectory(),
                                     QStringLiteral("Quillbox 2025-03-03 at 09.05.07 (4).png")),
                              "stray");
    EXPECT_EQ(library.newFileURL().fileName,
              QStringLiteral("Quillbox 2025-03-03 at 09.05.07 (5).png"));

    // A released name is free again in the same second.
    library.releaseReservedFileName(second.fileName);
    EXPECT_EQ(library.newFileURL().fileName, second.fileName);

    f.now = f.now.addSecs(1);
    EXPECT_EQ(library.newFileURL().fileName, QStringLiteral("Quillbox 2025-03-03 at 09.05.08.png"));
}

TEST(HistoryManager, newFileURL_usesTwentyFourHourClock) {
    LibraryFixture f;
    f.now = QDateTime(QDate(2025, 12, 31), QTime(23, 59, 59));
    EXPECT_EQ(f.library().newFileURL().fileName,
              QStringLiteral("Quillbox 2025-12-31 at 23.59.59.png"));
}

TEST(HistoryManager, load_dropsEntriesWhoseFileIsGoneAndRewritesTheHistory) {
    LibraryFixture f;
    const Screenshot kept = record(QStringLiteral("kept.png"));
    const Screenshot gone = record(QStringLiteral("gone.png"));
    LibraryFixture::writePng(pathIn(f.screenshotsPath(), kept.fileName()));
    LibraryFixture::writeFile(f.historyPath(), history_coding::encode({gone, kept}));

    HistoryManager& library = f.library();
    ASSERT_EQ(library.screenshots(), QList<Screenshot>{kept});
    EXPECT_EQ(LibraryFixture::readFile(f.historyPath()), history_coding::encode({kept}));
}

TEST(HistoryManager, load_extraKeysDisappearAtTheNextSave) {
    LibraryFixture f;
    LibraryFixture::writePng(pathIn(f.screenshotsPath(), QStringLiteral("a.png")));
    LibraryFixture::writeFile(
        f.historyPath(), "[{\"id\":\"6F1B3C2A-1111-4A2B-9C3D-0123456789AB\",\"fileName\":\"a.png\","
                         "\"timestamp\":1,\"kind\":\"area\",\"note\":\"x\"}]");
    HistoryManager& library = f.library();
    ASSERT_EQ(library.screenshots().size(), 1);
    const auto reserved = library.newFileURL();
    LibraryFixture::writePng(reserved.path);
    library.add(reserved.fileName, ScreenshotKind::area);
    EXPECT_FALSE(LibraryFixture::readFile(f.historyPath()).contains("note"));
}

TEST(HistoryManager, unreadableHistory_startsEmptyAndIsKeptAsideBeforeTheFirstSave) {
    LibraryFixture f;
    const QByteArray original =
        "[{\"id\":\"6F1B3C2A-1111-4A2B-9C3D-0123456789AB\",\"fileName\":\"a.png\","
        "\"timestamp\":1,\"kind\":\"video\"}]";
    LibraryFixture::writePng(pathIn(f.screenshotsPath(), QStringLiteral("a.png")));
    LibraryFixture::writeFile(f.historyPath(), original);

    HistoryManager& library = f.library();
    EXPECT_TRUE(library.screenshots().isEmpty());
    EXPECT_EQ(LibraryFixture::readFile(f.historyPath()), original) << "untouched until a save";

    const auto reserved = library.newFileURL();
    LibraryFixture::writePng(reserved.path);
    library.add(reserved.fileName, ScreenshotKind::area);

    const auto decoded = history_coding::decode(LibraryFixture::readFile(f.historyPath()));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->size(), 1);
    const QStringList kept = QDir(f.appSupport() + QStringLiteral("/Quillbox"))
                                 .entryList({QStringLiteral("history.json.unreadable-*")});
    ASSERT_EQ(kept.size(), 1);
    EXPECT_EQ(
        LibraryFixture::readFile(f.appSupport() + QStringLiteral("/Quillbox/") + kept.first()),
        original);

    // Only once: later saves simply replace the (now good) file.
    library.clearAll();
    EXPECT_EQ(QDir(f.appSupport() + QStringLiteral("/Quillbox"))
                  .entryList({QStringLiteral("history.json.unreadable-*")})
                  .size(),
              1);
}

TEST(HistoryManager, craftedFileNames_neverReachFilesOutsideTheFolder) {
    LibraryFixture f;
    const QString outside = f.appSupport() + QStringLiteral("/Quillbox/precious.txt");
    LibraryFixture::writeFile(outside, "keep me");
    LibraryFixture::writePng(pathIn(f.screenshotsPath(), QStringLiteral("a.png")));
    LibraryFixture::writeFile(
        f.historyPath(), "[{\"id\":\"6F1B3C2A-1111-4A2B-9C3D-0123456789AB\",\"fileName\":\"a.png\","
                         "\"timestamp\":1,\"kind\":\"area\"},"
                         "{\"id\":\"7F1B3C2A-1111-4A2B-9C3D-0123456789AB\",\"fileName\":"
                         "\"../precious.txt\",\"timestamp\":1,\"kind\":\"area\"}]");
    HistoryManager& library = f.library();
    EXPECT_TRUE(library.screenshots().isEmpty());
    library.clearAll();
    EXPECT_EQ(LibraryFixture::readFile(outside), QByteArray("keep me"));
    EXPECT_TRUE(QFile::exists(pathIn(f.screenshotsPath(), QStringLiteral("a.png"))));
}

TEST(HistoryManager, save_createsTheHistoryFolderWhenItIsMissing) {
    LibraryFixture f;
    QTemporaryDir elsewhere;
    f.defaults.setValue(QStringLiteral("storageDirectoryPath"), elsewhere.path());
    HistoryManager& library = f.library();
    EXPECT_FALSE(QDir(f.appSupport() + QStringLiteral("/Quillbox")).exists());
    const auto reserved = library.newFileURL();
    EXPECT_EQ(reserved.path, pathIn(elsewhere.path(), reserved.fileName));
    LibraryFixture::writePng(reserved.path);
    library.add(reserved.fileName, ScreenshotKind::area);
    EXPECT_TRUE(history_coding::decode(LibraryFixture::readFile(f.historyPath())));
    EXPECT_EQ(f.restart().screenshots().size(), 1);
}

TEST(HistoryManager, delete_removesFileAndEntryEvenWhenTheFileIsAlreadyGone) {
    LibraryFixture f;
    HistoryManager& library = f.library();
    QList<QString> names;
    for (int i = 0; i < 2; ++i) {
        const auto reserved = library.newFileURL();
        LibraryFixture::writePng(reserved.path);
        library.add(reserved.fileName, ScreenshotKind::area);
        names.append(reserved.fileName);
    }
    const Screenshot newest = library.screenshots().first();
    const Screenshot oldest = library.screenshots().last();
    library.deleteScreenshot(newest);
    EXPECT_FALSE(QFile::exists(library.fileURL(newest)));
    QFile::remove(library.fileURL(oldest));
    library.deleteScreenshot(oldest);
    EXPECT_TRUE(library.screenshots().isEmpty());
    EXPECT_EQ(LibraryFixture::readFile(f.historyPath()), QByteArray("[]"));
}

TEST(HistoryManager, clearAll_leavesFilesThatAreNotInTheHistory) {
    LibraryFixture f;
    HistoryManager& library = f.library();
    const auto reserved = library.newFileURL();
    LibraryFixture::writePng(reserved.path);
    library.add(reserved.fileName, ScreenshotKind::area);
    const QString stray = pathIn(library.storageDirectory(), QStringLiteral("mine.png"));
    LibraryFixture::writePng(stray);
    library.clearAll();
    EXPECT_TRUE(library.screenshots().isEmpty());
    EXPECT_FALSE(QFile::exists(reserved.path));
    EXPECT_TRUE(QFile::exists(stray));
}

TEST(HistoryManager, workspaceAndClipboard_actOnTheCapturesFile) {
    LibraryFixture f;
    HistoryManager& library = f.library();
    const auto reserved = library.newFileURL();
    LibraryFixture::writePng(reserved.path, Qt::blue, {20, 10});
    library.add(reserved.fileName, ScreenshotKind::area);
    const Screenshot shot = library.screenshots().first();

    library.revealInFinder(shot);
    library.openInPreview(shot);
    EXPECT_EQ(f.workspace.revealed, QStringList{reserved.path});
    EXPECT_EQ(f.workspace.opened, QStringList{reserved.path});

    library.copyToClipboard(shot);
    ASSERT_EQ(f.pasteboard.writes, 1);
    EXPECT_EQ(f.pasteboard.data(QStringLiteral("image/png")),
              LibraryFixture::readFile(reserved.path))
        << "the file's own bytes, not a re-encoding";

    LibraryFixture::writeFile(reserved.path, "not an image");
    library.copyToClipboard(shot);
    EXPECT_EQ(f.pasteboard.writes, 1) << "an unreadable image leaves the clipboard alone";
}
