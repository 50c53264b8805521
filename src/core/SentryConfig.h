#pragma once

#include <QString>
#include <QStringView>
#include <optional>

// The decisions behind starting crash reporting, apart from the SDK that applies them.
namespace sentry_config {

// The reporting endpoint: the build's value when it is not blank once trimmed, else the
// environment's (SENTRY_DSN), trimmed the same way; nothing when both are blank.
std::optional<QString> configuredDSN(QStringView compiledIn, QStringView environment);

// A switch read from the environment: "1", "true", "yes", "on" and "0", "false", "no",
// "off" in any case, with surrounding white space; anything else (or unset) is no value.
std::optional<bool> environmentFlag(QStringView value);

// Where the SDK keeps its reports: <cache>/Quillbox/crash-reports. Nothing when the cache
// folder is not absolute, since the SDK would then write below the working directory.
std::optional<QString> databasePath(const QString& cacheFolder);

} // namespace sentry_config
