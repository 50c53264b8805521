#pragma once

#include <QObject>
#include <QPointer>
#include <QUrl>

class Alerts;
class QNetworkAccessManager;
class QNetworkReply;
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
    void finishCheck(QNetworkReply* reply);
    void say(const QString& message, const QString& informative);

    Collaborators m_collaborators;
    bool m_started = false;
    QNetworkAccessManager* m_network = nullptr;
    QPointer<QNetworkReply> m_running;
};
