#include "core/io/PlaceFile.h"

#include "core/io/SystemError.h"

#include <QFile>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace place_file {
namespace {

struct Descriptor {
    int fd = -1;
    ~Descriptor() {
        if (fd >= 0)
            ::close(fd);
    }
};

// The call is not offered by this file system: another way is tried.
bool unsupported(int code) {
    return code == EINVAL || code == ENOSYS || code == EOPNOTSUPP || code == EPERM ||
           code == EXDEV || code == EMLINK;
}

// Copies `source` into the new file `target`, which must not exist (`taken` then), flushed
// to the disk with the source's times; empty on success, else why not. A partial copy is
// removed.
QString copyFile(int source, const struct stat& info, const QByteArray& target, bool* taken) {
    Descriptor out{::open(target.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666)};
    if (out.fd < 0) {
        *taken = errno == EEXIST;
        return systemError(errno);
    }
    const auto fail = [&target](int code) {
        ::unlink(target.constData());
        return systemError(code);
    };
    std::vector<char> buffer(size_t(1) << 20);
    qint64 copied = 0;
    for (;;) {
        const ssize_t got = ::read(source, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return fail(errno);
        if (got == 0)
            break;
        for (ssize_t done = 0; done < got;) {
            const ssize_t put = ::write(out.fd, buffer.data() + done, size_t(got - done));
            if (put < 0 && errno == EINTR)
                continue;
            if (put <= 0)
                return fail(put < 0 ? errno : ENOSPC);
            done += put;
        }
        copied += got;
    }
    const struct timespec times[2] = {info.st_atim, info.st_mtim};
    struct stat written {};
    if (::futimens(out.fd, times) != 0 || ::fsync(out.fd) != 0 || ::fstat(out.fd, &written) != 0)
        return fail(errno);
    if (copied != info.st_size || written.st_size != info.st_size)
        return fail(EIO); // the file changed under the copy, or the disk lost a part of it
    if (::close(std::exchange(out.fd, -1)) != 0)
        return fail(errno);
    return {};
}

} // namespace

QString joined(const QString& folder, const QString& name) {
    if (folder.endsWith(QLatin1Char('/')))
        return folder + name;
    return folder + QLatin1Char('/') + name;
}

void syncFolder(const QString& folder) {
    Descriptor dir{
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    if (dir.fd >= 0)
        ::fsync(dir.fd);
}

QString place(const QString& source, const QString& folder,
              const std::function<QString(int)>& nameFor, Source how, QString* placed) {
    const QByteArray from = QFile::encodeName(source);
    struct stat info {};
    if (::stat(from.constData(), &info) != 0)
        return systemError(errno);
    if (!S_ISREG(info.st_mode))
        return QStringLiteral("it is not a regular file");
    bool renamable = how == Source::remove;
    bool linkable = true;
    Descriptor in;
    for (int n = 1;; ++n) {
        *placed = nameFor(n);
        const QByteArray target = QFile::encodeName(joined(folder, *placed));
        if (renamable) {
            if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, target.constData(),
                            RENAME_NOREPLACE) == 0)
                return {};
            if (errno == EEXIST)
                continue;
            if (!unsupported(errno))
                return systemError(errno);
            renamable = false;
        }
        if (linkable) {
            if (::link(from.constData(), target.constData()) == 0) {
                if (how == Source::remove)
                    ::unlink(from.constData());
                return {};
            }
            if (errno == EEXIST)
                continue;
            if (!unsupported(errno))
                return systemError(errno);
            linkable = false;
        }
        if (in.fd < 0) {
            in.fd = ::open(from.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
            if (in.fd < 0 || ::fstat(in.fd, &info) != 0)
                return systemError(errno);
            if (!S_ISREG(info.st_mode))
                return QStringLiteral("it is not a regular file");
        }
        bool taken = false;
        const QString error = copyFile(in.fd, info, target, &taken);
        if (error.isEmpty()) {
            if (how == Source::remove)
                ::unlink(from.constData());
            return {};
        }
        if (!taken)
            return error;
        if (::lseek(in.fd, 0, SEEK_SET) != 0)
            return systemError(errno);
    }
}

} // namespace place_file
