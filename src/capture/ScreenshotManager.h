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
class Screenshot;
class Workspace;

// Area, window and full-screen captures through the capture tool, filed in the library;
// also the one place that checks and asks for the screen-reading permission.
// GUI thread only.
class ScreenshotManager : public QObject {
    Q_OBJECT
public:
    struct Collaborators {
        HistoryManager& history;
        ScreenRecordingPermission& permission;
        SoundPlayer& sound;
        Alerts& alerts;
        Workspace& workspace;
        // The capture tool's executable.
        QString captureToolURL;
        // The thumbnail card: no old card may show in a new capture, and a filed capture
        // shows its own. Hiding calls back once the card is off the screen and what lay
        // under it shows again.
        std::function<void(std::function<void()> then)> hideThumbnail =
            [](const std::function<void()>& then) { then(); };
        std::function<void(const Screenshot&)> showThumbnail = [](const Screenshot&) {};
    };

    explicit ScreenshotManager(Collaborators collaborators, QObject* parent = nullptr);

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
    // How the tool ended: `failure` is what it said when it could not write (empty when
    // it wrote its file, or the user cancelled).
    struct ToolResult {
        QString failure;
        bool started = true;
    };

    static QStringList arguments(ScreenshotKind kind, const QString& outputPath);
    void startCapture(ScreenshotKind kind);
    void runCapture(const QStringList& arguments, std::function<void(const ToolResult&)> done);
    void finishCapture(const QString& path, const QString& fileName, ScreenshotKind kind,
                       const ToolResult& result);
    void reportFailure(const QString& message, const QString& details);

    Collaborators m_collaborators;
};
