#include "core/library/HistoryManager.h"

#include "core/io/AtomicFile.h"
#include "core/io/FileLock.h"
#include "core/library/HistoryCoding.h"
#include "core/services/Pasteboard.h"
#include "core/services/SystemLog.h"
#include "core/services/UserDefaults.h"
#include "core/services/Workspace.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <filesystem>
#include <memory>
#include <sys/stat.h>
#include <system_error>

namespace {

bool itemExists(const QString& path) {
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

QString standardized(const QString& path) {
    return QDir::cleanPath(QDir(path).absolutePath());
}

QString joined(const QString& folder, const QString& name) {
    if (folder.endsWith(QLatin1Char('/')))
        return folder + name;
    return folder + QLatin1Char('/') + name;
}

// Far above any real history (a million records is about 140 MB): anything larger is
// not ours, and reading it would only eat memory.
constexpr qint64 largestHistoryBytes = qint64(256) << 20;
// Another instance holds the lock only while it writes the file.
constexpr int lockTimeoutMs = 10000;
QString stampOf(const struct stat& info) {
    return QString::number(info.st_dev) + QLatin1Char(':') + QString::number(info.st_ino) +
           QLatin1Char(':') + QString::number(info.st_size) + QLatin1Char(':') +
           QString::number(info.st_mtim.tv_sec) + QLatin1Char('.') +
           QString::number(info.st_mtim.tv_nsec) + QLatin1Char(':') +
           QString::number(info.st_ctim.tv_sec) + QLatin1Char('.') +
           QString::number(info.st_ctim.tv_nsec);
}

// Which file the path names now, and in what state: a save by another instance (a new
// file renamed into place) changes it.
QString diskStamp(const QString& path) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return {};
    return stampOf(info);
}

// The state of the very file that was opened, whatever the path names by now.
QString diskStamp(const QFile& file) {
    struct stat info {};
    if (::fstat(file.handle(), &info) != 0)
        return {};
    return stampOf(info);
}

// The records of the history file; nothing when it is not a readable history (a FIFO, a
// device, a file far too large, bad JSON), `error` then says why. `opened` is left holding
// the file that was read.
std::optional<QList<Screenshot>> readHistory(const QString& path, std::unique_ptr<QFile>& opened,
                                             QString* error) {
    const QFileInfo info(path);
    if (!info.isFile()) {
        *error = QStringLiteral("it is not a regular file");
        return std::nullopt;
    }
    if (info.size() > largestHistoryBytes) {
        *error = QStringLiteral("it is larger than any history");
        return std::nullopt;
    }
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::ReadOnly)) {
        *error = file->errorString();
        return std::nullopt;
    }
    // Into a buffer of the file's size: QIODevice::read(n) would set n bytes aside at once
    // (a quarter of a gigabyte here), whatever the file holds.
    QByteArray bytes;
    qsizetype want = qMin(file->size(), largestHistoryBytes) + 1;
    for (;;) {
        const qsizetype start = bytes.size();
        bytes.resize(start + want);
        const qint64 got = file->read(bytes.data() + start, want);
        bytes.resize(start + qMax<qint64>(got, 0));
        // A short read is the end of the file (or an error); a full one may not be, when
        // the file grew since it was measured.
        if (got < want || bytes.size() > largestHistoryBytes)
            break;
        want = qMin<qint64>(qint64(1) << 20, largestHistoryBytes + 1 - bytes.size());
    }
    if (file->error() != QFileDevice::NoError) {
        *error = file->errorString();
        return std::nullopt;
    }
    if (bytes.size() > largestHistoryBytes) {
        *error = QStringLiteral("it is larger than any history");
        return std::nullopt;
    }
    auto decoded = history_coding::decode(bytes, error);
    if (decoded)
        opened = std::move(file);
    return decoded;
}

bool isAvailableFolder(const QString& path) {
    const QFileInfo folder(path);
    return folder.isDir() && folder.isReadable() && folder.isExecutable();
}

QString notAvailable(const QString& folder) {
    return QStringLiteral("The screenshots folder ") + folder +
           QStringLiteral(" is not available.");
}

} // namespace

