#include "quillbox-capture/CaptureArguments.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

TEST(CaptureToolPaths, helpAndTheEndOfOptions) {
    for (const char* help : {"-h", "--help"}) {
        const auto parsed = CaptureArguments::parse({QString::fromLatin1(help)}, nullptr);
        ASSERT_TRUE(parsed) << help;
        EXPECT_TRUE(parsed->help);
    }
    const auto dashed = CaptureArguments::parse(
        {QStringLiteral("-x"), QStringLiteral("--"), QStringLiteral("-shot.png")}, nullptr);
    ASSERT_TRUE(dashed);
    EXPECT_EQ(dashed->path, QStringLiteral("-shot.png"));
    EXPECT_TRUE(dashed->quiet);
}

TEST(CaptureToolPaths, specialFilesAndClosedFoldersAreRefusedBeforeAnythingIsShown) {
    QTemporaryDir dir;
    CaptureArguments arguments;
    arguments.path = dir.filePath(QStringLiteral("fifo"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(arguments.path).constData(), 0600), 0);
    EXPECT_EQ(arguments.unwritableReason(), QStringLiteral("it is not a regular file"));
    arguments.path = QStringLiteral("/dev/null");
    EXPECT_EQ(arguments.unwritableReason(), QStringLiteral("it is not a regular file"));

    const QString closed = dir.filePath(QStringLiteral("closed"));
    ASSERT_EQ(::mkdir(QFile::encodeName(closed).constData(), 0), 0);
    arguments.path = closed + QStringLiteral("/a.png");
    if (::geteuid() != 0) { // root enters any folder
        EXPECT_EQ(arguments.unwritableReason(), QStringLiteral("the folder is not accessible"));
    }
}
