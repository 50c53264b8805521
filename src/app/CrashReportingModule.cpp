#include "app/CrashReportingModule.h"

#include <sentry.h>
#include <type_traits>

extern "C" [[gnu::visibility("default")]] int
quillbox_crash_reporting_start(const CrashReportingOptions* given) {
    sentry_options_t* options = sentry_options_new();
    sentry_options_set_dsn(options, given->dsn);
    sentry_options_set_release(options, given->release);
    if (given->debug >= 0)
        sentry_options_set_debug(options, given->debug);
    sentry_options_set_database_path(options, given->databasePath);
    // The inproc backend handles the fatal signals, SIGABRT from std::terminate among them.
    return sentry_init(options);
}

extern "C" [[gnu::visibility("default")]] void quillbox_crash_reporting_close() {
    sentry_close();
}

static_assert(std::is_same_v<decltype(&quillbox_crash_reporting_start), CrashReportingStart>);
static_assert(std::is_same_v<decltype(&quillbox_crash_reporting_close), CrashReportingClose>);