HistoryManager::HistoryManager(Collaborators collaborators, QObject* parent)
    : QObject(parent)
    , m_collaborators(std::move(collaborators))
    , m_metadataURL(joined(m_collaborators.applicationSupportDirectory,
                           QStringLiteral("Quillbox/history.json"))) {
    const QString stored =
        m_collaborators.defaults.value(QLatin1String(storageDirectoryKey)).toString();
    m_storageDirectory = stored.isEmpty() ? defaultStorageDirectory() : resolvedPath(stored);
    if (isUsingDefaultStorageDirectory())
        QDir().mkpath(m_storageDirectory);
    load();
}

QString HistoryManager::defaultStorageDirectory() const {
    return joined(m_collaborators.applicationSupportDirectory,
                  QStringLiteral("Quillbox/screenshots"));
}

bool HistoryManager::isUsingDefaultStorageDirectory() const {
    return standardized(m_storageDirectory) == standardized(defaultStorageDirectory());
}

QString HistoryManager::resolvedPath(const QString& path) {
    QString full = path;
    if (full == u"~" || full.startsWith(QLatin1String("~/")))
        full = QDir::homePath() + full.mid(1);
    if (QDir::isRelativePath(full))
        full = joined(QDir::homePath(), full);
    return QDir::cleanPath(full);
}

QString HistoryManager::prepareStorageDirectory() {
    if (isUsingDefaultStorageDirectory())
        QDir().mkpath(m_storageDirectory);
    if (!isAvailableFolder(m_storageDirectory))
        return notAvailable(m_storageDirectory);
    return {};
}

QString HistoryManager::fileURL(const Screenshot& screenshot) const {
    return joined(m_storageDirectory, screenshot.fileName());
}

HistoryManager::ReservedFile HistoryManager::newFileURL() {
    const QString stem = QStringLiteral("Quillbox ") +
                         m_collaborators.now().toString(QStringLiteral("yyyy-MM-dd 'at' HH.mm.ss"));
    QString candidate = stem + QStringLiteral(".png");
    for (int n = 2; m_reservedFileNames.contains(candidate) ||
                    itemExists(joined(m_storageDirectory, candidate));
         ++n) {
        candidate = stem + QStringLiteral(" (") + QString::number(n) + QStringLiteral(").png");
    }
    m_reservedFileNames.insert(candidate);
    return {joined(m_storageDirectory, candidate), candidate};
}

bool HistoryManager::add(const QString& fileName, ScreenshotKind kind) {
    m_reservedFileNames.remove(fileName);
    QList<Screenshot> screenshots = m_screenshots;
    screenshots.prepend(Screenshot(QUuid::createUuid(), fileName,
                                   Screenshot::timestampFrom(m_collaborators.now()), kind));
    setScreenshots(std::move(screenshots));
    return save();
}

void HistoryManager::releaseReservedFileName(const QString& fileName) {
    m_reservedFileNames.remove(fileName);
}

void HistoryManager::deleteScreenshot(const Screenshot& screenshot) {
    QFile::remove(fileURL(screenshot));
    QList<Screenshot> screenshots = m_screenshots;
    screenshots.removeIf([&](const Screenshot& s) { return s.id() == screenshot.id(); });
    setScreenshots(std::move(screenshots));
    save();
}

void HistoryManager::clearAll() {
    for (const Screenshot& screenshot : std::as_const(m_screenshots))
        QFile::remove(fileURL(screenshot));
    setScreenshots({});
    save();
}

void HistoryManager::revealInFinder(const Screenshot& screenshot) {
    m_collaborators.workspace.reveal(fileURL(screenshot));
}

void HistoryManager::openInPreview(const Screenshot& screenshot) {
    m_collaborators.workspace.open(fileURL(screenshot));
}

void HistoryManager::copyToClipboard(const Screenshot& screenshot) {
    QFile file(fileURL(screenshot));
    if (!file.open(QIODevice::ReadOnly))
        return;
    QByteArray bytes = file.readAll();
    QImage image;
    if (!image.loadFromData(bytes))
        return;
    // The file's own bytes when it is a PNG already: a paste then costs no encoding.
    if (!bytes.startsWith("\x89PNG\r\n\x1a\n")) {
        bytes.clear();
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
    }
    m_collaborators.pasteboard.write({{QStringLiteral("image/png"), bytes}});
}

