#include "platform/UserDefaultsQSettings.h"

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// The store a user finds at ~/.config/Quillbox/Quillbox.conf, whose data values (the hot
// keys' JSON) come back as the same bytes from a later run.
TEST(UserDefaultsQSettings, keepsStringsAndBytesInTheUsersConfigFolder) {
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    const QString expected = config.path() + QStringLiteral("/Quillbox/Quillbox.conf");
    if (QSettings(QStringLiteral("Quillbox"), QStringLiteral("Quillbox")).fileName() != expected)
        GTEST_SKIP() << "this process chose its settings folder before the test set it";

    const QByteArray bytes("{\"keyCode\":0,\"modifiers\":6400}\0\xff\n", 34);
    {
        UserDefaultsQSettings defaults;
        defaults.setValue(QStringLiteral("hotkey.captureArea"), bytes);
        defaults.setValue(QStringLiteral("storageDirectoryPath"), QStringLiteral("/tmp/my shots"));
        defaults.setValue(QStringLiteral("gone"), QStringLiteral("x"));
        defaults.remove(QStringLiteral("gone"));
    }
    ASSERT_TRUE(QFile::exists(expected));

    // A separate reader of the file, as the next run of the program would be.
    QSettings file(expected, QSettings::IniFormat);
    EXPECT_EQ(file.value(QStringLiteral("hotkey.captureArea")).userType(), QMetaType::QByteArray);
    EXPECT_EQ(file.value(QStringLiteral("hotkey.captureArea")).toByteArray(), bytes);
    EXPECT_EQ(file.value(QStringLiteral("storageDirectoryPath")).toString(),
              QStringLiteral("/tmp/my shots"));
    EXPECT_FALSE(file.contains(QStringLiteral("gone")));

    UserDefaultsQSettings again;
    EXPECT_EQ(again.value(QStringLiteral("hotkey.captureArea")).toByteArray(), bytes);
    EXPECT_FALSE(again.value(QStringLiteral("missing")).isValid());
}
