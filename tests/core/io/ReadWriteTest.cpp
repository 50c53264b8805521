#include "HostileFiles.h"
#include "LibraryFixture.h"
#include "TinyDisk.h"
#include "core/image/CaptureFile.h"
#include "core/io/AtomicFile.h"
#include "core/io/GuardedFile.h"
#include "core/library/HistoryCoding.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

TEST(AtomicFile, fullDisk_failsSaysWhyAndKeepsTheOldFile) {
    TinyDisk disk;
    if (!disk.skipReason().isEmpty())
        GTEST_SKIP() << qPrintable(disk.skipReason());
    const QString path = disk.path() + QStringLiteral("/shot.png");
    ASSERT_TRUE(atomic_file::write("old", path));
    for (const qint64 freeBytes : {qint64(4096), qint64(0)}) {
        disk.fill(freeBytes);
        QString error;
        EXPECT_FALSE(atomic_file::write(QByteArray(40 * 1024, 'n'), path, &error));
        EXPECT_EQ(error.toStdString(), "No space left on device");
        EXPECT_EQ(LibraryFixture::readFile(path), "old");
        EXPECT_EQ(
            QDir(disk.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList({QStringLiteral(".filler"), QStringLiteral("shot.png")}));
    }
}

TEST(AtomicFile, specialFilesAreNeverReplaced) {
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("fifo"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString link = dir.filePath(QStringLiteral("link"));
    ASSERT_TRUE(QFile::link(fifo, link));
    QStringList special = {fifo, link, dir.path()};
    // A device of our own, never the system's /dev/null.
    const QString device = dir.filePath(QStringLiteral("null"));
    if (::mknod(QFile::encodeName(device).constData(), S_IFCHR | 0666, makedev(1, 3)) == 0)
        special.append(device);
    for (const QString& path : std::as_const(special)) {
        QString error;
        EXPECT_FALSE(atomic_file::write("png", path, &error)) << qPrintable(path);
        EXPECT_FALSE(error.isEmpty());
    }
    EXPECT_TRUE(QFileInfo(fifo).exists() && !QFileInfo(fifo).isFile());
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    if (special.contains(device)) {
        struct stat info {};
        ASSERT_EQ(::stat(QFile::encodeName(device).constData(), &info), 0);
        EXPECT_TRUE(S_ISCHR(info.st_mode));
    }
}

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
