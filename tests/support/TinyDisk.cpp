#include "TinyDisk.h"

#include <QByteArray>
#include <QFile>
#include <cerrno>
#include <cstring>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

TinyDisk::TinyDisk(int kilobytes) {
    if (::geteuid() != 0) {
        m_skipReason = QStringLiteral("mounting a tiny tmpfs needs root");
        return;
    }
    const QByteArray options = "size=" + QByteArray::number(kilobytes) + 'k';
    if (::mount("tmpfs", QFile::encodeName(m_dir.path()).constData(), "tmpfs", 0,
                options.constData()) != 0) {
        m_skipReason =
            QStringLiteral("cannot mount a tmpfs: ") + QString::fromLocal8Bit(std::strerror(errno));
        return;
    }
    m_mounted = true;
}

TinyDisk::~TinyDisk() {
    if (m_mounted)
        ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH);
}

qint64 TinyDisk::freeBytes() const {
    struct statvfs info {};
    if (::statvfs(QFile::encodeName(m_dir.path()).constData(), &info) != 0)
        return -1;
    return static_cast<qint64>(info.f_bavail) * static_cast<qint64>(info.f_frsize);
}

void TinyDisk::fill(qint64 freeBytes) {
    QFile filler(m_dir.path() + QStringLiteral("/.filler"));
    filler.open(QIODevice::Append);
    const QByteArray block(1024, 'x');
    while (this->freeBytes() > freeBytes && filler.write(block) == block.size() && filler.flush()) {
    }
}

bool TinyDisk::makeReadOnly() {
    return m_mounted && ::mount("tmpfs", QFile::encodeName(m_dir.path()).constData(), "tmpfs",
                                MS_REMOUNT | MS_RDONLY, nullptr) == 0;
}

bool TinyDisk::unmount() {
    if (!m_mounted || ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH) != 0)
        return false;
    m_mounted = false;
    return true;
}
