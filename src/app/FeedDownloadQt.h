#pragma once

#include "app/FeedDownload.h"

#include <QNetworkAccessManager>

// The feed read with Qt Network, safe redirects only. Built into the update-check module.
class FeedDownloadQt : public FeedDownload {
public:
    void get(const QUrl& url, int timeoutMs, Done done) override;

private:
    // Takes the replies with it: a download destroyed mid-way calls nothing back.
    QNetworkAccessManager m_network;
};
