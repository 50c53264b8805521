#pragma once

#include <QString>

// An exclusive lock on a file beside the data it guards, shared by every process that
// opens the same path. The kernel lets go of it when its holder ends, however it ends, so
// an instance killed while it held the lock never leaves the others waiting.
class FileLock {
public:
    explicit FileLock(const QString& path);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    enum class Result { locked, heldElsewhere, unavailable };
    // Waits up to `timeoutMs` for another holder. `unavailable`: the lock file cannot be
    // opened or created (a read-only or full folder), `error` says why.
    Result lock(int timeoutMs, QString* error = nullptr);

private:
    QString m_path;
    int m_fd = -1;
};
