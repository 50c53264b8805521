#include "app/TerminationSignals.h"

#include <QSignalSpy>
#include <csignal>
#include <gtest/gtest.h>

TEST(TerminationSignals, sigtermAndSigintBecomeRequestsOnTheEventLoop) {
    TerminationSignals signals;
    ASSERT_TRUE(signals.isWatching());
    QSignalSpy requested(&signals, &TerminationSignals::terminationRequested);
    for (int signal : {SIGTERM, SIGINT}) {
        std::raise(signal);
        ASSERT_TRUE(requested.wait(5000));
        EXPECT_EQ(requested.takeFirst().at(0).toInt(), signal);
    }
}
