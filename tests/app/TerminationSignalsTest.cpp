#include "app/TerminationSignals.h"

#include <QSignalSpy>
#include <csignal>
#include <gtest/gtest.h>

TEST(TerminationSignals, sigtermAndSigintBecomeRequestsOnTheEventLoop) {
    TerminationSignals signals;
    ASSERT_TRUE(signals.isWatching());
    QSignalSpy requested(&signals, &TerminationSignals::terminationRequested);
    std::raise(SIGTERM);
    ASSERT_TRUE(requested.wait(5000));
    EXPECT_EQ(requested.takeFirst().at(0).toInt(), SIGTERM);
    std::raise(SIGINT);
    ASSERT_TRUE(requested.wait(5000));
    EXPECT_EQ(requested.takeFirst().at(0).toInt(), SIGINT);
}
