#include "LibraryFixture.h"
#include "core/library/HistoryCoding.h"
#include "core/library/Screenshot.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// A history file of one record with its members as raw JSON; an empty member is left out.
QByteArray history(const QByteArray& kind = "\"area\"", const QByteArray& fileName = "\"a.png\"",
                   const QByteArray& timestamp = "1",
                   const QByteArray& id = "\"6F1B3C2A-1111-4A2B-9C3D-0123456789AB\"") {
    QByteArrayList members;
    for (const auto& [name, value] : {std::pair{"id", id}, std::pair{"fileName", fileName},
                                      std::pair{"timestamp", timestamp}, std::pair{"kind", kind}})
        if (!value.isEmpty())
            members.append('"' + QByteArray(name) + "\":" + value);
    return "[{" + members.join(',') + "}]";
}

} // namespace

TEST(Screenshot, timestamp_countsSecondsFromFirstJanuary2001Utc) {
    const Screenshot before(QUuid::createUuid(), QStringLiteral("a.png"), -86400.0,
                            ScreenshotKind::area);
    EXPECT_EQ(before.date(), QDateTime(QDate(2000, 12, 31), QTime(0, 0), Qt::UTC));
    const QDateTime when(QDate(2025, 3, 3), QTime(9, 5, 7, 250), Qt::UTC);
    EXPECT_DOUBLE_EQ(Screenshot::timestampFrom(when), 762685507.25);
}

TEST(HistoryCoding, encode_isCompactWithKeysInRecordOrderAndUpperCaseIdsAndReadsBackExactly) {
    const QUuid lower = QUuid::fromString(QStringLiteral("6f1b3c2a-1111-4a2b-9c3d-0123456789ab"));
    const QByteArray json = history_coding::encode({Screenshot(
        lower, QStringLiteral("Quillbox \"x\".png"), 762685507.25, ScreenshotKind::fullScreen)});
    EXPECT_EQ(json, history("\"fullScreen\"", R"("Quillbox \"x\".png")", "762685507.25"));
    EXPECT_EQ(history_coding::encode({}), QByteArray("[]"));
    // Read back, every field bit for bit.
    const QList<Screenshot> records{Screenshot(QUuid::createUuid(), QStringLiteral("é ü 漢.png"),
                                               762685507.123456789, ScreenshotKind::scrolling),
                                    Screenshot(QUuid::createUuid(),
                                               QStringLiteral("q\"u\\o\nt\x01e.png"), -3.0000000001,
                                               ScreenshotKind::window)};
    const auto decoded = history_coding::decode(history_coding::encode(records));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(*decoded, records);
    // Integer timestamps, extra keys, any key order and lower-case ids are read too.
    EXPECT_EQ(
        history_coding::decode(
            R"([{"kind":"window","note":"hi","timestamp":0,)"
            R"("fileName":"a.png","id":"6f1b3c2a-1111-4a2b-9c3d-0123456789ab"}])"),
        QList<Screenshot>{Screenshot(lower, QStringLiteral("a.png"), 0.0, ScreenshotKind::window)});
    EXPECT_TRUE(history_coding::encode(records).contains(R"("kind":"scrolling")"));
}

TEST(HistoryCoding, decode_failsWholeFileOnAnyBadRecordOrFileNameThatIsNotAPlainName) {
    const QByteArray bad[] = {
        history("\"Area\""),
        history("\"fullscreen\""),
        history("\"video\""),
        history("null"),
        history({}),
        history("\"area\"", "7"),
        history("\"area\"", {}),
        history("\"area\"", "\"a.png\"", "\"1\""),
        history("\"area\"", "\"a.png\"", "1", "\"not-a-uuid\""),
        history("\"area\"", "\"a.png\"", "1", "\"{6F1B3C2A-1111-4A2B-9C3D-0123456789AB}\""),
        "{\"id\":\"6F1B3C2A-1111-4A2B-9C3D-0123456789AB\"}",
        "[1]",
        "[{\"id\":",
        "",
        // One good record beside a bad one is not enough.
        history().chopped(1) + "," + history("\"Area\"").mid(1),
    };
    for (const QByteArray& json : bad)
        EXPECT_FALSE(history_coding::decode(json)) << json.constData();
    EXPECT_TRUE(history_coding::decode(history()));
    // A file name must be a plain name in the folder.
    for (const char* name : {R"("")", R"(".")", R"("..")", R"("../escape.png")", R"("/etc/passwd")",
                             R"("a/b.png")", R"("a\u0000.png")"})
        EXPECT_FALSE(history_coding::decode(history("\"area\"", name))) << name;
    EXPECT_TRUE(history_coding::decode(history("\"area\"", "\"..a.png\"")));
    EXPECT_TRUE(
        history_coding::decode(history("\"area\"", "\"Quillbox 2025-03-03 at 09.05.07 (2).png\"")));
}

TEST(HistoryManager, firstCaptures_createTheHistoryFileNewestFirst) {
    LibraryFixture f;
    HistoryManager& library = f.library();
    EXPECT_TRUE(library.screenshots().isEmpty());
    EXPECT_TRUE(QDir(f.screenshotsPath()).exists());
    EXPECT_EQ(library.metadataURL(), f.historyPath());
    EXPECT_FALSE(QFile::exists(f.historyPath()));

    QSignalSpy changed(&library, &HistoryManager::screenshotsChanged);
    f.capture(ScreenshotKind::window);
    // An empty lock left by a killed instance stops no capture.
    LibraryFixture::writeFile(f.historyPath() + QStringLiteral(".lock"), {});
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
    const QByteArray original = history("\"video\"");
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
    LibraryFixture::writeFile(f.historyPath(),
                              history().chopped(1) + ',' +
                                  history("\"area\"", "\"../precious.txt\"", "1",
                                          "\"7F1B3C2A-1111-4A2B-9C3D-0123456789AB\"")
                                      .mid(1));
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
