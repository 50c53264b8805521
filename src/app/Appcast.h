#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <QVersionNumber>
#include <optional>

// An update feed: RSS whose items carry a version (an element or an attribute of the
// enclosure named "shortVersionString" or "version", in any namespace) and an enclosure.
namespace appcast {

struct Item {
    QString versionText;
    QVersionNumber version;
    QUrl downloadUrl; // the enclosure, else the item's link
};

// The item with the highest version; nothing when the feed is not readable RSS or no
// item has a version.
std::optional<Item> newestItem(const QByteArray& feed);

} // namespace appcast
