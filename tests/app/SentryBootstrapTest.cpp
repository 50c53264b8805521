#include <QDir>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

#ifdef QUILLBOX_SENTRY_CRASH_CHILD

namespace {

// Stands in for the reporting endpoint on 127.0.0.1: keeps each request's body, answers 200.
class EnvelopeServer {
public:
    EnvelopeServer() {
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                auto received = std::make_shared<QByteArray>();
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, received] {
                    received->append(socket->readAll());
                    answerWhenComplete(*socket, *received);
                });
                QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
        m_server.listen(QHostAddress::LocalHost);
    }

    QString dsn() const {
        return QStringLiteral("http://public@127.0.0.1:%1/42").arg(m_server.serverPort());
    }

    // The first body that carries an event, or an empty one.
    QByteArray eventEnvelope() const {
        for (const QByteArray& body : m_bodies) {
            if (body.contains(R"("type":"event")")) {
                return body;
            }
        }
        return {};
    }

private:
    void answerWhenComplete(QTcpSocket& socket, const QByteArray& received) {
        const qsizetype headerEnd = received.indexOf("\r\n\r\n");
        if (headerEnd < 0) {
            return;
        }
        qsizetype length = 0;
        for (const QByteArray& line : received.left(headerEnd).split('\n')) {
            if (line.toLower().startsWith("content-length:")) {
                length = line.mid(15).trimmed().toLongLong();
            }
        }
        if (received.size() < headerEnd + 4 + length) {
            return;
        }
        m_bodies.append(received.mid(headerEnd + 4, length));
        socket.write("HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: 2\r\n"
                     "Connection: close\r\n\r\n{}");
        socket.disconnectFromHost();
    }

    QTcpServer m_server;
    QList<QByteArray> m_bodies;
};

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

TEST_P(SentryCrash, crashIsSentOnTheNextStartAsAnEventWithAStackTrace) {
    QTemporaryDir cache;
    EnvelopeServer server;
    const QString mode = QString::fromLatin1(GetParam());

    const ChildRun crashed = runChild(mode, cache.path(), server.dsn());
    // Under the sanitizers their own handler ends the process after the SDK's.
    EXPECT_TRUE(crashed.status == QProcess::CrashExit || crashed.exitCode != 0)
        << crashed.output.toStdString();

    const ChildRun next = runChild(QString(), cache.path(), server.dsn());
    EXPECT_EQ(next.exitCode, 0) << next.output.toStdString();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !server.eventEnvelope().isEmpty(); }, 10000))
        << crashed.output.toStdString() << next.output.toStdString();
    const QByteArray envelope = server.eventEnvelope();
    EXPECT_TRUE(envelope.contains(R"("stacktrace":{"frames":[{)")) << envelope.toStdString();
    EXPECT_TRUE(envelope.contains(R"("release":"quillbox@)")) << envelope.toStdString();
}

INSTANTIATE_TEST_SUITE_P(FatalSignalAndUncaughtException, SentryCrash,
                         testing::Values("segv", "throw"));

TEST(SentryBootstrap, withoutAnEndpointNothingStartsAndNoFolderAppears) {
    QTemporaryDir cache;
    const ChildRun crashed = runChild(QStringLiteral("segv"), cache.path(), QString());
    EXPECT_TRUE(crashed.status == QProcess::CrashExit || crashed.exitCode != 0);
    EXPECT_EQ(QDir(cache.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
}

#endif
