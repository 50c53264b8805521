#include "capture/ScreenshotManager.h"

#include "core/library/HistoryManager.h"
#include "core/services/Alerts.h"
#include "core/services/ScreenRecordingPermission.h"
#include "core/services/SoundPlayer.h"
#include "core/services/Workspace.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <csignal>
#include <cstdio>
#include <memory>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

// The tool's own messages start so; anything else on its error output (a toolkit's
// warnings) is no failure.
constexpr QLatin1StringView toolPrefix("quillbox-capture: ");

// The last thing the tool said about a failure, without its name; empty when it said
// nothing of its own (a cancelled selection).
QString toolFailure(const QByteArray& errorOutput) {
    const QStringList lines = QString::fromLocal8Bit(errorOutput).split(u'\n', Qt::SkipEmptyParts);
    for (auto line = lines.crbegin(); line != lines.crend(); ++line)
        if (line->startsWith(toolPrefix))
            return line->mid(toolPrefix.size());
    return {};
}

} // namespace

ScreenshotManager::ScreenshotManager(Collaborators collaborators, QObject* parent)
    : QObject(parent)
    , m_collaborators(std::move(collaborators)) {}

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
    // A folder on a drive that is not mounted is never created in its place.
    if (const auto problem = m_collaborators.history.prepareStorageDirectory()) {
        reportFailure(problem->message, problem->details);
        return;
    }
    const HistoryManager::ReservedFile reserved = m_collaborators.history.newFileURL();
    runCapture(arguments(kind, reserved.path), [this, reserved, kind](const ToolResult& result) {
        finishCapture(reserved.path, reserved.fileName, kind, result);
    });
}

void ScreenshotManager::runCapture(const QStringList& arguments,
                                   std::function<void(const ToolResult&)> done) {
    // One process per capture: several may run at once, each with its own name.
    auto* process = new QProcess(this);
    process->setProgram(m_collaborators.captureToolURL);
    process->setArguments(arguments);
    process->setStandardOutputFile(QProcess::nullDevice());
    // A tool whose program has gone ends too, writing nothing that no history would list.
    const pid_t parent = ::getpid();
    process->setChildProcessModifier([parent] {
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent)
            ::_exit(1);
    });
    // The exit status is never read: the file decides, and what the tool said explains a
    // failure. `finished` does not come when the tool cannot be started, so that error
    // ends the capture too; the flag keeps the end from running twice.
    auto ended = std::make_shared<bool>(false);
    auto end = [process, ended, done = std::move(done)](const ToolResult& result) {
        if (*ended)
            return;
        *ended = true;
        process->deleteLater();
        done(result);
    };
    connect(process, &QProcess::finished, this, [process, end] {
        const QByteArray said = process->readAllStandardError();
        std::fputs(said.constData(), stderr); // the tool's own log lines stay in ours
        end({toolFailure(said)});
    });
    connect(process, &QProcess::errorOccurred, this, [process, end](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            end({process->program() + QStringLiteral(": ") + process->errorString(), false});
    });
    process->start();
}

void ScreenshotManager::finishCapture(const QString& path, const QString& fileName,
                                      ScreenshotKind kind, const ToolResult& result) {
    HistoryManager& history = m_collaborators.history;
    const QFileInfo file(path);
    if (!file.isFile() || file.size() < 1) {
        // Cancelled: no trace, no message, no sound. A tool that could not write says so.
        QFile::remove(path);
        history.releaseReservedFileName(fileName);
        if (!result.started) {
            reportFailure(QStringLiteral("The capture tool could not be started."), result.failure);
        } else if (!result.failure.isEmpty()) {
            QString reason = result.failure;
            const QString about = QStringLiteral("cannot write ") + path + QStringLiteral(": ");
            if (reason.startsWith(about))
                reason = reason.mid(about.size());
            reportFailure(QStringLiteral("The capture could not be saved."),
                          QStringLiteral("Quillbox could not save it in the screenshots folder ") +
                              file.absolutePath() + QStringLiteral(": ") + reason +
                              QLatin1Char('.'));
        }
        Q_EMIT captureFinished(false);
        return;
    }
    // A capture the history cannot keep has been told about already: no success sound.
    std::optional<Screenshot> filed;
    if (history.add(fileName, kind, &filed))
        m_collaborators.sound.playCaptureSound();
    if (filed)
        m_collaborators.showThumbnail(*filed);
    Q_EMIT captureFinished(filed.has_value());
}

void ScreenshotManager::reportFailure(const QString& message, const QString& details) {
    std::fprintf(stderr, "Quillbox: %s %s\n", qPrintable(message), qPrintable(details));
    m_collaborators.alerts.run({message, details, {QStringLiteral("OK")}});
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
    // A desktop with a page for the permission gets a button that opens it; an X11
    // server either shows its screen or it does not.
    const bool hasSettingsPage = permission.settingsUrl().isValid();
    const int choice = m_collaborators.alerts.run(
        {QStringLiteral("Quillbox cannot read the screen"),
         QStringLiteral("The display server refused to show its contents, so nothing can be "
                        "captured. Quillbox needs an X11 session: log in to one (not Wayland) "
                        "and start Quillbox again."),
         hasSettingsPage ? QStringList{QStringLiteral("Open Settings"), QStringLiteral("Cancel")}
                         : QStringList{QStringLiteral("OK")}});
    if (hasSettingsPage && choice == 0)
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
