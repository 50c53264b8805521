#pragma once

// Crash reporting through the Sentry native SDK, started only when a reporting endpoint
// is configured: the build's QUILLBOX_SENTRY_DSN, else the environment's SENTRY_DSN.
// Once started, fatal signals and uncaught C++ exceptions (std::terminate aborts) are
// written below $XDG_CACHE_HOME/Quillbox/crash-reports and sent on the next start.
namespace SentryBootstrap {

// The first call of main, before any other thread exists.
void start();

// Sends what is pending and stops the SDK; nothing when it never started.
void close();

} // namespace SentryBootstrap
