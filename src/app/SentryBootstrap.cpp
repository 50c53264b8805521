#include "app/SentryBootstrap.h"
#include "core/SentryConfig.h"

#include <QFile>
#include <QStandardPaths>
#include <sentry.h>

namespace {

bool started = false;

} // namespace

void SentryBootstrap::start() {
    const std::optional<QString> dsn = sentry_config::configuredDSN(
        QStringLiteral(QUILLBOX_SENTRY_DSN), qEnvironmentVariable("SENTRY_DSN"));
    if (!dsn) {
        return;
    }
    const std::optional<QString> database = sentry_config::databasePath(
        QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation));
    if (!database) {
        return;
    }
    sentry_options_t* options = sentry_options_new();
    sentry_options_set_dsn(options, dsn->toUtf8().constData());
    sentry_options_set_release(options, "quillbox@" QUILLBOX_VERSION);
    if (const std::optional<bool> debug =
            sentry_config::environmentFlag(qEnvironmentVariable("SENTRY_DEBUG"))) {
        sentry_options_set_debug(options, *debug ? 1 : 0);
    }
    sentry_options_set_database_path(options, QFile::encodeName(*database).constData());
    // The inproc backend handles the fatal signals, SIGABRT from std::terminate among them.
    started = sentry_init(options) == 0;
}

void SentryBootstrap::close() {
    if (started) {
        sentry_close();
        started = false;
    }
}
