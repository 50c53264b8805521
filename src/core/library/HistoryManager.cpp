#include "core/library/HistoryManager.h"

#include "core/Shared.h"
#include "core/library/HistoryCoding.h"
#include "platform/Pasteboard.h"
#include "platform/SystemLog.h"
#include "platform/UserDefaults.h"
#include "platform/Workspace.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QSaveFile>
#include <filesystem>
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

} // namespace

HistoryManager::HistoryManager(Collaborators collaborators, QObject* parent)
    : QObject(parent)
    , m_collaborators(std::move(collaborators))
    , m_metadataURL(joined(m_collaborators.applicationSupportDirectory,
                           QStringLiteral("Quillbox/history.json"))) {
    const QString stored =
        m_collaborators.defaults.value(QLatin1String(storageDirectoryKey)).toString();
    m_storageDirectory = stored.isEmpty() ? defaultStorageDirectory() : stored;
    QDir().mkpath(m_storageDirectory);
    load();
}

HistoryManager& HistoryManager::shared() {
    return Shared<HistoryManager>::get();
}

void HistoryManager::installShared(HistoryManager* instance) {
    Shared<HistoryManager>::install(instance);
}

QString HistoryManager::defaultStorageDirectory() const {
    return joined(m_collaborators.applicationSupportDirectory,
                  QStringLiteral("Quillbox/screenshots"));
}

bool HistoryManager::isUsingDefaultStorageDirectory() const {
    return standardized(m_storageDirectory) == standardized(defaultStorageDirectory());
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

void HistoryManager::add(const QString& fileName, ScreenshotKind kind) {
    m_reservedFileNames.remove(fileName);
    QList<Screenshot> screenshots = m_screenshots;
    screenshots.prepend(Screenshot(QUuid::createUuid(), fileName,
                                   Screenshot::timestampFrom(m_collaborators.now()), kind));
    setScreenshots(std::move(screenshots));
    save();
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

StorageChangeResult HistoryManager::setStorageDirectory(const QString& path, bool migrate) {
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

void HistoryManager::sendChangeNotice() {
    Q_EMIT screenshotsChanged();
}

void HistoryManager::load() {
    QFile file(m_metadataURL);
    if (!file.open(QIODevice::ReadOnly)) {
        m_historyNeedsKeeping = file.exists();
        return;
    }
    QString error;
    const auto decoded = history_coding::decode(file.readAll(), &error);
    if (!decoded) {
        m_historyNeedsKeeping = true;
        m_collaborators.log.write(QStringLiteral("Quillbox: history file is unreadable (") + error +
                                  QStringLiteral("); starting with an empty library"));
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
    if (!QFile::exists(m_metadataURL)) {
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

void HistoryManager::save() {
    QDir().mkpath(QFileInfo(m_metadataURL).absolutePath());
    if (m_historyNeedsKeeping) {
        keepUnreadableHistory();
        if (m_historyNeedsKeeping)
            return; // never write over a history we could not set aside
    }
    QSaveFile file(m_metadataURL);
    if (!file.open(QIODevice::WriteOnly))
        return;
    file.write(history_coding::encode(m_screenshots));
    file.commit();
}

void HistoryManager::setScreenshots(QList<Screenshot> screenshots) {
    m_screenshots = std::move(screenshots);
    Q_EMIT screenshotsChanged();
}
