#include "HostileFiles.h"
#include "LibraryFixture.h"
#include "core/image/CaptureFile.h"
#include "core/io/GuardedFile.h"
#include "core/library/HistoryCoding.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

// Each kind at a capture's name: refused at once by every way a capture is read (nothing
// blocks, nothing is read whole, nothing huge is decoded); an ordinary capture still reads.
TEST(GuardedRead, everyCaptureReaderRefusesEveryHostileFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Quillbox 2025-03-03 at 09.05.07.png"));
    hostile_files::eachAt(path, [&path](const QString& kind) {
        EXPECT_TRUE(capture_file::read(path).isNull()) << qPrintable(kind);
        EXPECT_TRUE(capture_file::readScaled(path, 420).isNull()) << qPrintable(kind);
        EXPECT_FALSE(capture_file::pngForPasteboard(path)) << qPrintable(kind);
        QString why;
        const bool bytes = guarded_file::read(path, 4 << 20, &why).has_value();
        EXPECT_EQ(bytes, kind == u"huge-dimension PNG") << qPrintable(kind);
        EXPECT_TRUE(bytes || !why.isEmpty());
    });
    LibraryFixture::writePng(path, Qt::red, {600, 300});
    EXPECT_EQ(capture_file::read(path).size(), QSize(600, 300));
    EXPECT_EQ(capture_file::readScaled(path, 420).size(), QSize(420, 210));
    EXPECT_EQ(capture_file::pngForPasteboard(path), LibraryFixture::readFile(path));
}

// Each kind as the history file: the library starts empty without reading it, sets it
// aside before its first save and says so, once.
TEST(GuardedRead, aHostileHistoryIsSetAsideAndToldOnce) {
    for (const QString& kind : hostile_files::kinds()) {
        LibraryFixture f;
        ASSERT_TRUE(hostile_files::place(kind, f.historyPath()));
        HistoryManager& library = f.library();
        EXPECT_TRUE(library.screenshots().isEmpty()) << qPrintable(kind);
        f.capture();
        f.capture();
        EXPECT_EQ(history_coding::decode(LibraryFixture::readFile(f.historyPath()))->size(), 2);
        EXPECT_EQ(f.setAsideHistories().size(), 1) << qPrintable(kind);
        ASSERT_EQ(f.problems.size(), 1) << qPrintable(kind);
        EXPECT_TRUE(
            f.problems.first().startsWith(QStringLiteral("The history could not be read.")));
    }
}
