#pragma once

#include "core/library/ScreenshotKind.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

class Alerts;
class HistoryManager;
class ScreenRecordingPermission;
class SoundPlayer;
class ThumbnailPreviewController;
class Workspace;

// Area, window and full-screen captures through the capture tool, filed in the library;
// also the one place that checks and asks for the screen-reading permission.
// GUI thread only.
class ScreenshotManager : public QObject {
    Q_OBJECT
public:
    struct Collaborators {
        HistoryManager& history;
        ThumbnailPreviewController& thumbnail;
        ScreenRecordingPermission& permission;
        SoundPlayer& sound;
        Alerts& alerts;
        Workspace& workspace;
        // The capture tool's executable.
        QString captureToolURL;
    };

    explicit ScreenshotManager(Collaborators collaborators, QObject* parent = nullptr);

    static ScreenshotManager& shared();
    static void installShared(ScreenshotManager* instance);

    // quillbox-capture beside the running executable.
    static QString defaultCaptureToolURL();

    const QString& captureToolURL() const { return m_collaborators.captureToolURL; }

    // Starts one capture and returns at once; it finishes when the tool has ended.
    void capture(ScreenshotKind kind, const std::function<void()>& onPopoverShouldHide = {});
    // True when the screen may be read, after asking if needed; false after the alert.
    bool requestPermissionIfNeeded();
    void openScreenRecordingSettings();
    // Never prompts, never shows anything.
    bool hasScreenRecordingPermission() const;

Q_SIGNALS:
    // A capture's tool has ended and its result was filed (true) or dropped (false).
    void captureFinished(bool filed);

private:
    static QStringList arguments(ScreenshotKind kind, const QString& outputPath);
    void runCapture(const QStringList& arguments, std::function<void()> done);
    void finishCapture(const QString& path, const QString& fileName, ScreenshotKind kind);

    Collaborators m_collaborators;
};
