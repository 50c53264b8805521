#include "core/library/HistoryManager.h"

#include "core/image/CaptureFile.h"
#include "core/io/AtomicFile.h"
#include "core/io/Background.h"
#include "core/io/FileLock.h"
#include "core/io/PlaceFile.h"
#include "core/library/HistoryCoding.h"
#include "core/library/HistoryFile.h"
#include "core/library/StorageFolder.h"
#include "core/library/StorageMigration.h"
#include "core/services/Pasteboard.h"
#include "core/services/SystemLog.h"
#include "core/services/UserDefaults.h"
#include "core/services/Workspace.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <algorithm>
#include <memory>
#include <unistd.h>

namespace {

bool itemExists(const QString& path) {
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

QString standardized(const QString& path) {
    return QDir::cleanPath(QDir(path).absolutePath());
}

using place_file::joined;

// Another instance holds the lock only while it writes the file.
constexpr int lockTimeoutMs = 10000;

QString notAvailable(const QString& folder) {
    return QStringLiteral("The screenshots folder ") + folder +
           QStringLiteral(" is not available.");
}

QString captures(qsizetype count) {
    return QString::number(count) +
           (count == 1 ? QStringLiteral(" capture") : QStringLiteral(" captures"));
}

// A stored folder that is a path: text, without control characters or undecodable bytes.
bool isPathText(const QVariant& stored) {
    if (stored.typeId() != QMetaType::QString)
        return false;
    const QString text = stored.toString();
    return std::none_of(text.cbegin(), text.cend(), [](QChar c) {
        return c.unicode() < 0x20 || c.unicode() == 0x7f || c == QChar::ReplacementCharacter;
    });
}

} // namespace

HistoryManager::HistoryManager(Collaborators collaborators, QObject* parent)
    : QObject(parent)
    , m_collaborators(std::move(collaborators))
    , m_metadataURL(joined(m_collaborators.applicationSupportDirectory,
                           QStringLiteral("Quillbox/history.json"))) {
    const QVariant stored = m_collaborators.defaults.value(QLatin1String(storageDirectoryKey));
    const bool junk = stored.isValid() && !isPathText(stored);
    const QString path = junk ? QString() : stored.toString();
    m_storageDirectory = path.isEmpty() ? defaultStorageDirectory() : resolvedPath(path);
    if (isUsingDefaultStorageDirectory())
        QDir().mkpath(m_storageDirectory);
    if (junk) {
        m_collaborators.defaults.remove(QLatin1String(storageDirectoryKey));
        report(QStringLiteral("The screenshots folder setting could not be read."),
               QStringLiteral("It does not hold a folder's path. Quillbox uses the default "
                              "folder ") +
                   m_storageDirectory + QStringLiteral(" until another one is chosen."));
    }
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

std::optional<HistoryManager::StorageProblem> HistoryManager::prepareStorageDirectory() {
    const QString nothing = QStringLiteral("Nothing was captured. ");
    if (isUsingDefaultStorageDirectory()) {
        if (const QString why = storage_folder::create(m_storageDirectory); !why.isEmpty())
            return StorageProblem{QStringLiteral("The screenshots folder ") + m_storageDirectory +
                                      QStringLiteral(" cannot be created: ") + why +
                                      QLatin1Char('.'),
                                  nothing + QStringLiteral("Choose another folder in Settings.")};
    }
    if (folderState(m_screenshots) != storage_folder::State::present)
        return StorageProblem{notAvailable(m_storageDirectory),
                              nothing + QStringLiteral("Captures are saved again once the folder "
                                                       "is back, or after another folder is "
                                                       "chosen.")};
    if (const QString why = storage_folder::whyNotWritable(m_storageDirectory); !why.isEmpty())
        return StorageProblem{QStringLiteral("The screenshots folder ") + m_storageDirectory +
                                  QStringLiteral(" cannot be written: ") + why + QLatin1Char('.'),
                              nothing + QStringLiteral("Choose another folder in Settings.")};
    return std::nullopt;
}

storage_folder::State HistoryManager::folderState(const QList<Screenshot>& records) {
    return storage_folder::state(
        m_collaborators.defaults, m_storageDirectory, isUsingDefaultStorageDirectory(),
        [this, &records] {
            return records.isEmpty() ||
                   std::any_of(records.cbegin(), records.cend(),
                               [this](const Screenshot& s) { return itemExists(fileURL(s)); });
        });
}

QString HistoryManager::fileURL(const Screenshot& screenshot) const {
    return joined(m_storageDirectory, screenshot.fileName());
}

HistoryManager::ReservedFile HistoryManager::newFileURL() {
    const QString stem = QStringLiteral("Quillbox ") +
                         m_collaborators.now().toString(QStringLiteral("yyyy-MM-dd 'at' HH.mm.ss"));
    const QString first = stem + QStringLiteral(".png");
    QString candidate;
    for (int n = 1;; ++n) {
        candidate = storage_migration::numberedName(first, n);
        if (!m_reservedFileNames.contains(candidate) &&
            !itemExists(joined(m_storageDirectory, candidate)))
            break;
    }
    // Written beside its name, hidden, and put in place when it is filed: another Quillbox
    // filing into the same folder may have taken the name meanwhile.
    const QString path =
        joined(m_storageDirectory, QLatin1Char('.') + candidate + QLatin1Char('.') +
                                       QString::number(::getpid()) + QStringLiteral(".part"));
    m_reservedFileNames.insert(candidate, path);
    return {path, candidate};
}

bool HistoryManager::add(const QString& fileName, ScreenshotKind kind,
                         std::optional<Screenshot>* filed) {
    const QString written = m_reservedFileNames.take(fileName);
    QString name = fileName;
    // Never over a file that is there: the next free name when it is taken.
    if (!written.isEmpty() && itemExists(written)) {
        // The n-th of the numbered names that no other capture of ours waits for.
        const auto nameFor = [this, &fileName](int n) {
            QString candidate;
            for (int i = 1, free = 0; free < n; ++i) {
                candidate = storage_migration::numberedName(fileName, i);
                free += m_reservedFileNames.contains(candidate) ? 0 : 1;
            }
            return candidate;
        };
        const QString error = place_file::place(written, m_storageDirectory, nameFor,
                                                place_file::Source::remove, &name);
        if (!error.isEmpty()) {
            report(QStringLiteral("The capture could not be saved."),
                   QStringLiteral("Quillbox could not put it in the screenshots folder ") +
                       m_storageDirectory + QStringLiteral(": ") + error +
                       QStringLiteral(". It is kept as ") + written + QLatin1Char('.'));
            return false;
        }
    }
    const Screenshot entry(QUuid::createUuid(), name,
                           Screenshot::timestampFrom(m_collaborators.now()), kind);
    if (filed)
        *filed = entry;
    QList<Screenshot> screenshots = m_screenshots;
    screenshots.prepend(entry);
    setScreenshots(std::move(screenshots));
    return save();
}

void HistoryManager::releaseReservedFileName(const QString& fileName) {
    const QString written = m_reservedFileNames.take(fileName);
    if (!written.isEmpty())
        QFile::remove(written);
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

void HistoryManager::copyToClipboard(const Screenshot& screenshot, QObject* context,
                                     std::function<void(bool copied)> done) {
    const QString path = fileURL(screenshot);
    QPointer<QObject> receiver(context);
    background::run<std::optional<QByteArray>>(
        background::readers(), background::waitedFor,
        [path] { return capture_file::pngForPasteboard(path); }, this,
        [this, receiver, done = std::move(done)](const std::optional<QByteArray>& png) {
            if (png)
                m_collaborators.pasteboard.write({{QStringLiteral("image/png"), *png}});
            if (done && receiver)
                done(png.has_value());
        });
}

StorageChangeResult HistoryManager::setStorageDirectory(const QString& chosen, bool migrate) {
    const QString path = resolvedPath(chosen);
    if (standardized(path) == standardized(m_storageDirectory)) {
        // Chosen again: taken as the records' folder from now on, whatever it holds.
        storage_folder::remember(m_collaborators.defaults, m_storageDirectory);
        return {};
    }

    if (const QString why = storage_folder::create(path); !why.isEmpty())
        return {false, 0, 0, why};

    QFile probe(joined(path, QStringLiteral(".quillbox.write-test")));
    if (!probe.open(QIODevice::WriteOnly))
        return {false, 0, 0, QStringLiteral("Cannot write to that folder: ") + probe.errorString()};
    probe.close();
    probe.remove();

    StorageChangeResult result;
    const QString identity = storage_folder::identity(path);
    // The same folder by another path (a link to it) holds every capture already.
    if (migrate && identity != storage_folder::identity(m_storageDirectory)) {
        const storage_migration::Outcome outcome =
            storage_migration::migrate(m_screenshots, m_storageDirectory, path);
        if (outcome.failedFile) {
            m_collaborators.log.write(QStringLiteral("Quillbox: migration failed for ") +
                                      *outcome.failedFile + QStringLiteral(": ") + outcome.reason);
            return {false, 0, 1,
                    *outcome.failedFile + QStringLiteral(" could not be copied: ") +
                        outcome.reason + QStringLiteral(". Every screenshot stays in ") +
                        m_storageDirectory + QLatin1Char('.')};
        }
        result.moved = outcome.moved;
        if (!outcome.renamed.isEmpty()) {
            QList<Screenshot> screenshots = m_screenshots;
            for (Screenshot& screenshot : screenshots) {
                if (const auto name = outcome.renamed.constFind(screenshot.id());
                    name != outcome.renamed.cend())
                    screenshot = Screenshot(screenshot.id(), *name, screenshot.timestamp(),
                                            screenshot.kind());
            }
            setScreenshots(std::move(screenshots));
        }
    }

    m_storageDirectory = path;
    Q_EMIT storageDirectoryChanged();
    m_collaborators.defaults.setValue(QLatin1String(storageDirectoryKey), path);
    storage_folder::remember(m_collaborators.defaults, m_storageDirectory);
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
    const auto decoded = history_file::read(m_metadataURL, file, &error);
    if (!decoded) {
        m_historyNeedsKeeping = true;
        m_unreadableReason = error;
        m_collaborators.log.write(QStringLiteral("Quillbox: history file is unreadable (") + error +
                                  QStringLiteral("); starting with an empty library"));
        return;
    }
    rememberDiskState(std::move(file), *decoded);
    // A folder that is not there (a drive not mounted, a network folder down), or that is
    // not the one the records were filed in (an empty mount point, another drive), says
    // nothing about the captures: every record is kept until it is back.
    const storage_folder::State state = folderState(*decoded);
    if (state != storage_folder::State::present) {
        setScreenshots(*decoded);
        if (!decoded->isEmpty())
            report(notAvailable(m_storageDirectory),
                   (state == storage_folder::State::away
                        ? QStringLiteral("It holds none of the ") + captures(decoded->size()) +
                              QStringLiteral(" in the history; they stay listed until the "
                                             "folder that holds them is back. If they were "
                                             "deleted, choose the folder again in Settings.")
                        : QStringLiteral("The ") + captures(decoded->size()) +
                              QStringLiteral(" in the history stay listed until it is back.")));
        return;
    }
    QList<Screenshot> kept;
    kept.reserve(decoded->size());
    for (const Screenshot& screenshot : *decoded) {
        if (itemExists(fileURL(screenshot)))
            kept.append(screenshot);
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
        report(QStringLiteral("The history could not be read."),
               QStringLiteral("Quillbox kept it as ") + target + QStringLiteral(" (") +
                   m_unreadableReason + QStringLiteral(") and started a new one."));
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
    } else if (history_file::stamp(m_metadataURL) != m_diskStamp) {
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
    const auto onDisk = history_file::read(m_metadataURL, file, &error);
    if (!onDisk) {
        if (itemExists(m_metadataURL)) {
            m_historyNeedsKeeping = true;
            m_unreadableReason = error;
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
    m_diskStamp = m_diskFile ? history_file::stamp(*m_diskFile) : QString();
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
