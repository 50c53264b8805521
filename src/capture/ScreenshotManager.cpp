#include "capture/ScreenshotManager.h"

#include "core/Shared.h"
#include "core/library/HistoryManager.h"
#include "platform/Alerts.h"
#include "platform/ScreenRecordingPermission.h"
#include "platform/SoundPlayer.h"
#include "platform/Workspace.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <memory>

ScreenshotManager::ScreenshotManager(Collaborators collaborators, QObject* parent)
    : QObject(parent)
    , m_collaborators(std::move(collaborators)) {}

ScreenshotManager& ScreenshotManager::shared() {
    return Shared<ScreenshotManager>::get();
}

void ScreenshotManager::installShared(ScreenshotManager* instance) {
    Shared<ScreenshotManager>::install(instance);
}

QString ScreenshotManager::defaultCaptureToolURL() {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/quillbox-capture");
}

QStringList ScreenshotManager::arguments(ScreenshotKind kind, const QString& outputPath) {
    switch (kind) {
    case ScreenshotKind::area:
        return {QStringLiteral("-i"), QStringLiteral("-s"), QStringLiteral("-x"), outputPath};
    case ScreenshotKind::window:
        return {QStringLiteral("-i"), QStringLiteral("-w"), QStringLiteral("-x"),
                QStringLiteral("-o"), outputPath};
    case ScreenshotKind::fullScreen:
    case ScreenshotKind::scrolling:
        break;
    }
    return {QStringLiteral("-x"), outputPath};
}

void ScreenshotManager::capture(ScreenshotKind kind,
                                const std::function<void()>& onPopoverShouldHide) {
    if (onPopoverShouldHide)
        onPopoverShouldHide();
    // No old thumbnail may show up in the new capture, nor the hole it leaves.
    const QPointer<ScreenshotManager> self(this);
    m_collaborators.hideThumbnail([self, kind] {
        if (self)
            self->startCapture(kind);
    });
}

void ScreenshotManager::startCapture(ScreenshotKind kind) {
    if (!requestPermissionIfNeeded())
        return;
    const HistoryManager::ReservedFile reserved = m_collaborators.history.newFileURL();
    runCapture(arguments(kind, reserved.path),
               [this, reserved, kind] { finishCapture(reserved.path, reserved.fileName, kind); });
}

void ScreenshotManager::runCapture(const QStringList& arguments, std::function<void()> done) {
    // One process per capture: several may run at once, each with its own name.
    auto* process = new QProcess(this);
    process->setProgram(m_collaborators.captureToolURL);
    process->setArguments(arguments);
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // The exit status is never read: the file alone decides. `finished` does not come when
    // the tool cannot be started, so that error ends the capture too; the flag keeps the
    // end from running twice.
    auto ended = std::make_shared<bool>(false);
    auto end = [process, ended, done = std::move(done)] {
        if (*ended)
            return;
        *ended = true;
        process->deleteLater();
        done();
    };
    connect(process, &QProcess::finished, this, end);
    connect(process, &QProcess::errorOccurred, this, [end](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            end();
    });
    process->start();
}

void ScreenshotManager::finishCapture(const QString& path, const QString& fileName,
                                      ScreenshotKind kind) {
    HistoryManager& history = m_collaborators.history;
    const QFileInfo file(path);
    if (!file.isFile() || file.size() < 1) {
        // Cancelled, or nothing usable written: no trace, no message, no sound.
        QFile::remove(path);
        history.releaseReservedFileName(fileName);
        Q_EMIT captureFinished(false);
        return;
    }
    history.add(fileName, kind);
    m_collaborators.sound.playCaptureSound();
    if (!history.screenshots().isEmpty())
        m_collaborators.showThumbnail(history.screenshots().first());
    Q_EMIT captureFinished(true);
}

bool ScreenshotManager::requestPermissionIfNeeded() {
    ScreenRecordingPermission& permission = m_collaborators.permission;
    if (permission.preflight())
        return true;
    permission.touchScreen();
    permission.request();
    permission.probeShareableContent();
    if (permission.preflight())
        return true;
    const int choice = m_collaborators.alerts.run(
        {QStringLiteral("Enable Screen Recording for Quillbox"),
         QStringLiteral("Quillbox has been added to System Settings → Privacy & Security → "
                        "Screen & System Audio Recording. Flip the Quillbox toggle on, then "
                        "relaunch."),
         {QStringLiteral("Open System Settings"), QStringLiteral("Cancel")}});
    if (choice == 0)
        openScreenRecordingSettings();
    return false;
}

void ScreenshotManager::openScreenRecordingSettings() {
    const QUrl url = m_collaborators.permission.settingsUrl();
    if (url.isValid())
        m_collaborators.workspace.openUrl(url);
}

bool ScreenshotManager::hasScreenRecordingPermission() const {
    return m_collaborators.permission.preflight();
}