StorageChangeResult HistoryManager::setStorageDirectory(const QString& chosen, bool migrate) {
    const QString path = resolvedPath(chosen);
    if (standardized(path) == standardized(m_storageDirectory))
        return {};

    std::error_code error;
    std::filesystem::create_directories(path.toStdString(), error);
    if (error)
        return {false, 0, 0, QString::fromStdString(error.message())};

    QFile probe(joined(path, QStringLiteral(".quillbox.write-test")));
    if (!probe.open(QIODevice::WriteOnly))
        return {false, 0, 0, QStringLiteral("Cannot write to that folder: ") + probe.errorString()};
    probe.close();
    probe.remove();

    StorageChangeResult result;
    if (migrate) {
        for (const Screenshot& screenshot : std::as_const(m_screenshots)) {
            const QString source = fileURL(screenshot);
            const QString destination = joined(path, screenshot.fileName());
            if (!itemExists(source))
                continue;
            if (itemExists(destination)) {
                ++result.moved;
                continue;
            }
            QFile file(source);
            if (file.rename(destination)) {
                ++result.moved;
            } else {
                ++result.failed;
                m_collaborators.log.write(QStringLiteral("Quillbox: migration failed for ") +
                                          screenshot.fileName() + QStringLiteral(": ") +
                                          file.errorString());
            }
        }
    }

    m_storageDirectory = path;
    Q_EMIT storageDirectoryChanged();
    m_collaborators.defaults.setValue(QLatin1String(storageDirectoryKey), path);
    save();
    return result;
}

StorageChangeResult HistoryManager::resetStorageDirectoryToDefault() {
    return setStorageDirectory(defaultStorageDirectory(), true);
}

void HistoryManager::load() {
    const QFileInfo info(m_metadataURL);
    if (!info.exists() && !info.isSymLink())
        return; // a first run
    QString error;
    std::unique_ptr<QFile> file;
    const auto decoded = readHistory(m_metadataURL, file, &error);
    if (!decoded) {
        m_historyNeedsKeeping = true;
        m_collaborators.log.write(QStringLiteral("Quillbox: history file is unreadable (") + error +
                                  QStringLiteral("); starting with an empty library"));
        return;
    }
    rememberDiskState(std::move(file), *decoded);
    // A folder that is not there (a drive not mounted, a network folder down) or that holds
    // none of the captures (another drive mounted there) says nothing about the captures:
    // every record is kept until it is back.
    QList<Screenshot> kept;
    kept.reserve(decoded->size());
    const bool folderThere = isAvailableFolder(m_storageDirectory);
    if (folderThere) {
        for (const Screenshot& screenshot : *decoded) {
            if (itemExists(fileURL(screenshot)))
                kept.append(screenshot);
        }
    }
    if (kept.isEmpty() && !decoded->isEmpty()) {
        setScreenshots(*decoded);
        const QString count =
            QString::number(decoded->size()) +
            (decoded->size() == 1 ? QStringLiteral(" capture") : QStringLiteral(" captures"));
        report(notAvailable(m_storageDirectory),
               folderThere ? QStringLiteral("It holds none of the ") + count +
                                 QStringLiteral(" in the history; they stay listed until the "
                                                "folder that holds them is back.")
                           : QStringLiteral("The ") + count +
                                 QStringLiteral(" in the history stay listed until it is back."));
        return;
    }
    const bool dropped = kept.size() != decoded->size();
    setScreenshots(std::move(kept));
    if (dropped)
        save();
}

void HistoryManager::keepUnreadableHistory() {
    if (!itemExists(m_metadataURL)) {
        m_historyNeedsKeeping = false;
        return;
    }
    const QString base = m_metadataURL + QStringLiteral(".unreadable-") +
                         m_collaborators.now().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString target = base;
    for (int n = 2; itemExists(target); ++n)
        target = base + QLatin1Char('-') + QString::number(n);
    if (QFile::rename(m_metadataURL, target)) {
        m_historyNeedsKeeping = false;
        m_collaborators.log.write(QStringLiteral("Quillbox: kept the unreadable history file as ") +
                                  target);
    }
}

