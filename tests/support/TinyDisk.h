#pragma once

#include <QString>
#include <QTemporaryDir>

// A tmpfs of a few kilobytes mounted for one test, so a full disk can be reached.
// Needs root: `skipReason()` says why it could not be mounted, and the test skips.
class TinyDisk {
public:
    explicit TinyDisk(int kilobytes = 64);
    ~TinyDisk();
    TinyDisk(const TinyDisk&) = delete;
    TinyDisk& operator=(const TinyDisk&) = delete;

    QString skipReason() const { return m_skipReason; }
    QString path() const { return m_dir.path(); }
    // Fills the disk with a file of its own until no more than `freeBytes` are left.
    void fill(qint64 freeBytes = 0);
    qint64 freeBytes() const;
    // Mounts it again read-only: a write is refused even to root.
    bool makeReadOnly();
    // Takes it away, as an unplugged drive: its mount point stays, empty.
    bool unmount();

private:
    QTemporaryDir m_dir;
    QString m_skipReason;
    bool m_mounted = false;
};
