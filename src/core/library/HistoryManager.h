#pragma once

#include "core/library/Screenshot.h"
#include "core/library/StorageChangeResult.h"
#include "core/library/StorageFolder.h"

#include <QDateTime>
#include <QFile>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

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
        QString path;     // where the capture writes its file
        QString fileName; // the name it is filed under, unless taken by then
    };

    // Why no capture can be filed now, in the words of an alert.
    struct StorageProblem {
        QString message;
        QString details;
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

    // Whether a new capture can be filed in the storage folder: nothing when it can, else
    // what to tell the user. Our default folder is created again when it has gone; a
    // folder the user chose never is (it may be a drive that is not mounted), and no
    // capture goes to a folder that is not the one the records were filed in.
    std::optional<StorageProblem> prepareStorageDirectory();
    // A stored folder as a full path: "~" and a relative path are taken from the home
    // folder, never from the working directory.
    static QString resolvedPath(const QString& path);

    // A name free in this instance and on the disk, and a hidden file beside it for the
    // capture to write.
    ReservedFile newFileURL();
    // Puts the written file in place under the reserved name, or the next free one when
    // another Quillbox filing into the same folder took it meanwhile, and files the entry
    // (first in the list; also in `filed`). False when the user has been told of a failure:
    // the history could not be saved (the entry is in the library for this run) or the file
    // could not be put in place (no entry).
    bool add(const QString& fileName, ScreenshotKind kind,
             std::optional<Screenshot>* filed = nullptr);
    void releaseReservedFileName(const QString& fileName);
    // `delete` in the library's vocabulary; the word is taken in C++.
    void deleteScreenshot(const Screenshot& screenshot);
    void clearAll();

    void revealInFinder(const Screenshot& screenshot);
    void openInPreview(const Screenshot& screenshot);
    // Reads and checks the file off the GUI thread, then puts it on the clipboard; `done`
    // is told, while `context` lives, whether it was copied. An unreadable file copies
    // nothing.
    void copyToClipboard(const Screenshot& screenshot, QObject* context = nullptr,
                         std::function<void(bool copied)> done = {});

    StorageChangeResult setStorageDirectory(const QString& path, bool migrate);
    StorageChangeResult resetStorageDirectoryToDefault();

Q_SIGNALS:
    void screenshotsChanged();
    void storageDirectoryChanged();

private:
    void load();
    // Whether the storage folder is the one `records` were filed in.
    storage_folder::State folderState(const QList<Screenshot>& records);
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
    // Reserved names, each with the hidden file its capture writes.
    QHash<QString, QString> m_reservedFileNames;
    // A history file that could not be read is kept aside before the first save; why it
    // could not be read.
    bool m_historyNeedsKeeping = false;
    QString m_unreadableReason;
    // The history file as this instance last read or wrote it: another instance sharing
    // the folder may have written it since, and its records must not be lost.
    std::unique_ptr<QFile> m_diskFile;
    QString m_diskStamp;
    QSet<QUuid> m_idsOnDisk;
    // A failed save is told once, not at every capture, until a save works again.
    QString m_lastSaveError;
};
