#pragma once

#include <QObject>
#include <QUrl>
#include <functional>
#include <memory>
#include <optional>

class Alerts;
class FeedDownload;
class Workspace;

// Software updates: "Check for Updates…" reads the update feed compiled into the
// program, compares the newest version with this one and says the result in an alert.
class UpdaterController : public QObject {
    Q_OBJECT
public:
    struct Collaborators {
        Alerts& alerts;
        Workspace& workspace;
        QUrl feedUrl; // empty: update checks are not configured
        QString currentVersion;
        // Makes the download that reads the feed, at the first check; null with the reason
        // when it cannot. None: the program's update-check module.
        std::function<std::unique_ptr<FeedDownload>(QString* error)> makeDownload = {};
    };

    explicit UpdaterController(Collaborators collaborators, QObject* parent = nullptr);
    ~UpdaterController() override;

    // Checks run only when the user asks, so starting keeps no timer and opens no
    // connection.
    void startUpdater() { m_started = true; }
    bool isStarted() const { return m_started; }

    void checkForUpdates();

Q_SIGNALS:
    // After the result of a check was shown.
    void checkFinished();

private:
    void finishCheck(const std::optional<QByteArray>& feed, const QString& error);
    void say(const QString& message, const QString& informative);

    Collaborators m_collaborators;
    bool m_started = false;
    std::unique_ptr<FeedDownload> m_download;
    bool m_checking = false;
};
