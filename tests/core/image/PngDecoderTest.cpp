#include "core/image/PngDecoder.h"
#include "core/image/Png.h"

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>
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

} // namespace

TEST(PngDecoder, readsWhatQtAndQuillboxWriteExactlyAsQtReadsIt) {
    for (QImage::Format format : {QImage::Format_RGB32, QImage::Format_ARGB32}) {
        const QImage image = picture(format);
        for (const QByteArray& bytes : {qtPng(image), png::encode(image)}) {
            const std::optional<QImage> decoded = png::decodePlain(bytes);
            ASSERT_TRUE(decoded) << format;
            EXPECT_EQ(decoded->format(), format);
            EXPECT_EQ(*decoded, QImage::fromData(bytes, "PNG").convertToFormat(format)) << format;
        }
    }
}

TEST(PngDecoder, leavesOtherKindsOfPngToTheGeneralReader) {
    EXPECT_FALSE(png::decodePlain(qtPng(picture(QImage::Format_Grayscale8))));
    EXPECT_FALSE(png::decodePlain(qtPng(picture(QImage::Format_RGBA64))));
    // A gamma chunk right after the header: colours the general reader manages.
    QByteArray gamma = png::encode(picture(QImage::Format_RGB32));
    gamma.insert(33, QByteArray("\0\0\0\4gAMA\0\0\xb1\x8f\0\0\0\0", 16));
    resign(gamma, "gAMA");
    ASSERT_TRUE(QImageReader(new QBuffer(&gamma)).canRead());
    EXPECT_FALSE(png::decodePlain(gamma));
    EXPECT_FALSE(png::decodePlain("not a picture"));
}

TEST(PngDecoder, aDamagedFileIsNothing) {
    const QByteArray good = png::encode(picture(QImage::Format_RGB32));
    ASSERT_TRUE(png::decodePlain(good));
    for (qsizetype cut : {qsizetype(8), qsizetype(40), good.size() / 2, good.size() - 12})
        EXPECT_FALSE(png::decodePlain(good.left(cut))) << cut;

    QByteArray flipped = good;
    flipped[good.size() / 2] = char(flipped[good.size() / 2] ^ 0x10);
    EXPECT_FALSE(png::decodePlain(flipped)); // the chunk's CRC

    QByteArray taller = good;
    qToBigEndian<quint32>(138, taller.data() + 20);
    resign(taller, "IHDR");
    EXPECT_FALSE(png::decodePlain(taller)); // fewer rows than the header says

    QByteArray badHeader = good;
    badHeader[chunkAt(good, "IDAT") + 8] = 0x79;
    resign(badHeader, "IDAT");
    EXPECT_FALSE(png::decodePlain(badHeader));
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
    }
}

TEST(PngDecoder, keepsToTheReadersAllocationLimit) {
    const QByteArray bytes = png::encode(picture(QImage::Format_RGB32, {1000, 600}));
    const int limit = QImageReader::allocationLimit();
    QImageReader::setAllocationLimit(1);
    EXPECT_FALSE(png::decodePlain(bytes));
    QImageReader::setAllocationLimit(limit);
    EXPECT_TRUE(png::decodePlain(bytes));
}
