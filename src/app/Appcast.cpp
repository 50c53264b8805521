#include "app/Appcast.h"

#include <QXmlStreamReader>

namespace appcast {

namespace {

// The human version wins over the build number when an item has both.
QString preferredVersion(const QString& shortVersion, const QString& version) {
    return shortVersion.isEmpty() ? version : shortVersion;
}

std::optional<Item> readItem(QXmlStreamReader& xml) {
    QString shortVersion;
    QString version;
    QUrl enclosure;
    QUrl link;
    while (xml.readNextStartElement()) {
        const auto name = xml.name();
        if (name == QLatin1String("enclosure")) {
            const QXmlStreamAttributes attributes = xml.attributes();
            enclosure = QUrl(attributes.value(QLatin1String("url")).toString().trimmed());
            for (const QXmlStreamAttribute& attribute : attributes) {
                if (attribute.name() == QLatin1String("shortVersionString"))
                    shortVersion = attribute.value().toString().trimmed();
                else if (attribute.name() == QLatin1String("version"))
                    version = attribute.value().toString().trimmed();
            }
            xml.skipCurrentElement();
        } else if (name == QLatin1String("shortVersionString")) {
            shortVersion = xml.readElementText().trimmed();
        } else if (name == QLatin1String("version")) {
            version = xml.readElementText().trimmed();
        } else if (name == QLatin1String("link")) {
            link = QUrl(xml.readElementText().trimmed());
        } else {
            xml.skipCurrentElement();
        }
    }
    const QString text = preferredVersion(shortVersion, version);
    const QVersionNumber number = QVersionNumber::fromString(text);
    if (number.isNull())
        return std::nullopt;
    return Item{text, number, enclosure.isValid() ? enclosure : link};
}

} // namespace

std::optional<Item> newestItem(const QByteArray& feed) {
    QXmlStreamReader xml(feed);
    std::optional<Item> newest;
    if (!xml.readNextStartElement() || xml.name() != QLatin1String("rss"))
        return std::nullopt;
    while (xml.readNextStartElement()) {
        if (xml.name() != QLatin1String("channel")) {
            xml.skipCurrentElement();
            continue;
        }
        while (xml.readNextStartElement()) {
            if (xml.name() != QLatin1String("item")) {
                xml.skipCurrentElement();
                continue;
            }
            const auto item = readItem(xml);
            if (item && (!newest || item->version > newest->version))
                newest = item;
        }
    }
    if (xml.hasError())
        return std::nullopt;
    return newest;
}

} // namespace appcast
