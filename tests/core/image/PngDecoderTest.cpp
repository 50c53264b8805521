#include "core/image/PngDecoder.h"
#include "TestImages.h"
#include "core/image/CaptureBounds.h"
#include "core/image/Png.h"
#include "core/image/PngScaledDecoder.h"

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QRandomGenerator>
#include <QtEndian>
#include <gtest/gtest.h>
#include <zlib.h>

namespace {

// Smooth areas and noise, so a writer picks every row filter; alpha when kept.
QImage picture(QImage::Format format, QSize size = {301, 137}) {
    QImage image(size, QImage::Format_ARGB32);
    QRandomGenerator random(7);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            const bool noisy = (x / 40 + y / 30) % 2;
            const quint32 n = noisy ? random.generate() : 0;
            image.setPixel(x, y,
                           qRgba((x * 3 + int(n & 15)) & 255, (y * 5 + int(n >> 8 & 31)) & 255,
                                 (x ^ y) & 255, (x + y) & 255));
        }
    }
    return image.convertToFormat(format);
}

QByteArray qtPng(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, "png").write(image);
    return bytes;
}

qsizetype chunkAt(const QByteArray& png, const char* type) {
    return png.indexOf(QByteArray(type, 4)) - 4;
}

// Rewrites a chunk's CRC after its contents were changed on purpose.
void resign(QByteArray& png, const char* type) {
    const qsizetype at = chunkAt(png, type);
    const quint32 length = qFromBigEndian<quint32>(png.constData() + at);
    const auto* start = reinterpret_cast<const Bytef*>(png.constData() + at + 4);
    qToBigEndian<quint32>(quint32(crc32(0, start, 4 + length)), png.data() + at + 8 + length);
}

QImage scaled(QByteArray bytes, QSize target) {
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    return png::decodeScaled(&buffer, target);
}

int largestDifference(const QImage& a, const QImage& b) {
    if (a.size() != b.size())
        return 256;
    const QImage x = a.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage y = b.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    int worst = 0;
    for (int row = 0; row < x.height(); ++row)
        for (int col = 0; col < x.width(); ++col) {
            const QRgb p = x.pixel(col, row), q = y.pixel(col, row);
            worst = std::max({worst, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                              std::abs(qBlue(p) - qBlue(q)), std::abs(qAlpha(p) - qAlpha(q))});
        }
    return worst;
}

} // namespace

TEST(PngDecoder, readsWhatQtAndQuillboxWriteExactlyAsQtReadsIt) {
    for (QImage::Format format : {QImage::Format_RGB32, QImage::Format_ARGB32}) {
        const QImage image = picture(format);
        for (const QByteArray& bytes : {qtPng(image), png::encode(image)}) {
            const std::optional<QImage> decoded = png::decodePlain(bytes);
            ASSERT_TRUE(decoded) << format;
            EXPECT_EQ(decoded->format(), format);
            EXPECT_EQ(*decoded, QImage::fromData(bytes, "PNG").convertToFormat(format)) << format;
            // Never enlarged: whole, as read here but for rounding where alpha is premultiplied.
            EXPECT_LE(largestDifference(scaled(bytes, {400, 400}), *decoded), 1) << format;
        }
    }
}

TEST(PngDecoder, leavesOtherKindsOfPngToTheGeneralReader_thumbnailsHonourATransparencyKey) {
    EXPECT_FALSE(png::decodePlain(qtPng(picture(QImage::Format_Grayscale8))));
    EXPECT_FALSE(png::decodePlain(qtPng(picture(QImage::Format_RGBA64))));
    EXPECT_TRUE(scaled(qtPng(picture(QImage::Format_Grayscale8)), {50, 50}).isNull());
    // A gamma chunk right after the header: colours the general reader manages.
    QByteArray gamma = png::encode(picture(QImage::Format_RGB32));
    gamma.insert(33, QByteArray("\0\0\0\4gAMA\0\0\xb1\x8f\0\0\0\0", 16));
    resign(gamma, "gAMA");
    ASSERT_TRUE(QImageReader(new QBuffer(&gamma)).canRead());
    EXPECT_FALSE(png::decodePlain(gamma));
    EXPECT_FALSE(scaled(gamma, {50, 50}).isNull()); // a thumbnail need not manage colours
    EXPECT_FALSE(png::decodePlain("not a picture"));

    // A transparency key makes its colour transparent in a thumbnail, as the editor's reader
    // (Qt's) has it.
    QImage image = test_images::filled(8, 4, QColor(10, 20, 30));
    for (int y = 0; y < 4; ++y)
        image.setPixel(7, y, qRgb(1, 2, 3));
    QByteArray keyed = png::encode(image);
    keyed.insert(chunkAt(keyed, "IDAT"), QByteArray("\0\0\0\6tRNS\0\1\0\2\0\3\0\0\0\0", 18));
    resign(keyed, "tRNS");
    const QImage qt = QImage::fromData(keyed, "PNG");
    ASSERT_EQ(qAlpha(qt.pixel(7, 0)), 0);
    EXPECT_FALSE(png::decodePlain(keyed));
    const QImage thumbnail = scaled(keyed, {8, 8});
    ASSERT_EQ(thumbnail.size(), QSize(8, 4));
    EXPECT_EQ(largestDifference(thumbnail, qt), 0);
}

