#include "core/library/HistoryCoding.h"

#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <csignal>

// A writer killed at random moments never leaves a torn history: the file always
// decodes and holds, newest first, exactly the first N captures it filed.
TEST(HistoryKill, sigkillDuringSaves_alwaysLeavesADecodablePrefix) {
    QTemporaryDir dir;
    const QString history = dir.path() + QStringLiteral("/Quillbox/history.json");
    QRandomGenerator random(20261206);
    qsizetype previous = 0;
    for (int round = 0; round < 200; ++round) {
        QProcess writer;
        writer.start(QStringLiteral(QUILLBOX_HISTORY_WRITER), {dir.path()});
        // Killed while it files, however long it took to start (far longer under sanitizers);
        // every other round only once it filed one, so a slow machine still gets past the
        // first capture.
        ASSERT_TRUE(writer.waitForReadyRead(10000)) << "round " << round;
        if (round % 2 == 1) {
            while (!writer.readAllStandardOutput().contains("filed"))
                ASSERT_TRUE(writer.waitForReadyRead(10000)) << "round " << round;
        }
        QThread::usleep(random.bounded(0, 20000));
        ::kill(static_cast<pid_t>(writer.processId()), SIGKILL);
        ASSERT_TRUE(writer.waitForFinished(5000));

        QFile file(history);
        if (!file.exists()) {
            ASSERT_EQ(previous, 0) << "round " << round;
            continue;
        }
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const auto decoded = history_coding::decode(file.readAll());
        ASSERT_TRUE(decoded) << "torn history in round " << round;
        const qsizetype count = decoded->size();
        ASSERT_GE(count, previous) << "round " << round;
        for (qsizetype i = 0; i < count; ++i)
            ASSERT_EQ(decoded->at(i).fileName(),
                      QString::number(count - i) + QStringLiteral(".png"));
        previous = count;
    }
    EXPECT_GT(previous, 0);
}
