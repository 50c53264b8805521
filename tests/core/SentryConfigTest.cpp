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
    for (const char16_t* on : {u"1", u" YES ", u"true", u"On\n"}) {
        EXPECT_EQ(environmentFlag(on), true) << QString::fromUtf16(on).toStdString();
    }
    for (const char16_t* off : {u"0", u"Off", u"FALSE", u"\tno "}) {
        EXPECT_EQ(environmentFlag(off), false) << QString::fromUtf16(off).toStdString();
    }
    for (const char16_t* neither : {u"2", u"maybe", u"", u"  ", u"y", u"o n"}) {
        EXPECT_EQ(environmentFlag(neither), std::nullopt)
            << QString::fromUtf16(neither).toStdString();
    }
}

TEST(SentryConfig, databasePath_isBelowTheCacheFolderAndNeverRelative) {
    EXPECT_EQ(databasePath(QStringLiteral("/home/u/.cache/")),
              QStringLiteral("/home/u/.cache/Quillbox/crash-reports"));
    EXPECT_EQ(databasePath(QStringLiteral("cache")), std::nullopt);
    EXPECT_EQ(databasePath(QString()), std::nullopt);
}
