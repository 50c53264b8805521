#include "app/FeedDownloadQt.h"

#include <QNetworkReply>
#include <QNetworkRequest>
#include <type_traits>

void FeedDownloadQt::get(const QUrl& url, int timeoutMs, Done done) {
    QNetworkRequest request(url);
    request.setTransferTimeout(timeoutMs);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    QNetworkReply* reply = m_network.get(request);
    QObject::connect(reply, &QNetworkReply::finished, &m_network, [reply, done = std::move(done)] {
        reply->deleteLater();
        if (reply->error() != QNetworkReply::NoError)
            done(std::nullopt, reply->errorString());
        else
            done(reply->readAll(), QString());
    });
}

extern "C" [[gnu::visibility("default")]] FeedDownload* quillbox_new_feed_download() {
    return new FeedDownloadQt;
}

static_assert(std::is_same_v<decltype(&quillbox_new_feed_download), feed_download::Create>);
