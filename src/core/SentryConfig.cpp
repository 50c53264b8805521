#include "core/SentryConfig.h"

#include <QDir>

namespace sentry_config {

std::optional<QString> configuredDSN(QStringView compiledIn, QStringView environment) {
    for (QStringView source : {compiledIn, environment}) {
        const QStringView trimmed = source.trimmed();
        if (!trimmed.isEmpty()) {
            return trimmed.toString();
        }
    }
    return std::nullopt;
}

std::optional<bool> environmentFlag(QStringView value) {
    const QString word = value.trimmed().toString().toLower();
    for (const char* yes : {"1", "true", "yes", "on"}) {
        if (word == QLatin1String(yes)) {
            return true;
        }
    }
    for (const char* no : {"0", "false", "no", "off"}) {
        if (word == QLatin1String(no)) {
            return false;
        }
    }
    return std::nullopt;
}

std::optional<QString> databasePath(const QString& cacheFolder) {
    if (cacheFolder.isEmpty() || !QDir::isAbsolutePath(cacheFolder)) {
        return std::nullopt;
    }
    return QDir::cleanPath(cacheFolder + QStringLiteral("/Quillbox/crash-reports"));
}

} // namespace sentry_config
