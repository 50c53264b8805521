#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <functional>
#include <memory>
#include <optional>

// Reads the update feed over HTTP. Its implementation, with Qt Network and what that
// links, is a module of its own (FeedDownloadQt), loaded at the first update check.
class FeedDownload {
public:
    // The feed's bytes, or nothing and the reason.
    using Done = std::function<void(std::optional<QByteArray> body, const QString& error)>;

    virtual ~FeedDownload() = default;
    // `done` runs once, from the event loop, unless the download is destroyed first.
    virtual void get(const QUrl& url, int timeoutMs, Done done) = 0;
};

namespace feed_download {

constexpr const char* moduleFileName = "libquillbox-update-check.so";
constexpr const char* createSymbol = "quillbox_new_feed_download";
extern "C" {
using Create = FeedDownload* (*)();
}

// A download from the module in `folder`; null, with the reason in `error`, when the
// module cannot be loaded.
std::unique_ptr<FeedDownload> load(const QString& folder, QString* error);

} // namespace feed_download
