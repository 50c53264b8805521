#include "core/library/HistoryCoding.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QLocale>
#include <QRegularExpression>

namespace history_coding {
namespace {

// QJsonObject sorts its keys, and going through it costs more than the whole
// write; the file keeps the record's own key order, so records are written by hand.
void appendJsonString(QByteArray& out, const QString& text) {
    static constexpr char hex[] = "0123456789abcdef";
    out += '"';
    for (char c : text.toUtf8()) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (byte < 0x20) {
                out += "\\u00";
                out += hex[byte >> 4];
                out += hex[byte & 0xf];
            } else {
                out += c;
            }
        }
    }
    out += '"';
}

bool isCanonicalUuid(const QString& text) {
    static const QRegularExpression pattern(QStringLiteral(
        "^[0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12}$"));
    return pattern.match(text).hasMatch();
}

std::optional<Screenshot> decodeRecord(const QJsonValue& value, QString* error) {
    auto fail = [error](const QString& why) {
        if (error)
            *error = why;
        return std::nullopt;
    };
    if (!value.isObject())
        return fail(QStringLiteral("a record is not an object"));
    const QJsonObject object = value.toObject();
    const QJsonValue id = object.value(QLatin1String("id"));
    const QJsonValue fileName = object.value(QLatin1String("fileName"));
    const QJsonValue timestamp = object.value(QLatin1String("timestamp"));
    const QJsonValue kind = object.value(QLatin1String("kind"));
    if (!id.isString() || !isCanonicalUuid(id.toString()))
        return fail(QStringLiteral("\"id\" is missing or not a UUID"));
    if (!fileName.isString() || !isPlainFileName(fileName.toString()))
        return fail(QStringLiteral("\"fileName\" is missing or not a plain file name"));
    if (!timestamp.isDouble())
        return fail(QStringLiteral("\"timestamp\" is missing or not a number"));
    if (!kind.isString())
        return fail(QStringLiteral("\"kind\" is missing or not a string"));
    const auto screenshotKind = screenshot_kind::fromRawValue(kind.toString());
    if (!screenshotKind)
        return fail(QStringLiteral("\"kind\" is not a known kind"));
    return Screenshot(QUuid::fromString(id.toString()), fileName.toString(), timestamp.toDouble(),
                      *screenshotKind);
}

} // namespace

QByteArray encode(const QList<Screenshot>& screenshots) {
    QByteArray out;
    out.reserve(screenshots.size() * 140 + 2);
    out += '[';
    for (qsizetype i = 0; i < screenshots.size(); ++i) {
        const Screenshot& s = screenshots.at(i);
        if (i > 0)
            out += ',';
        out += "{\"id\":\"";
        out += s.id().toString(QUuid::WithoutBraces).toUpper().toLatin1();
        out += "\",\"fileName\":";
        appendJsonString(out, s.fileName());
        out += ",\"timestamp\":";
        out += QByteArray::number(s.timestamp(), 'g', QLocale::FloatingPointShortest);
        out += ",\"kind\":\"";
        out += screenshot_kind::rawValue(s.kind()).toLatin1();
        out += "\"}";
    }
    out += ']';
    return out;
}

std::optional<QList<Screenshot>> decode(const QByteArray& json, QString* error) {
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        if (error)
            *error = parseError.errorString();
        return std::nullopt;
    }
    if (!document.isArray()) {
        if (error)
            *error = QStringLiteral("the history is not an array");
        return std::nullopt;
    }
    const QJsonArray array = document.array();
    QList<Screenshot> screenshots;
    screenshots.reserve(array.size());
    for (const QJsonValue& value : array) {
        auto screenshot = decodeRecord(value, error);
        if (!screenshot)
            return std::nullopt;
        screenshots.append(*screenshot);
    }
    return screenshots;
}

bool isPlainFileName(const QString& fileName) {
    return !fileName.isEmpty() && fileName != QLatin1String(".") &&
           fileName != QLatin1String("..") && !fileName.contains(QLatin1Char('/')) &&
           !fileName.contains(QChar(u'\0'));
}

} // namespace history_coding
