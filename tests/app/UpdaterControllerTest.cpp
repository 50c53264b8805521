#include "app/UpdaterController.h"
#include "LoopbackHttpServer.h"
#include "app/Appcast.h"
#include "app/FeedDownload.h"
#include "fakes/AlertsFake.h"
#include "fakes/WorkspaceFake.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

QByteArray feed(const QByteArray& items) {
    return R"(<?xml version="1.0" encoding="utf-8"?>
<rss version="2.0" xmlns:sparkle="http://www.andymatuschak.org/xml-namespaces/sparkle">
<channel><title>Quillbox</title>)" +
           items + "</channel></rss>";
}

// Checks once against a server answering `status` and `body` (no feed at all when `status`
// is empty), reading it through the update-check module in `modules`, and chooses button
// `answer`; the alert's message, or "" unless exactly one.
QString check(const QByteArray& status, const QByteArray& body, int answer = 1,
              QList<QUrl>* opened = nullptr,
              const QString& modules = QStringLiteral(QUILLBOX_MODULE_DIR)) {
    AlertsFake alerts;
    WorkspaceFake workspace;
    alerts.answer = answer;
    std::optional<LoopbackHttpServer> server;
    if (!status.isEmpty())
        server.emplace(status, body);
    UpdaterController updater(
        {alerts, workspace,
         server ? QUrl(QStringLiteral("http://127.0.0.1:%1/appcast.xml").arg(server->port()))
                : QUrl(),
         QStringLiteral("0.1.0"),
         [&modules](QString* error) { return feed_download::load(modules, error); }});
    QSignalSpy finished(&updater, &UpdaterController::checkFinished);
    updater.checkForUpdates();
    EXPECT_TRUE(!finished.isEmpty() || finished.wait(10000));
    if (opened)
        *opened = workspace.openedUrls;
    return alerts.shown.size() == 1 ? alerts.shown[0].messageText : QString();
}

QByteArray item(const QByteArray& version, const QByteArray& url = "https://example.org/q.tar.gz") {
    return feed(R"(<item><enclosure url=")" + url + R"(" sparkle:shortVersionString=")" + version +
                R"("/></item>)");
}

} // namespace

TEST(Appcast, newestItem_takesTheHighestVersionFromElementsOrEnclosureAttributesOrNothing) {
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
    // Unreadable feeds give nothing.
    EXPECT_FALSE(appcast::newestItem("<html><body>Not found</body></html>"));
    EXPECT_FALSE(appcast::newestItem(feed("<item><title>No version</title></item>")));
    EXPECT_FALSE(appcast::newestItem(feed("<item><sparkle:version>1.0")));
    EXPECT_FALSE(appcast::newestItem(QByteArray()));
}

TEST(UpdaterController, eachOutcomeIsOneAlertAndOnlyANewerWebDownloadIsOpened) {
    const QString upToDate = QStringLiteral("You're up to date.");
    EXPECT_EQ(check({}, {}), QStringLiteral("Update checks are not configured."));
    EXPECT_EQ(check("404 Not Found", "nothing here"),
              QStringLiteral("Couldn't check for updates."));
    EXPECT_EQ(check("200 OK", "garbage"), QStringLiteral("Couldn't check for updates."));
    EXPECT_EQ(check("200 OK", item("0.2.0"), 0, nullptr, QStringLiteral("/nonexistent")),
              QStringLiteral("Couldn't check for updates."));
    // The same version written with more or fewer trailing zeros is no newer one.
    for (const char* same : {"0.1.0", "0.1", "0.1.0.0"})
        EXPECT_EQ(check("200 OK", item(same)), upToDate) << same;

    QList<QUrl> opened;
    EXPECT_EQ(check("200 OK", item("0.2.0"), 0, &opened),
              QStringLiteral("A new version of Quillbox is available."));
    EXPECT_EQ(opened, QList<QUrl>{QUrl(QStringLiteral("https://example.org/q.tar.gz"))});
    check("200 OK", item("0.2.0"), 1, &opened); // Later
    EXPECT_TRUE(opened.isEmpty());
    check("200 OK", item("9.0", "file:///etc/passwd"), 0, &opened);
    EXPECT_TRUE(opened.isEmpty());
}