TEST(PngDecoder, aDamagedFileOrOneLargerThanAnyCaptureIsNothing) {
    // Large enough for a file to be read in several pieces.
    const QByteArray good = png::encode(picture(QImage::Format_RGB32, {1200, 700}));
    ASSERT_GT(good.size(), 600 * 1024);
    const std::optional<QImage> whole = png::decodePlain(good);
    ASSERT_TRUE(whole);
    EXPECT_EQ(largestDifference(scaled(good, {1200, 1200}), *whole), 0);
    QList<QByteArray> damaged;
    for (qsizetype cut : {qsizetype(8), qsizetype(40), good.size() / 2, good.size() - 12})
        damaged.append(good.left(cut));

    QByteArray flipped = good;
    flipped[good.size() / 2] = char(flipped[good.size() / 2] ^ 0x10);
    damaged.append(flipped); // the chunk's CRC

    QByteArray taller = good;
    qToBigEndian<quint32>(701, taller.data() + 20);
    resign(taller, "IHDR");
    damaged.append(taller); // fewer rows than the header says

    QByteArray badHeader = good;
    badHeader[chunkAt(good, "IDAT") + 8] = 0x79;
    resign(badHeader, "IDAT");
    damaged.append(badHeader);

    // Wider or taller than any capture (a 4K screen's width, 40 of its heights).
    const QSize largest = capture_bounds::largest();
    for (const QSize size : {QSize(largest.width() + 1, 2), QSize(2, largest.height() + 1)})
        damaged.append(png::encode(test_images::filled(size.width(), size.height())));
    EXPECT_TRUE(png::decodePlain(png::encode(test_images::filled(largest.width(), 2))));
    for (qsizetype i = 0; i < damaged.size(); ++i) {
        EXPECT_FALSE(png::decodePlain(damaged[i])) << i;
        EXPECT_TRUE(scaled(damaged[i], {50, 50}).isNull()) << i;
    }
}

TEST(PngDecoder, damagedDeflateDataEndsWithoutHarm) {
    const QByteArray good = png::encode(picture(QImage::Format_ARGB32, {97, 70}));
    const qsizetype idat = chunkAt(good, "IDAT") + 8;
    const qsizetype length = qFromBigEndian<quint32>(good.constData() + idat - 8);
    QRandomGenerator random(3);
    for (int i = 0; i < 300; ++i) {
        QByteArray bytes = good;
        for (int k = 0; k < 1 + i % 3; ++k)
            bytes[idat + random.bounded(length)] = char(random.generate());
        resign(bytes, "IDAT");
        const std::optional<QImage> decoded = png::decodePlain(bytes);
        if (decoded) {
            EXPECT_EQ(decoded->size(), QSize(97, 70));
        }
        if (i % 10 == 0) {
            const QImage thumbnail = scaled(bytes, {50, 50});
            EXPECT_TRUE(thumbnail.isNull() || thumbnail.size() == QSize(50, 36));
        }
    }
}

TEST(PngDecoder, scaledDownMatchesAFullDecodeScaledDown) {
    QImage image(1000, 800, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QLinearGradient gradient(0, 0, 1000, 800);
    gradient.setColorAt(0, QColor(250, 20, 40));
    gradient.setColorAt(1, QColor(10, 200, 240, 120));
    QPainter(&image).fillRect(image.rect(), gradient);
    const QByteArray bytes = png::encode(image);
    const QImage thumbnail = scaled(bytes, QSize(420, 420));
    ASSERT_EQ(thumbnail.size(), QSize(420, 336));
    const QImage reference = QImage::fromData(bytes, "PNG")
                                 .scaled(420, 336, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    EXPECT_LE(largestDifference(thumbnail, reference), 6);
}
