#include "core/library/Screenshot.h"
#include "core/library/HistoryCoding.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace {

const QUuid someId = QUuid::fromString(QStringLiteral("6F1B3C2A-1111-4A2B-9C3D-0123456789AB"));

QByteArray recordJson(const QByteArray& kind = "\"area\"", const QByteArray& extra = {}) {
    return "[{\"id\":\"6F1B3C2A-1111-4A2B-9C3D-0123456789AB\",\"fileName\":\"a.png\","
           "\"timestamp\":12.5,\"kind\":" +
           kind + extra + "}]";
}

} // namespace

TEST(ScreenshotKind, rawValuesTitlesAndSymbolsInDeclarationOrder) {
    const auto& kinds = screenshot_kind::allCases();
    ASSERT_EQ(kinds.size(), 4);
    const QStringList raw{QStringLiteral("area"), QStringLiteral("window"),
                          QStringLiteral("fullScreen"), QStringLiteral("scrolling")};
    const QStringList titles{QStringLiteral("Area"), QStringLiteral("Window"),
                             QStringLiteral("Full Screen"), QStringLiteral("Scrolling")};
    const QStringList symbols{QStringLiteral("rectangle.dashed"), QStringLiteral("macwindow"),
                              QStringLiteral("rectangle.inset.filled"), QStringLiteral("scroll")};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(screenshot_kind::rawValue(kinds[i]), raw[i]);
        EXPECT_EQ(screenshot_kind::title(kinds[i]), titles[i]);
        EXPECT_EQ(screenshot_kind::symbol(kinds[i]), symbols[i]);
        EXPECT_EQ(screenshot_kind::fromRawValue(raw[i]), kinds[i]);
    }
}

TEST(ScreenshotKind, fromRawValue_isExactAndCaseSensitive) {
    EXPECT_FALSE(screenshot_kind::fromRawValue(QStringLiteral("Area")));
    EXPECT_FALSE(screenshot_kind::fromRawValue(QStringLiteral("fullscreen")));
    EXPECT_FALSE(screenshot_kind::fromRawValue(QStringLiteral(" area")));
    EXPECT_FALSE(screenshot_kind::fromRawValue(QString()));
}

TEST(Screenshot, equality_needsAllFourFieldsWhileIdentityIsTheIdAlone) {
    const Screenshot a(someId, QStringLiteral("a.png"), 1.0, ScreenshotKind::area);
    const Screenshot b(someId, QStringLiteral("b.png"), 1.0, ScreenshotKind::area);
    EXPECT_NE(a, b);
    EXPECT_EQ(a.id(), b.id());
    EXPECT_EQ(a, Screenshot(someId, QStringLiteral("a.png"), 1.0, ScreenshotKind::area));
    EXPECT_NE(a, Screenshot(someId, QStringLiteral("a.png"), 1.5, ScreenshotKind::area));
    EXPECT_NE(a, Screenshot(someId, QStringLiteral("a.png"), 1.0, ScreenshotKind::window));
    EXPECT_EQ(qHash(a),
              qHash(Screenshot(someId, QStringLiteral("a.png"), 1.0, ScreenshotKind::area)));
}

TEST(Screenshot, timestamp_countsSecondsFromFirstJanuary2001Utc) {
    const Screenshot zero(someId, QStringLiteral("a.png"), 0.0, ScreenshotKind::area);
    EXPECT_EQ(zero.date(), QDateTime(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC));
    const Screenshot before(someId, QStringLiteral("a.png"), -86400.0, ScreenshotKind::area);
    EXPECT_EQ(before.date(), QDateTime(QDate(2000, 12, 31), QTime(0, 0), Qt::UTC));
    const QDateTime when(QDate(2025, 3, 3), QTime(9, 5, 7, 250), Qt::UTC);
    EXPECT_DOUBLE_EQ(Screenshot::timestampFrom(when), 762685507.25);
}

TEST(HistoryCoding, encode_isCompactWithKeysInRecordOrderAndUpperCaseIds) {
    const QUuid lower = QUuid::fromString(QStringLiteral("6f1b3c2a-1111-4a2b-9c3d-0123456789ab"));
    const QByteArray json = history_coding::encode({Screenshot(
        lower, QStringLiteral("Quillbox \"x\".png"), 762685507.25, ScreenshotKind::fullScreen)});
    EXPECT_EQ(json, QByteArray("[{\"id\":\"6F1B3C2A-1111-4A2B-9C3D-0123456789AB\","
                               "\"fileName\":\"Quillbox \\\"x\\\".png\",\"timestamp\":762685507.25,"
                               "\"kind\":\"fullScreen\"}]"));
    EXPECT_EQ(history_coding::encode({}), QByteArray("[]"));
}

