#include "quillbox-capture/CaptureArguments.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

// A path that surely cannot be written is told before anything is shown.
TEST(CaptureToolPaths, unwritablePathsAreRefusedWithTheReason) {
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("fifo"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString readOnly = dir.filePath(QStringLiteral("read-only"));
    const QString closed = dir.filePath(QStringLiteral("closed"));
    ASSERT_EQ(::mkdir(QFile::encodeName(readOnly).constData(), 0500), 0);
    ASSERT_EQ(::mkdir(QFile::encodeName(closed).constData(), 0), 0);
    const bool root = ::geteuid() == 0; // writes into and enters any folder

    const struct {
        QString path;
        const char* reason;
    } cases[] = {
        {dir.filePath(QStringLiteral("a.png")), ""},
        {dir.filePath(QStringLiteral("missing/a.png")), "no such folder"},
        {dir.path(), "it is a folder"},
        {fifo, "it is not a regular file"},
        {QStringLiteral("/dev/null"), "it is not a regular file"},
        {readOnly + QStringLiteral("/a.png"), root ? "" : "the folder is read-only"},
        {closed + QStringLiteral("/a.png"), root ? "" : "the folder is not accessible"},
    };
    for (const auto& c : cases) {
        CaptureArguments arguments;
        arguments.path = c.path;
        EXPECT_EQ(arguments.unwritableReason(), QString::fromLatin1(c.reason))
            << qPrintable(c.path);
    }
    QFile::setPermissions(closed, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}
