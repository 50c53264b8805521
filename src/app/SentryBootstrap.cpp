#include "app/SentryBootstrap.h"
#include "app/CrashReportingModule.h"
#include "app/ProgramModule.h"
#include "core/SentryConfig.h"

#include <QFile>
#include <QStandardPaths>
#include <cstdio>

namespace {

CrashReportingClose closeReporting = nullptr;

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
    // The SDK and libcurl load only here: a start without an endpoint never pays for them.
    namespace module = crash_reporting_module;
    const QString folder = program_module::folder();
    QString error;
    const auto start = reinterpret_cast<CrashReportingStart>(
        program_module::entryPoint(folder, module::fileName, module::startSymbol, &error));
    const auto close = reinterpret_cast<CrashReportingClose>(
        program_module::entryPoint(folder, module::fileName, module::closeSymbol, &error));
    if (!start || !close) {
        std::fprintf(stderr, "Quillbox: crash reporting is off: %s\n", qPrintable(error));
        return;
    }
    const QByteArray dsnText = dsn->toUtf8();
    const QByteArray databasePath = QFile::encodeName(*database);
    const std::optional<bool> debug =
        sentry_config::environmentFlag(qEnvironmentVariable("SENTRY_DEBUG"));
    const CrashReportingOptions options{dsnText.constData(), "quillbox@" QUILLBOX_VERSION,
                                        debug ? (*debug ? 1 : 0) : -1, databasePath.constData()};
    if (start(&options) == 0)
        closeReporting = close;
}

void SentryBootstrap::close() {
    if (closeReporting) {
        closeReporting();
        closeReporting = nullptr;
    }
}
