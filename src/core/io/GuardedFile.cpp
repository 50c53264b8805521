#include "core/io/GuardedFile.h"

#include "core/io/SystemError.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace guarded_file {
namespace {

bool fail(QString* error, const QString& why) {
    if (error)
        *error = why;
    return false;
}

QString tooLarge() {
    return QStringLiteral("it is larger than its contents can be");
}

// A device is looked at, never opened: opening one can have effects of its own.
bool isReadableKind(const struct stat& info, QString* error) {
    if (S_ISREG(info.st_mode))
        return true;
    return fail(error, S_ISDIR(info.st_mode) ? QStringLiteral("it is a folder")
                                             : QStringLiteral("it is not a regular file"));
}

} // namespace

std::unique_ptr<QFile> open(const QString& path, qint64 maxBytes, QString* error) {
    const QByteArray name = QFile::encodeName(path);
    struct stat before {};
    if (::stat(name.constData(), &before) != 0) {
        fail(error, systemError(errno));
        return nullptr;
    }
    if (!isReadableKind(before, error))
        return nullptr;
    // Non-blocking, so a FIFO put in place since the look above cannot hold the open.
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        fail(error, systemError(errno));
        return nullptr;
    }
    struct stat info {};
    const bool readable =
        ::fstat(fd, &info) == 0
            ? isReadableKind(info, error) && (info.st_size <= maxBytes || fail(error, tooLarge()))
            : fail(error, systemError(errno));
    if (!readable) {
        ::close(fd);
        return nullptr;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    auto file = std::make_unique<QFile>();
    if (!file->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        fail(error, file->errorString());
        ::close(fd);
        return nullptr;
    }
    return file;
}

std::optional<QByteArray> readAll(QFile& file, qint64 maxBytes, QString* error) {
    // Into a buffer of the file's size: QIODevice::read(n) would set n bytes aside at once,
    // whatever the file holds.
    QByteArray bytes;
    qint64 want = qMin(file.size() - file.pos(), maxBytes) + 1;
    for (;;) {
        const qsizetype start = bytes.size();
        bytes.resize(start + qsizetype(qMax<qint64>(want, 1)));
        const qint64 got = file.read(bytes.data() + start, want);
        bytes.resize(start + qsizetype(qMax<qint64>(got, 0)));
        // A short read is the end of the file (or an error); a full one may not be, when
        // the file grew since it was measured.
        if (got < want || bytes.size() > maxBytes)
            break;
        want = qMin<qint64>(qint64(1) << 20, maxBytes + 1 - bytes.size());
    }
    if (file.error() != QFileDevice::NoError) {
        fail(error, file.errorString());
        return std::nullopt;
    }
    if (bytes.size() > maxBytes) {
        fail(error, tooLarge());
        return std::nullopt;
    }
    return bytes;
}

std::optional<QByteArray> read(const QString& path, qint64 maxBytes, QString* error) {
    const std::unique_ptr<QFile> file = open(path, maxBytes, error);
    if (!file)
        return std::nullopt;
    return readAll(*file, maxBytes, error);
}

} // namespace guarded_file
