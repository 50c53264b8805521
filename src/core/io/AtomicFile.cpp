#include "core/io/AtomicFile.h"

#include "core/io/SystemError.h"

#include <QFileInfo>
#include <QSaveFile>
#include <unistd.h>

namespace atomic_file {
namespace {

// Written straight to the descriptor, every short write and the sync checked, so that a
// full disk shows here with its reason. Qt 6.4's buffered path loses both: after a failed
// flush of the buffered tail, commit() still renames the truncated file into place, and
// a short write leaves "Unknown error".
bool writeAll(int fd, const QByteArray& bytes, QString* why) {
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, static_cast<size_t>(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            *why = systemError(written < 0 ? errno : ENOSPC);
            return false;
        }
        data += written;
        left -= written;
    }
    if (::fdatasync(fd) != 0) {
        *why = systemError(errno);
        return false;
    }
    return true;
}

} // namespace

bool write(const QByteArray& bytes, const QString& path, QString* error) {
    auto fail = [error](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    // Follows a symbolic link: a link to a device is refused like the device itself.
    const QFileInfo target(path);
    if (target.exists() && !target.isFile())
        return fail(target.isDir() ? QStringLiteral("it is a folder")
                                   : QStringLiteral("it is not a regular file"));

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(file.errorString());
    QString why;
    if (!writeAll(file.handle(), bytes, &why)) {
        file.cancelWriting();
        return fail(why);
    }
    if (!file.commit())
        return fail(file.errorString());
    return true;
}

} // namespace atomic_file
