#pragma once

#include "core/library/Screenshot.h"
#include "core/library/StorageChangeResult.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <functional>

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
    };

    struct ReservedFile {
        QString path;     // storage folder joined with the name
        QString fileName; // the reserved name
    };

    static constexpr const char* storageDirectoryKey = "storageDirectoryPath";

    explicit HistoryManager(Collaborators collaborators, QObject* parent = nullptr);

    static HistoryManager& shared();
    static void installShared(HistoryManager* instance);

    const QList<Screenshot>& screenshots() const { return m_screenshots; }
    const QString& storageDirectory() const { return m_storageDirectory; }
    const QString& metadataURL() const { return m_metadataURL; }
    QString defaultStorageDirectory() const;
    bool isUsingDefaultStorageDirectory() const;

    // Where a capture's file lives: the storage folder joined with its name.
    QString fileURL(const Screenshot& screenshot) const;

    ReservedFile newFileURL();
    void add(const QString& fileName, ScreenshotKind kind);
    void releaseReservedFileName(const QString& fileName);
    // `delete` in the library's vocabulary; the word is taken in C++.
    void deleteScreenshot(const Screenshot& screenshot);
    void clearAll();

    void revealInFinder(const Screenshot& screenshot);
    void openInPreview(const Screenshot& screenshot);
    void copyToClipboard(const Screenshot& screenshot);

    StorageChangeResult setStorageDirectory(const QString& path, bool migrate);
    StorageChangeResult resetStorageDirectoryToDefault();

    // Tells observers that images changed without the list changing (the editor's Save).
    void sendChangeNotice();

Q_SIGNALS:
    void screenshotsChanged();
    void storageDirectoryChanged();

private:
    void load();
    void save();
    void setScreenshots(QList<Screenshot> screenshots);
    void keepUnreadableHistory();

    Collaborators m_collaborators;
    QList<Screenshot> m_screenshots;
    QString m_storageDirectory;
    QString m_metadataURL;
    QSet<QString> m_reservedFileNames;
    // A history file that could not be read is kept aside before the first save.
    bool m_historyNeedsKeeping = false;
};
