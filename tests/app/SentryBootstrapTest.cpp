#include "LoopbackHttpServer.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#ifdef QUILLBOX_SENTRY_CRASH_CHILD

namespace {

// The first request body the reporting endpoint received that carries an event.
QByteArray eventEnvelope(const LoopbackHttpServer& endpoint) {
    for (const QByteArray& body : endpoint.bodies)
        if (body.contains(R"("type":"event")"))
            return body;
    return {};
}

struct ChildRun {
    int exitCode = -1;
    QProcess::ExitStatus status = QProcess::NormalExit;
    QByteArray output;
};

// Runs the child with a private cache folder, keeping the event loop (and the server) going.
ChildRun runChild(const QString& mode, const QString& cache, const QString& dsn) {
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CACHE_HOME"), cache);
    env.remove(QStringLiteral("SENTRY_DSN"));
    env.remove(QStringLiteral("SENTRY_DEBUG"));
    // Under AddressSanitizer its own SIGSEGV handler would end the child before ours runs.
    env.insert(QStringLiteral("ASAN_OPTIONS"),
               env.value(QStringLiteral("ASAN_OPTIONS")) +
                   QStringLiteral(":handle_segv=0:allow_user_segv_handler=1"));
    if (!dsn.isEmpty()) {
        env.insert(QStringLiteral("SENTRY_DSN"), dsn);
        env.insert(QStringLiteral("SENTRY_DEBUG"), QStringLiteral("on"));
    }
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QStringLiteral(QUILLBOX_SENTRY_CRASH_CHILD), {mode});
    const bool finished =
        QTest::qWaitFor([&] { return child.state() == QProcess::NotRunning; }, 30000);
    EXPECT_TRUE(finished) << "child still running: " << mode.toStdString();
    return {child.exitCode(), child.exitStatus(), child.readAll()};
}

} // namespace

class SentryCrash : public testing::TestWithParam<const char*> {};

// Without an endpoint nothing starts and no folder appears; with one, the crash is sent.
TEST_P(SentryCrash, crashIsSentOnTheNextStartAsAnEventWithAStackTrace) {
    QTemporaryDir cache;
    const QString mode = QString::fromLatin1(GetParam());
    const ChildRun unreported = runChild(mode, cache.path(), QString());
    EXPECT_TRUE(unreported.status == QProcess::CrashExit || unreported.exitCode != 0);
    EXPECT_EQ(QDir(cache.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());

    LoopbackHttpServer server;
    const QString dsn = QStringLiteral("http://public@127.0.0.1:%1/42").arg(server.port());
    const ChildRun crashed = runChild(mode, cache.path(), dsn);
    // Under the sanitizers their own handler ends the process after the SDK's.
    EXPECT_TRUE(crashed.status == QProcess::CrashExit || crashed.exitCode != 0)
        << crashed.output.toStdString();

    const ChildRun next = runChild(QString(), cache.path(), dsn);
    EXPECT_EQ(next.exitCode, 0) << next.output.toStdString();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !eventEnvelope(server).isEmpty(); }, 10000))
        << crashed.output.toStdString() << next.output.toStdString();
    const QByteArray envelope = eventEnvelope(server);
    EXPECT_TRUE(envelope.contains(R"("stacktrace":{"frames":[{)")) << envelope.toStdString();
    EXPECT_TRUE(envelope.contains(R"("release":"quillbox@)")) << envelope.toStdString();
}

INSTANTIATE_TEST_SUITE_P(FatalSignalAndUncaughtException, SentryCrash,
                         testing::Values("segv", "throw"));

#endif
