#include "core/io/AtomicFile.h"
#include "LibraryFixture.h"
#include "TinyDisk.h"

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
