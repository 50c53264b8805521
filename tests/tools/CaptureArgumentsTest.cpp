#include "quillbox-capture/CaptureArguments.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

std::optional<CaptureArguments> parse(const char* line) {
    QString error;
    auto parsed =
        CaptureArguments::parse(QString::fromLatin1(line).split(u' ', Qt::SkipEmptyParts), &error);
    EXPECT_EQ(parsed.has_value(), error.isEmpty()) << line;
    return parsed;
}

} // namespace

TEST(CaptureArguments, theProgramsArgumentListsAreUnderstood) {
    auto area = parse("-i -s -x /tmp/a.png");
    ASSERT_TRUE(area);
    EXPECT_EQ(area->mode, CaptureArguments::Mode::area);
    EXPECT_TRUE(area->quiet);
    EXPECT_EQ(area->path, QStringLiteral("/tmp/a.png"));

    auto window = parse("-i -w -x -o /tmp/w.png");
    ASSERT_TRUE(window);
    EXPECT_EQ(window->mode, CaptureArguments::Mode::window);
    EXPECT_TRUE(window->quiet);

    auto screen = parse("-x /tmp/f.png");
    ASSERT_TRUE(screen);
    EXPECT_EQ(screen->mode, CaptureArguments::Mode::screen);

    auto loud = parse("-i relative.png");
    ASSERT_TRUE(loud);
    EXPECT_EQ(loud->mode, CaptureArguments::Mode::area);
    EXPECT_FALSE(loud->quiet);
    EXPECT_EQ(loud->path, QStringLiteral("relative.png"));
}

TEST(CaptureArguments, wrongArgumentsAreRefused) {
    for (const char* line : {"", "-x", "-i -s", "-q a.png", "-s a.png", "-w -x a.png",
                             "-i -s -w a.png", "a.png b.png", "-o a.png", "-i -s -o a.png"})
        EXPECT_FALSE(parse(line)) << line;
    EXPECT_TRUE(CaptureArguments::usage().startsWith(u"usage: quillbox-capture"));
}

TEST(CaptureArguments, aPathThatSurelyCannotBeWrittenIsToldBeforeAnythingIsShown) {
    QTemporaryDir dir;
    CaptureArguments arguments;
    arguments.path = dir.filePath(QStringLiteral("a.png"));
    EXPECT_EQ(arguments.unwritableReason(), QString());
    arguments.path = dir.filePath(QStringLiteral("missing/a.png"));
    EXPECT_EQ(arguments.unwritableReason(), QStringLiteral("no such folder"));
    arguments.path = dir.path();
    EXPECT_EQ(arguments.unwritableReason(), QStringLiteral("it is a folder"));
    const QString locked = dir.filePath(QStringLiteral("locked"));
    QDir().mkpath(locked);
    QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner);
    arguments.path = locked + QStringLiteral("/a.png");
    if (!QFileInfo(locked).isWritable()) { // root writes anywhere
        EXPECT_EQ(arguments.unwritableReason(), QStringLiteral("the folder is read-only"));
    }
    QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}
