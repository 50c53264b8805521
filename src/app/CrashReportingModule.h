#pragma once

// The crash-reporting module: the Sentry SDK with the libcurl it sends reports through,
// loaded only when a reporting endpoint is configured. Plain C at its edge.

struct CrashReportingOptions {
    const char* dsn;
    const char* release;
    int debug; // 1 on, 0 off, -1 the SDK's default
    const char* databasePath;
};

extern "C" {
// Starts the SDK; 0 when it runs.
using CrashReportingStart = int (*)(const CrashReportingOptions*);
// Sends what is pending and stops the SDK.
using CrashReportingClose = void (*)();
}

namespace crash_reporting_module {
constexpr const char* fileName = "libquillbox-crash-reporting.so";
constexpr const char* startSymbol = "quillbox_crash_reporting_start";
constexpr const char* closeSymbol = "quillbox_crash_reporting_close";
} // namespace crash_reporting_module
