#include "app/UpdaterController.h"

#include "app/Appcast.h"
#include "app/FeedDownload.h"
#include "app/ProgramModule.h"
#include "core/services/Alerts.h"
#include "core/services/Workspace.h"

namespace {
constexpr int feedTimeoutMs = 15000;
}

UpdaterController::UpdaterController(Collaborators collaborators, QObject* parent)
    : QObject(parent)
    , m_collaborators(std::move(collaborators)) {}

UpdaterController::~UpdaterController() = default;

void UpdaterController::checkForUpdates() {
    if (m_collaborators.feedUrl.isEmpty()) {
        say(QStringLiteral("Update checks are not configured."),
            QStringLiteral("This build of Quillbox has no update feed."));
        return;
    }
    if (m_checking) // the user asked twice; one answer is enough
        return;
    if (!m_download) {
        QString error;
        m_download = m_collaborators.makeDownload
                         ? m_collaborators.makeDownload(&error)
                         : feed_download::load(program_module::folder(), &error);
        if (!m_download) {
            say(QStringLiteral("Couldn't check for updates."), error);
            return;
        }
    }
    m_checking = true;
    m_download->get(m_collaborators.feedUrl, feedTimeoutMs,
                    [this](std::optional<QByteArray> feed, const QString& error) {
                        m_checking = false;
                        finishCheck(feed, error);
                    });
}

void UpdaterController::finishCheck(const std::optional<QByteArray>& feed, const QString& error) {
    if (!feed) {
        say(QStringLiteral("Couldn't check for updates."), error);
        return;
    }
    const auto newest = appcast::newestItem(*feed);
    if (!newest) {
        say(QStringLiteral("Couldn't check for updates."),
            QStringLiteral("The update feed could not be read."));
        return;
    }
    // Normalised: "0.1", "0.1.0" and "0.1.0.0" are one version.
    const QVersionNumber current =
        QVersionNumber::fromString(m_collaborators.currentVersion).normalized();
    if (newest->version.normalized() <= current) {
        say(QStringLiteral("You're up to date."),
            QStringLiteral("Quillbox %1 is the newest version available.")
                .arg(m_collaborators.currentVersion));
        return;
    }
    const int choice =
        m_collaborators.alerts.run({QStringLiteral("A new version of Quillbox is available."),
                                    QStringLiteral("Quillbox %1 is available; you have %2.")
                                        .arg(newest->versionText, m_collaborators.currentVersion),
                                    {QStringLiteral("Download"), QStringLiteral("Later")}});
    // The feed is remote input: only web links are handed to the desktop.
    const QString scheme = newest->downloadUrl.scheme();
    const bool webLink = scheme == QLatin1String("https") || scheme == QLatin1String("http");
    if (choice == 0 && webLink)
        m_collaborators.workspace.openUrl(newest->downloadUrl);
    Q_EMIT checkFinished();
}

void UpdaterController::say(const QString& message, const QString& informative) {
    m_collaborators.alerts.run({message, informative, {QStringLiteral("OK")}});
    Q_EMIT checkFinished();
}
