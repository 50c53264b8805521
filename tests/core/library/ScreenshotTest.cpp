#include "core/library/Screenshot.h"
#include "core/library/HistoryCoding.h"

#include <gtest/gtest.h>

namespace {

const QUuid someId = QUuid::fromString(QStringLiteral("6F1B3C2A-1111-4A2B-9C3D-0123456789AB"));

// A history file of one record with its members as raw JSON; an empty member is left out.
QByteArray history(const QByteArray& kind = "\"area\"", const QByteArray& fileName = "\"a.png\"",
                   const QByteArray& timestamp = "1",
                   const QByteArray& id = "\"6F1B3C2A-1111-4A2B-9C3D-0123456789AB\"") {
    QByteArrayList members;
    for (const auto& [name, value] : {std::pair{"id", id}, std::pair{"fileName", fileName},
                                      std::pair{"timestamp", timestamp}, std::pair{"kind", kind}})
        if (!value.isEmpty())
            members.append('"' + QByteArray(name) + "\":" + value);
    return "[{" + members.join(',') + "}]";
}

} // namespace

TEST(Screenshot, timestamp_countsSecondsFromFirstJanuary2001Utc) {
    const Screenshot before(someId, QStringLiteral("a.png"), -86400.0, ScreenshotKind::area);
    EXPECT_EQ(before.date(), QDateTime(QDate(2000, 12, 31), QTime(0, 0), Qt::UTC));
    const QDateTime when(QDate(2025, 3, 3), QTime(9, 5, 7, 250), Qt::UTC);
    EXPECT_DOUBLE_EQ(Screenshot::timestampFrom(when), 762685507.25);
}

TEST(HistoryCoding, encode_isCompactWithKeysInRecordOrderAndUpperCaseIdsAndReadsBackExactly) {
    const QUuid lower = QUuid::fromString(QStringLiteral("6f1b3c2a-1111-4a2b-9c3d-0123456789ab"));
    const QByteArray json = history_coding::encode({Screenshot(
        lower, QStringLiteral("Quillbox \"x\".png"), 762685507.25, ScreenshotKind::fullScreen)});
    EXPECT_EQ(json, history("\"fullScreen\"", R"("Quillbox \"x\".png")", "762685507.25"));
    EXPECT_EQ(history_coding::encode({}), QByteArray("[]"));
    // Read back, every field bit for bit.
    const QList<Screenshot> records{Screenshot(QUuid::createUuid(), QStringLiteral("é ü 漢.png"),
                                               762685507.123456789, ScreenshotKind::scrolling),
                                    Screenshot(QUuid::createUuid(),
                                               QStringLiteral("q\"u\\o\nt\x01e.png"), -3.0000000001,
                                               ScreenshotKind::window)};
    const auto decoded = history_coding::decode(history_coding::encode(records));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(*decoded, records);

    // Every kind is stored under its raw value.
    const QStringList raw{QStringLiteral("area"), QStringLiteral("window"),
                          QStringLiteral("fullScreen"), QStringLiteral("scrolling")};
    ASSERT_EQ(screenshot_kind::allCases().size(), raw.size());
    for (int i = 0; i < raw.size(); ++i)
        EXPECT_EQ(screenshot_kind::rawValue(screenshot_kind::allCases()[i]), raw[i]);
}

TEST(HistoryCoding, decode_acceptsIntegerTimestampsExtraKeysAndAnyKeyOrder) {
    const auto decoded = history_coding::decode(
        "[{\"kind\":\"window\",\"note\":\"hi\",\"timestamp\":0,\"fileName\":\"a.png\","
        "\"id\":\"6f1b3c2a-1111-4a2b-9c3d-0123456789ab\"}]");
    ASSERT_TRUE(decoded);
    EXPECT_EQ(*decoded, QList<Screenshot>{Screenshot(someId, QStringLiteral("a.png"), 0.0,
                                                     ScreenshotKind::window)});
}

TEST(HistoryCoding, decode_failsWholeFileOnAnyBadRecordOrFileNameThatIsNotAPlainName) {
    const QByteArray bad[] = {
        history("\"Area\""),
        history("\"fullscreen\""),
        history("\"video\""),
        history("null"),
        history({}),
        history("\"area\"", "7"),
        history("\"area\"", {}),
        history("\"area\"", "\"a.png\"", "\"1\""),
        history("\"area\"", "\"a.png\"", "1", "\"not-a-uuid\""),
        history("\"area\"", "\"a.png\"", "1", "\"{6F1B3C2A-1111-4A2B-9C3D-0123456789AB}\""),
        "{\"id\":\"6F1B3C2A-1111-4A2B-9C3D-0123456789AB\"}",
        "[1]",
        "[{\"id\":",
        "",
        // One good record beside a bad one is not enough.
        history().chopped(1) + "," + history("\"Area\"").mid(1),
    };
    for (const QByteArray& json : bad)
        EXPECT_FALSE(history_coding::decode(json)) << json.constData();
    EXPECT_TRUE(history_coding::decode(history()));
    // A file name must be a plain name in the folder.
    for (const char* name : {R"("")", R"(".")", R"("..")", R"("../escape.png")", R"("/etc/passwd")",
                             R"("a/b.png")", R"("a\u0000.png")"})
        EXPECT_FALSE(history_coding::decode(history("\"area\"", name))) << name;
    EXPECT_TRUE(history_coding::decode(history("\"area\"", "\"..a.png\"")));
    EXPECT_TRUE(
        history_coding::decode(history("\"area\"", "\"Quillbox 2025-03-03 at 09.05.07 (2).png\"")));
}
