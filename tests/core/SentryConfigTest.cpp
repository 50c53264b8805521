#include "core/SentryConfig.h"

#include <gtest/gtest.h>

using namespace sentry_config;

TEST(SentryConfig, configuredDSN_prefersTheTrimmedBuildValueAndFallsBackToTheEnvironment) {
    const QString env = QStringLiteral("https://key@env.example/2");
    EXPECT_EQ(configuredDSN(u"  https://key@build.example/1 \n", env),
              QStringLiteral("https://key@build.example/1"));
    EXPECT_EQ(configuredDSN(u"   ", env), env);
    EXPECT_EQ(configuredDSN(u"\t\n", u"\thttps://key@env.example/2\r\n"), env);
    EXPECT_EQ(configuredDSN(u"", u" \n "), std::nullopt);
    EXPECT_EQ(configuredDSN(u"", u""), std::nullopt);
}

TEST(SentryConfig, environmentFlag_readsOnlyTheKnownWordsInAnyCase) {
    const std::pair<const char16_t*, std::optional<bool>> cases[] = {
        {u"1", true},         {u" YES ", true},         {u"true", true},     {u"On\n", true},
        {u"0", false},        {u"Off", false},          {u"FALSE", false},   {u"\tno ", false},
        {u"2", std::nullopt}, {u"maybe", std::nullopt}, {u"", std::nullopt}, {u"  ", std::nullopt},
        {u"y", std::nullopt}, {u"o n", std::nullopt}};
    for (auto [text, flag] : cases)
        EXPECT_EQ(environmentFlag(text), flag) << QString::fromUtf16(text).toStdString();
}

TEST(SentryConfig, databasePath_isBelowTheCacheFolderAndNeverRelative) {
    EXPECT_EQ(databasePath(QStringLiteral("/home/u/.cache/")),
              QStringLiteral("/home/u/.cache/Quillbox/crash-reports"));
    EXPECT_EQ(databasePath(QStringLiteral("cache")), std::nullopt);
    EXPECT_EQ(databasePath(QString()), std::nullopt);
}