TEST(HistoryCoding, roundTrip_keepsEveryFieldBitForBit) {
    const QList<Screenshot> records{Screenshot(QUuid::createUuid(), QStringLiteral("é ü 漢.png"),
                                               762685507.123456789, ScreenshotKind::scrolling),
                                    Screenshot(QUuid::createUuid(),
                                               QStringLiteral("q\"u\\o\nt\x01e.png"), -3.0000000001,
                                               ScreenshotKind::window)};
    const auto decoded = history_coding::decode(history_coding::encode(records));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(*decoded, records);
}

TEST(HistoryCoding, decode_acceptsIntegerTimestampsExtraKeysAndAnyKeyOrder) {
    const auto decoded = history_coding::decode(
        "[{\"kind\":\"window\",\"note\":\"hi\",\"timestamp\":0,\"fileName\":\"a.png\","
        "\"id\":\"6f1b3c2a-1111-4a2b-9c3d-0123456789ab\"}]");
    ASSERT_TRUE(decoded);
    ASSERT_EQ(decoded->size(), 1);
    EXPECT_EQ(decoded->first(),
              Screenshot(someId, QStringLiteral("a.png"), 0.0, ScreenshotKind::window));
}

TEST(HistoryCoding, decode_failsWholeFileOnAnyBadRecord) {
    const QList<QByteArray> bad{
        recordJson("\"Area\""),
        recordJson("\"fullscreen\""),
        recordJson("\"video\""),
        recordJson("null"),
        "[{\"id\":\"not-a-uuid\",\"fileName\":\"a.png\",\"timestamp\":1,\"kind\":\"area\"}]",
        "[{\"id\":\"{6F1B3C2A-1111-4A2B-9C3D-0123456789AB}\",\"fileName\":\"a.png\",\"timestamp\":"
        "1,"
        "\"kind\":\"area\"}]",
        "[{\"id\":\"6F1B3C2A-1111-4A2B-9C3D-0123456789AB\",\"fileName\":\"a.png\",\"timestamp\":"
        "\"1\","
        "\"kind\":\"area\"}]",
        "[{\"id\":\"6F1B3C2A-1111-4A2B-9C3D-0123456789AB\",\"fileName\":7,\"timestamp\":1,\"kind\":"
        "\"area\"}]",
        "[{\"id\":\"6F1B3C2A-1111-4A2B-9C3D-0123456789AB\",\"timestamp\":1,\"kind\":\"area\"}]",
        "{\"id\":\"6F1B3C2A-1111-4A2B-9C3D-0123456789AB\"}",
        "[1]",
        "[{\"id\":",
        "",
    };
    // One good record beside a bad one is not enough.
    EXPECT_FALSE(
        history_coding::decode(recordJson().chopped(1) + "," + recordJson("\"Area\"").mid(1)));
    for (const QByteArray& json : bad)
        EXPECT_FALSE(history_coding::decode(json)) << json.constData();
    EXPECT_TRUE(history_coding::decode(recordJson()));
}

TEST(HistoryCoding, decode_rejectsFileNamesThatAreNotPlainNames) {
    for (const char* name : {"", ".", "..", "../escape.png", "/etc/passwd", "a/b.png"}) {
        const QByteArray json = "[{\"id\":\"6F1B3C2A-1111-4A2B-9C3D-0123456789AB\",\"fileName\":" +
                                QJsonDocument(QJsonArray{QString::fromUtf8(name)})
                                    .toJson(QJsonDocument::Compact)
                                    .mid(1)
                                    .chopped(1) +
                                ",\"timestamp\":1,\"kind\":\"area\"}]";
        EXPECT_FALSE(history_coding::decode(json)) << name;
    }
    const QByteArray withNul = "[{\"id\":\"6F1B3C2A-1111-4A2B-9C3D-0123456789AB\","
                               "\"fileName\":\"a\\u0000.png\",\"timestamp\":1,\"kind\":\"area\"}]";
    EXPECT_FALSE(history_coding::decode(withNul));
    EXPECT_TRUE(history_coding::isPlainFileName(QStringLiteral("..a.png")));
    EXPECT_TRUE(
        history_coding::isPlainFileName(QStringLiteral("Quillbox 2025-03-03 at 09.05.07 (2).png")));
}
