#include "core/io/FileLock.h"

#include "core/io/SystemError.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {
// Holders keep the lock for one read-modify-write of a small file.
constexpr int pollMs = 5;
} // namespace

FileLock::FileLock(const QString& path)
    : m_path(path) {}

FileLock::~FileLock() {
    if (m_fd >= 0)
        ::close(m_fd); // closing the last descriptor lets go of the lock
}

FileLock::Result FileLock::lock(int timeoutMs, QString* error) {
    if (m_fd < 0) {
        // Never blocks on open: a FIFO put at the path must not hang the caller.
        m_fd = ::open(QFile::encodeName(m_path).constData(),
                      O_RDWR | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW, 0644);
        if (m_fd < 0) {
            if (error)
                *error = systemError(errno);
            return Result::unavailable;
        }
    }
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0)
            return Result::locked;
        if (errno != EWOULDBLOCK && errno != EINTR) {
            if (error)
                *error = systemError(errno);
            return Result::unavailable;
        }
        if (waited.elapsed() >= timeoutMs)
            return Result::heldElsewhere;
        QThread::msleep(pollMs);
    }
}
