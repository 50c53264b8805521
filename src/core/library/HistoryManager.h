#pragma once

#include "core/library/Screenshot.h"
#include "core/library/StorageChangeResult.h"

#include <QDateTime>
#include <QFile>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <functional>
#include <memory>

class Pasteboard;
class SystemLog;
class UserDefaults;
class Workspace;

// The screenshot library: the captures (newest first), the folder holding their
// PNG files and the history file that keeps the list between runs. GUI thread only.
class HistoryManager : public QObject {
    Q_OBJECT
public:
    struct Collaborators {
        UserDefaults& defaults;
        Workspace& workspace;
        Pasteboard& pasteboard;
        SystemLog& log;
        // The user's Application Support folder (the XDG data folder here).
        QString applicationSupportDirectory;
        // Clock for file names and timestamps; tests pin it.
        std::function<QDateTime()> now = [] { return QDateTime::currentDateTime(); };
        // Tells the user of a problem they must know about (the storage folder is gone,
        // the history cannot be saved): a message and the details. Also logged.
        std::function<void(const QString& message, const QString& details)> reportProblem =
            [](const QString&, const QString&) {};
    };

    struct ReservedFile {
        QString path;     // storage folder joined with the name
        QString fileName; // the reserved name
    };

    static constexpr const char* storageDirectoryKey = "storageDirectoryPath";

    explicit HistoryManager(Collaborators collaborators, QObject* parent = nullptr);

    const QList<Screenshot>& screenshots() const { return m_screenshots; }
    const QString& storageDirectory() const { return m_storageDirectory; }
    const QString& metadataURL() const { return m_metadataURL; }
    QString defaultStorageDirectory() const;
    bool isUsingDefaultStorageDirectory() const;

    // Where a capture's file lives: the storage folder joined with its name.
    QString fileURL(const Screenshot& screenshot) const;

    // Whether a new capture can be filed in the storage folder: empty when it can, else
    // what to tell the user. Our default folder is created again when it has gone; a
    // folder the user chose never is (it may be a drive that is not mounted).
    QString prepareStorageDirectory();
    // A stored folder as a full path: "~" and a relative path are taken from the home
    // folder, never from the working directory.
    static QString resolvedPath(const QString& path);

    ReservedFile newFileURL();
    // False when the history file could not be saved (the user has been told); the entry
    // is in the library for this run either way.
    bool add(const QString& fileName, ScreenshotKind kind);
    void releaseReservedFileName(const QString& fileName);
    // `delete` in the library's vocabulary; the word is taken in C++.
    void deleteScreenshot(const Screenshot& screenshot);
    void clearAll();

    void revealInFinder(const Screenshot& screenshot);
    void openInPreview(const Screenshot& screenshot);
    void copyToClipboard(const Screenshot& screenshot);

    StorageChangeResult setStorageDirectory(const QString& path, bool migrate);
    StorageChangeResult resetStorageDirectoryToDefault();

Q_SIGNALS:
    void screenshotsChanged();
    void storageDirectoryChanged();

private:
    void load();
    bool save();
    bool writeHistory(QString* error);
    void mergeChangesOnDisk();
    void rememberDiskState(std::unique_ptr<QFile> file, const QList<Screenshot>& onDisk);
    void setScreenshots(QList<Screenshot> screenshots);
    void keepUnreadableHistory();
    void report(const QString& message, const QString& details);

    Collaborators m_collaborators;
    QList<Screenshot> m_screenshots;
    QString m_storageDirectory;
    QString m_metadataURL;
    QSet<QString> m_reservedFileNames;
    // A history file that could not be read is kept aside before the first save.
    bool m_historyNeedsKeeping = false;
    // The history file as this instance last read or wrote it: another instance sharing
    // the folder may have written it since, and its records must not be lost.
    std::unique_ptr<QFile> m_diskFile;
    QString m_diskStamp;
    QSet<QUuid> m_idsOnDisk;
    // A failed save is told once, not at every capture, until a save works again.
    QString m_lastSaveError;
};
