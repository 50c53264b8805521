#include "platform/IconThemeProbe.h"
#include "LibraryFixture.h"

#include <QDir>
#include <QIcon>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QStringList camera{QStringLiteral("camera-photo-symbolic"), QStringLiteral("camera-photo")};

// Icon themes of our own in a private folder, made the ones QIcon searches: "probe", which
// inherits "parent", and "hicolor"; unthemed pictures in "pixmaps".
class IconThemeProbeTest : public testing::Test {
protected:
    void SetUp() override {
        QIcon::setThemeSearchPaths({m_root.filePath(QStringLiteral("themes"))});
        QIcon::setFallbackSearchPaths({m_root.filePath(QStringLiteral("pixmaps"))});
        QIcon::setFallbackThemeName(QStringLiteral("hicolor"));
        QIcon::setThemeName(QStringLiteral("probe"));
        theme(QStringLiteral("probe"), QStringLiteral("parent"), {QStringLiteral("folder")});
        theme(QStringLiteral("parent"), {}, {QStringLiteral("user-trash")});
        theme(QStringLiteral("hicolor"), {}, {QStringLiteral("edit-copy")});
        QDir(m_root.path()).mkpath(QStringLiteral("pixmaps"));
    }

    void TearDown() override {
        QIcon::setThemeSearchPaths(m_searchPaths);
        QIcon::setFallbackSearchPaths(m_fallbackPaths);
        QIcon::setFallbackThemeName(m_fallbackTheme);
        QIcon::setThemeName(m_theme);
    }

    // A theme with 16 px pictures of `icons`, cached the way an installed theme is.
    void theme(const QString& name, const QString& inherits, const QStringList& icons) {
        const QString folder = m_root.filePath(QStringLiteral("themes/") + name);
        QDir().mkpath(folder + QStringLiteral("/16x16/apps"));
        LibraryFixture::writeFile(
            folder + QStringLiteral("/index.theme"),
            "[Icon Theme]\nName=" + name.toUtf8() + "\nInherits=" + inherits.toUtf8() +
                "\nDirectories=16x16/apps\n\n[16x16/apps]\nSize=16\nType=Fixed\n");
        for (const QString& icon : icons)
            picture(folder + QStringLiteral("/16x16/apps/") + icon + QStringLiteral(".png"));
        cache(name);
    }

    void cache(const QString& theme) {
        ASSERT_EQ(QProcess::execute(QStringLiteral("gtk-update-icon-cache"),
                                    {QStringLiteral("-q"), QStringLiteral("-f"),
                                     m_root.filePath(QStringLiteral("themes/") + theme)}),
                  0);
    }

    static void picture(const QString& path) {
        LibraryFixture::writePng(path, Qt::black, {16, 16});
    }

    // What Qt itself finds, reading the themes afresh.
    static bool qtFinds(const QStringList& names) {
        QIcon::setThemeSearchPaths(QIcon::themeSearchPaths());
        for (const QString& name : names) {
            const QIcon icon = QIcon::fromTheme(name);
            if (!icon.isNull() && !icon.availableSizes().isEmpty())
                return true;
        }
        return false;
    }

    QTemporaryDir m_root;

private:
    const QStringList m_searchPaths = QIcon::themeSearchPaths();
    const QStringList m_fallbackPaths = QIcon::fallbackSearchPaths();
    const QString m_fallbackTheme = QIcon::fallbackThemeName();
    const QString m_theme = QIcon::themeName();
};

} // namespace

// No only where Qt finds nothing; yes at each place Qt looks in: an inherited theme,
// hicolor under a shorter name, the unthemed folder, and a theme folder without a cache.
TEST_F(IconThemeProbeTest, aPictureWhereverQtWouldFindItIsSeen) {
    EXPECT_FALSE(icon_theme_probe::mayHave(camera));
    EXPECT_FALSE(qtFinds(camera));
    EXPECT_TRUE(icon_theme_probe::mayHave({QStringLiteral("user-trash")}));
    const QString themes = m_root.filePath(QStringLiteral("themes/"));
    const QStringList places{themes + QStringLiteral("parent/16x16/apps/camera-photo.png"),
                             themes + QStringLiteral("hicolor/16x16/apps/camera.png"),
                             m_root.filePath(QStringLiteral("pixmaps/camera-photo.png"))};
    for (const QString& place : places) {
        SCOPED_TRACE(place.toStdString());
        picture(place);
        if (!place.contains(QLatin1String("pixmaps")))
            cache(place.section(QLatin1Char('/'), -4, -4));
        EXPECT_TRUE(icon_theme_probe::mayHave(camera));
        EXPECT_TRUE(qtFinds(camera));
        QFile::remove(place);
        cache(QStringLiteral("parent"));
        cache(QStringLiteral("hicolor"));
        ASSERT_FALSE(icon_theme_probe::mayHave(camera));
    }

    QFile::remove(themes + QStringLiteral("probe/icon-theme.cache"));
    EXPECT_FALSE(icon_theme_probe::mayHave(camera));
    picture(themes + QStringLiteral("probe/16x16/apps/camera-photo-symbolic.png"));
    EXPECT_TRUE(icon_theme_probe::mayHave(camera));
    EXPECT_TRUE(qtFinds(camera));
}

// A picture added after the cache was written is not in it: Qt then reads the folders.
TEST_F(IconThemeProbeTest, aCacheOlderThanItsFoldersIsNotTrusted) {
    const QString folder = m_root.filePath(QStringLiteral("themes/parent"));
    QFile cacheFile(folder + QStringLiteral("/icon-theme.cache"));
    ASSERT_TRUE(cacheFile.open(QIODevice::ReadWrite));
    ASSERT_TRUE(cacheFile.setFileTime(QDateTime::currentDateTime().addSecs(-60),
                                      QFileDevice::FileModificationTime));
    cacheFile.close();
    picture(folder + QStringLiteral("/16x16/apps/camera-photo.png"));
    EXPECT_TRUE(icon_theme_probe::mayHave(camera));
    EXPECT_TRUE(qtFinds(camera));
}
