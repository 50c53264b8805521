#include "ui/RelativeAge.h"

#include <gtest/gtest.h>

using relative_age::abbreviated;

TEST(RelativeAge, picksTheLargestWholeUnitInAbbreviatedEnglish) {
    const QDateTime now(QDate(2025, 3, 31), QTime(12, 0, 0));
    const auto ago = [&](qint64 seconds) {
        return abbreviated(now.addSecs(-seconds), now).toStdString();
    };
    EXPECT_EQ(ago(0), "now");
    EXPECT_EQ(ago(1), "1 sec. ago");
    EXPECT_EQ(ago(59), "59 sec. ago");
    EXPECT_EQ(ago(60), "1 min. ago");
    EXPECT_EQ(ago(3599), "59 min. ago");
    EXPECT_EQ(ago(2 * 3600 + 59 * 60), "2 hr. ago");
    EXPECT_EQ(ago(86400), "1 day ago");
    EXPECT_EQ(ago(6 * 86400), "6 days ago");
    EXPECT_EQ(ago(14 * 86400), "2 wk. ago");
    // Months and years follow the calendar: 28 days back from 31 March is still March.
    EXPECT_EQ(ago(28 * 86400), "4 wk. ago");
    const auto since = [&](int y, int m, int d) {
        return abbreviated(QDateTime(QDate(y, m, d), QTime(12, 0)), now).toStdString();
    };
    EXPECT_EQ(since(2025, 1, 31), "2 mo. ago");
    EXPECT_EQ(since(2024, 3, 31), "1 yr. ago");
    EXPECT_EQ(since(2024, 4, 1), "11 mo. ago");
    // A date ahead of the clock reads as coming.
    EXPECT_EQ(ago(-300), "in 5 min.");
    EXPECT_EQ(abbreviated(now.addMSecs(400), now).toStdString(), "now");
}
