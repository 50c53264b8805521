#include "core/image/Png.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Every pixel different, with all alpha levels when the format keeps alpha.
QImage pattern(QSize size, QImage::Format format) {
    QImage image(size, QImage::Format_ARGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(
                x, y,
                qRgba((x * 37) & 255, (y * 53) & 255, ((x ^ y) * 11) & 255, (x + y * 7) * 5 & 255));
    return image.convertToFormat(format);
}

QImage decode(const QByteArray& bytes) {
    return QImage::fromData(bytes, "PNG");
}

// The colour type byte of the IHDR chunk.
int colorType(const QByteArray& png) {
    return png.size() > 25 ? static_cast<unsigned char>(png[25]) : -1;
}

} // namespace

TEST(Png, everyImageFormat_roundTripsThroughQt) {
    const QImage::Format formats[] = {
        QImage::Format_Mono,
        QImage::Format_MonoLSB,
        QImage::Format_Indexed8,
        QImage::Format_RGB32,
        QImage::Format_ARGB32,
        QImage::Format_ARGB32_Premultiplied,
        QImage::Format_RGB16,
        QImage::Format_ARGB8565_Premultiplied,
        QImage::Format_RGB666,
        QImage::Format_ARGB6666_Premultiplied,
        QImage::Format_RGB555,
        QImage::Format_ARGB8555_Premultiplied,
        QImage::Format_RGB888,
        QImage::Format_RGB444,
        QImage::Format_ARGB4444_Premultiplied,
        QImage::Format_RGBX8888,
        QImage::Format_RGBA8888,
        QImage::Format_RGBA8888_Premultiplied,
        QImage::Format_BGR30,
        QImage::Format_A2BGR30_Premultiplied,
        QImage::Format_RGB30,
        QImage::Format_A2RGB30_Premultiplied,
        QImage::Format_Alpha8,
        QImage::Format_Grayscale8,
        QImage::Format_RGBX64,
        QImage::Format_RGBA64,
        QImage::Format_RGBA64_Premultiplied,
        QImage::Format_Grayscale16,
        QImage::Format_BGR888,
        QImage::Format_RGBX16FPx4,
        QImage::Format_RGBA16FPx4,
        QImage::Format_RGBA32FPx4_Premultiplied,
    };
    for (QImage::Format format : formats) {
        SCOPED_TRACE(static_cast<int>(format));
        for (QSize size : {QSize(1, 1), QSize(7, 3), QSize(300, 41)}) {
            const QImage source = pattern(size, format);
            const QImage decoded = decode(png::encode(source));
            ASSERT_FALSE(decoded.isNull());
            EXPECT_EQ(decoded.size(), size);
            const bool wide = source.depth() >= 64 || format == QImage::Format_Grayscale16;
            const bool alpha = source.hasAlphaChannel();
            const QImage::Format common =
                wide ? (alpha ? QImage::Format_RGBA64 : QImage::Format_RGBX64)
                     : (alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
            EXPECT_EQ(decoded.convertToFormat(common), source.convertToFormat(common));
        }
    }
}

TEST(Png, alphaIsWrittenOnlyWhenSomePixelIsNotOpaque) {
    QImage image(16, 9, QImage::Format_ARGB32);
    image.fill(qRgba(10, 20, 30, 255));
    EXPECT_EQ(colorType(png::encode(image)), 2);
    EXPECT_EQ(colorType(png::encode(image.convertToFormat(QImage::Format_RGBA8888))), 2);
    EXPECT_EQ(colorType(png::encode(image.convertToFormat(QImage::Format_RGB32))), 2);
    image.setPixel(15, 8, qRgba(10, 20, 30, 254));
    EXPECT_EQ(colorType(png::encode(image)), 6);
    EXPECT_EQ(colorType(png::encode(image.convertToFormat(QImage::Format_RGBA8888))), 6);
    EXPECT_EQ(colorType(png::encode(image.convertToFormat(QImage::Format_Grayscale8))), 0);
    EXPECT_TRUE(png::encode(QImage()).isEmpty());
}

TEST(Png, rawScreenPixels_encodeLikeTheirImage) {
    const QImage screen = pattern({333, 200}, QImage::Format_RGB32);
    const QByteArray raw = png::encodeRgb32(screen.constBits(), screen.width(), screen.height(),
                                            screen.bytesPerLine());
    EXPECT_EQ(raw, png::encode(screen));
    EXPECT_EQ(decode(raw), screen);
}

TEST(Png, largeImages_areEncodedInStripsThatJoinSeamlessly) {
    for (QImage::Format format : {QImage::Format_ARGB32, QImage::Format_RGB32}) {
        const QImage source = pattern({1500, 1001}, format);
        const QImage decoded = decode(png::encode(source));
        EXPECT_EQ(decoded.convertToFormat(QImage::Format_ARGB32),
                  source.convertToFormat(QImage::Format_ARGB32));
    }
}

TEST(Png, screenContent_isNoLargerThanQtsDefaultWriter) {
    QImage screen(1280, 800, QImage::Format_RGB32);
    screen.fill(Qt::white);
    QPainter painter(&screen);
    painter.fillRect(0, 0, 1280, 28, QColor(40, 40, 48));
    painter.fillRect(0, 28, 240, 772, QColor(236, 236, 240));
    for (int line = 0; line < 40; ++line)
        painter.drawText(260, 60 + line * 18,
                         QStringLiteral("%1  The quick brown fox jumps over the lazy dog, again.")
                             .arg(line * 7919));
    painter.end();

    const QByteArray ours = png::encode(screen);
    QByteArray qts;
    QBuffer buffer(&qts);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(screen.save(&buffer, "PNG"));
    EXPECT_LE(ours.size(), qts.size());
    EXPECT_EQ(decode(ours), screen);
}

TEST(Png, write_replacesAtomicallyAndLeavesNothingOnFailure) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.png"));
    const QImage image = pattern({64, 48}, QImage::Format_RGB32);
    QString error;
    ASSERT_TRUE(png::write(image, path, &error)) << error.toStdString();
    EXPECT_TRUE(png::write(pattern({8, 8}, QImage::Format_RGB32), path));
    EXPECT_EQ(QImage(path).size(), QSize(8, 8));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("a.png")});

    // ImageMagick reads a large (multi-strip) file without a warning.
    const QString convert = QStandardPaths::findExecutable(QStringLiteral("convert"));
    if (!convert.isEmpty()) {
        const QString large = dir.filePath(QStringLiteral("large.png"));
        ASSERT_TRUE(png::write(pattern({1500, 1001}, QImage::Format_ARGB32), large));
        QProcess tool;
        tool.start(convert, {QStringLiteral("-regard-warnings"), large, QStringLiteral("info:")});
        ASSERT_TRUE(tool.waitForFinished(30000));
        EXPECT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
        EXPECT_TRUE(tool.readAllStandardOutput().contains("PNG 1500x1001"));
        QFile::remove(large);
    }

    // A folder that cannot be written: an error, and no file or temporary left behind.
    const QString locked = dir.filePath(QStringLiteral("locked"));
    QDir().mkpath(locked);
    QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner);
    if (!QFileInfo(locked).isWritable()) { // root writes anywhere
        error.clear();
        EXPECT_FALSE(png::write(image, locked + QStringLiteral("/b.png"), &error));
        EXPECT_FALSE(error.isEmpty());
        EXPECT_TRUE(QDir(locked).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
    }
    EXPECT_FALSE(png::write(image, dir.filePath(QStringLiteral("missing/c.png"))));
    QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}
