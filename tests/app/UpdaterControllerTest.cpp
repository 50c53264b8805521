#include "app/UpdaterController.h"
#include "app/Appcast.h"
#include "fakes/AlertsFake.h"
#include "fakes/WorkspaceFake.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <gtest/gtest.h>

namespace {

QByteArray feed(const QByteArray& items) {
    return R"(<?xml version="1.0" encoding="utf-8"?>
<rss version="2.0" xmlns:sparkle="http://www.andymatuschak.org/xml-namespaces/sparkle">
<channel><title>Quillbox</title>)" +
           items + "</channel></rss>";
}

// Answers every request with one canned HTTP response.
class FeedServer {
public:
    FeedServer(QByteArray status, QByteArray body) {
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this, status, body] {
            QTcpSocket* socket = m_server.nextPendingConnection();
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket, status, body] {
                socket->readAll();
                socket->write("HTTP/1.1 " + status +
                              "\r\nContent-Length: " + QByteArray::number(body.size()) +
                              "\r\nConnection: close\r\n\r\n" + body);
                socket->disconnectFromHost();
            });
        });
        m_server.listen(QHostAddress::LocalHost);
    }
    QUrl url() const {
        return QUrl(QStringLiteral("http://127.0.0.1:%1/appcast.xml").arg(m_server.serverPort()));
    }

private:
    QTcpServer m_server;
};

struct Check {
    AlertsFake alerts;
    WorkspaceFake workspace;

    void run(const QUrl& url) {
        UpdaterController updater({alerts, workspace, url, QStringLiteral("0.1.0")});
        QSignalSpy finished(&updater, &UpdaterController::checkFinished);
        updater.checkForUpdates();
        if (finished.isEmpty()) {
            ASSERT_TRUE(finished.wait(10000));
        }
    }
};

} // namespace

TEST(Appcast, newestItem_takesTheHighestVersionFromElementsOrEnclosureAttributes) {
    const auto newest = appcast::newestItem(feed(R"(
        <item><title>Old</title><sparkle:version>0.0.9</sparkle:version>
          <enclosure url="https://example.org/old.tar.gz" length="1"/></item>
        <item><title>New</title>
          <enclosure url="https://example.org/quillbox-0.3.0.tar.gz" sparkle:version="42"
                     sparkle:shortVersionString="0.3.0" length="1"/></item>
        <item><title>Middle</title><link>https://example.org/0.2</link>
          <sparkle:shortVersionString>0.2.0</sparkle:shortVersionString></item>)"));
    ASSERT_TRUE(newest);
    EXPECT_EQ(newest->versionText, QStringLiteral("0.3.0"));
    EXPECT_EQ(newest->downloadUrl,
              QUrl(QStringLiteral("https://example.org/quillbox-0.3.0.tar.gz")));
    const auto linked = appcast::newestItem(feed(R"(<item><link>https://example.org/0.2</link>
          <sparkle:shortVersionString>0.2.0</sparkle:shortVersionString></item>)"));
    ASSERT_TRUE(linked);
    EXPECT_EQ(linked->downloadUrl, QUrl(QStringLiteral("https://example.org/0.2")));
}

TEST(Appcast, unreadableFeedsGiveNothing) {
    EXPECT_FALSE(appcast::newestItem("<html><body>Not found</body></html>"));
    EXPECT_FALSE(appcast::newestItem(feed("<item><title>No version</title></item>")));
    EXPECT_FALSE(appcast::newestItem(feed("<item><sparkle:version>1.0")));
    EXPECT_FALSE(appcast::newestItem(QByteArray()));
}

TEST(UpdaterController, withoutAFeedSaysChecksAreNotConfigured) {
    Check check;
    check.run(QUrl());
    ASSERT_EQ(check.alerts.shown.size(), 1);
    EXPECT_EQ(check.alerts.shown[0].messageText,
              QStringLiteral("Update checks are not configured."));
}

TEST(UpdaterController, newerVersionOffersTheDownloadOlderOrSameSaysUpToDate) {
    FeedServer newer("200 OK", feed(R"(<item><enclosure url="https://example.org/q.tar.gz"
        sparkle:shortVersionString="0.2.0"/></item>)"));
    Check offer;
    offer.alerts.answer = 0; // Download
    offer.run(newer.url());
    ASSERT_EQ(offer.alerts.shown.size(), 1);
    EXPECT_EQ(offer.alerts.shown[0].messageText,
              QStringLiteral("A new version of Quillbox is available."));
    EXPECT_EQ(offer.alerts.shown[0].buttons,
              (QStringList{QStringLiteral("Download"), QStringLiteral("Later")}));
    EXPECT_EQ(offer.workspace.openedUrls,
              QList<QUrl>{QUrl(QStringLiteral("https://example.org/q.tar.gz"))});

    FeedServer same("200 OK", feed("<item><sparkle:version>0.1.0</sparkle:version></item>"));
    Check upToDate;
    upToDate.run(same.url());
    ASSERT_EQ(upToDate.alerts.shown.size(), 1);
    EXPECT_EQ(upToDate.alerts.shown[0].messageText, QStringLiteral("You're up to date."));
}

TEST(UpdaterController, feedLinksOtherThanWebLinksAreNotOpened) {
    FeedServer local("200 OK", feed(R"(<item><enclosure url="file:///etc/passwd"
        sparkle:shortVersionString="9.0"/></item>)"));
    Check check;
    check.alerts.answer = 0;
    check.run(local.url());
    EXPECT_TRUE(check.workspace.openedUrls.isEmpty());
}

TEST(UpdaterController, serverErrorsAndUnreadableFeedsAreReported) {
    FeedServer missing("404 Not Found", "nothing here");
    Check failed;
    failed.run(missing.url());
    ASSERT_EQ(failed.alerts.shown.size(), 1);
    EXPECT_EQ(failed.alerts.shown[0].messageText, QStringLiteral("Couldn't check for updates."));

    FeedServer garbage("200 OK", "garbage");
    Check unreadable;
    unreadable.run(garbage.url());
    ASSERT_EQ(unreadable.alerts.shown.size(), 1);
    EXPECT_EQ(unreadable.alerts.shown[0].informativeText,
              QStringLiteral("The update feed could not be read."));
}
