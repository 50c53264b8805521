#include "quillbox-capture/CaptureArguments.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

std::optional<CaptureArguments> parse(const char* line) {
    QString error;
    auto parsed =
        CaptureArguments::parse(QString::fromLatin1(line).split(u' ', Qt::SkipEmptyParts), &error);
    EXPECT_EQ(parsed.has_value(), error.isEmpty()) << line;
    return parsed;
}

} // namespace

TEST(CaptureArguments, theProgramsArgumentListsAreUnderstoodAndWrongOnesRefused) {
    using Mode = CaptureArguments::Mode;
    const struct {
        const char* line;
        Mode mode;
        bool quiet;
        const char* path;
    } cases[] = {
        {"-i -s -x /tmp/a.png", Mode::area, true, "/tmp/a.png"},
        {"-i -w -x -o /tmp/w.png", Mode::window, true, "/tmp/w.png"},
        {"-x /tmp/f.png", Mode::screen, true, "/tmp/f.png"},
        {"-i relative.png", Mode::area, false, "relative.png"},
        {"-x -- -shot.png", Mode::screen, true, "-shot.png"}, // the end of options
    };
    for (const auto& c : cases) {
        const CaptureArguments parsed = parse(c.line).value_or(CaptureArguments{});
        EXPECT_EQ(parsed.path, QString::fromLatin1(c.path)) << c.line; // empty when refused
        EXPECT_EQ(parsed.mode, c.mode) << c.line;
        EXPECT_EQ(parsed.quiet, c.quiet) << c.line;
    }
    for (const char* help : {"-h", "--help"})
        EXPECT_TRUE(parse(help).value_or(CaptureArguments{}).help) << help;
    for (const char* line : {"", "-x", "-i -s", "-q a.png", "-s a.png", "-w -x a.png",
                             "-i -s -w a.png", "a.png b.png", "-o a.png", "-i -s -o a.png"})
        EXPECT_FALSE(parse(line)) << line;
    EXPECT_TRUE(CaptureArguments::usage().startsWith(u"usage: quillbox-capture"));
}

// A path that surely cannot be written is told before anything is shown.
TEST(CaptureArguments, unwritablePathsAreRefusedWithTheReason) {
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