bool HistoryManager::save() {
    QString error;
    if (writeHistory(&error)) {
        m_lastSaveError.clear();
        return true;
    }
    if (error != m_lastSaveError) {
        m_lastSaveError = error;
        report(QStringLiteral("The history could not be saved."),
               QStringLiteral("Quillbox could not write ") + m_metadataURL + QStringLiteral(": ") +
                   error +
                   QStringLiteral(". Captures taken now are listed only until Quillbox quits."));
    }
    return false;
}

bool HistoryManager::writeHistory(QString* error) {
    const QString folder = QFileInfo(m_metadataURL).absolutePath();
    QDir().mkpath(folder);
    // Another instance (on another display, same home folder) files into the same
    // history: the read-modify-write runs under a lock beside the file.
    FileLock lock(m_metadataURL + QStringLiteral(".lock"));
    if (lock.lock(lockTimeoutMs) == FileLock::Result::heldElsewhere) {
        *error = QStringLiteral("another Quillbox kept the history locked");
        return false;
    }
    // A lock that cannot even be created (a full disk, a read-only folder) is no reason to
    // stop: the write below fails too, and says why.
    if (m_historyNeedsKeeping) {
        keepUnreadableHistory();
        if (m_historyNeedsKeeping) {
            // Never write over a history we could not set aside.
            *error = QStringLiteral("the unreadable history file could not be set aside");
            return false;
        }
    } else if (diskStamp(m_metadataURL) != m_diskStamp) {
        mergeChangesOnDisk();
    }
    if (!atomic_file::write(history_coding::encode(m_screenshots), m_metadataURL, error))
        return false;
    // Still under the lock: the file the path names is the one just written.
    auto written = std::make_unique<QFile>(m_metadataURL);
    if (!written->open(QIODevice::ReadOnly))
        written.reset();
    rememberDiskState(std::move(written), m_screenshots);
    return true;
}

void HistoryManager::mergeChangesOnDisk() {
    QString error;
    std::unique_ptr<QFile> file;
    const auto onDisk = readHistory(m_metadataURL, file, &error);
    if (!onDisk) {
        if (itemExists(m_metadataURL)) {
            m_historyNeedsKeeping = true;
            keepUnreadableHistory();
        }
        return;
    }
    // Ours since the last read or write: what we added goes first, what we deleted stays
    // away; everything else is the file's, with what the other instance added or deleted.
    QSet<QUuid> ours;
    for (const Screenshot& screenshot : std::as_const(m_screenshots))
        ours.insert(screenshot.id());
    QList<Screenshot> merged;
    for (const Screenshot& screenshot : std::as_const(m_screenshots))
        if (!m_idsOnDisk.contains(screenshot.id()))
            merged.append(screenshot);
    for (const Screenshot& screenshot : *onDisk)
        if (ours.contains(screenshot.id()) || !m_idsOnDisk.contains(screenshot.id()))
            merged.append(screenshot);
    rememberDiskState(std::move(file), *onDisk);
    if (merged != m_screenshots)
        setScreenshots(std::move(merged));
}

void HistoryManager::rememberDiskState(std::unique_ptr<QFile> file,
                                       const QList<Screenshot>& onDisk) {
    // Taken from the open file, not the path: another instance may have replaced the
    // file since it was read. Keeping it open keeps its inode from being given to a later
    // file, which could otherwise look unchanged (same size, same coarse timestamp).
    m_diskFile = std::move(file);
    m_diskStamp = m_diskFile ? diskStamp(*m_diskFile) : QString();
    m_idsOnDisk.clear();
    for (const Screenshot& screenshot : onDisk)
        m_idsOnDisk.insert(screenshot.id());
}

void HistoryManager::report(const QString& message, const QString& details) {
    m_collaborators.log.write(QStringLiteral("Quillbox: ") + message + QLatin1Char(' ') + details);
    if (m_collaborators.reportProblem)
        m_collaborators.reportProblem(message, details);
}

void HistoryManager::setScreenshots(QList<Screenshot> screenshots) {
    m_screenshots = std::move(screenshots);
    Q_EMIT screenshotsChanged();
}
