#include "core/image/Png.h"
#include "TestImages.h"
#include "core/image/HuffmanCode.h"
#include "core/image/PhotoDeflate.h"
#include "core/image/PngRows.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtEndian>
#include <atomic>
#include <cmath>
#include <gtest/gtest.h>
#include <thread>
#include <zlib.h>

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

quint32 be32(const QByteArray& bytes, qsizetype at) {
    return qFromBigEndian<quint32>(bytes.constData() + at);
}

// The colour type and bit depth bytes of the IHDR chunk.
std::pair<int, int> colorTypeAndDepth(const QByteArray& png) {
    if (png.size() < 26)
        return {-1, -1};
    return {static_cast<uchar>(png[25]), static_cast<uchar>(png[24])};
}

// The filtered rows of a file, empty unless the file is well formed as a strict reader sees
// it: signature, every chunk's CRC, IEND last, one zlib stream with a good checksum holding
// exactly the rows the header promises, no more and no less.
QByteArray filteredRows(const QByteArray& png) {
    if (!png.startsWith(QByteArray("\x89PNG\r\n\x1a\n", 8)) || png.size() < 33)
        return {};
    QByteArray stream;
    qsizetype at = 8;
    bool ended = false;
    while (at + 12 <= png.size() && !ended) {
        const quint32 length = be32(png, at);
        if (length > 0x7fffffffu || at + 12 + qsizetype(length) > png.size())
            return {};
        const auto* typed = reinterpret_cast<const Bytef*>(png.constData() + at + 4);
        if (crc32(0, typed, 4 + length) != be32(png, at + 8 + length))
            return {};
        const QByteArray type = png.mid(at + 4, 4);
        if (type == "IDAT")
            stream.append(png.mid(at + 8, length));
        ended = type == "IEND";
        at += 12 + length;
    }
    const auto [colorType, depth] = colorTypeAndDepth(png);
    const int channels = colorType == 0 ? 1 : colorType == 2 ? 3 : colorType == 6 ? 4 : 0;
    const qsizetype expected =
        qsizetype(be32(png, 20)) * (1 + qsizetype(be32(png, 16)) * channels * depth / 8);
    QByteArray out(expected + 1, Qt::Uninitialized);
    uLongf length = static_cast<uLongf>(out.size());
    if (!ended || at != png.size() || channels == 0 ||
        uncompress(reinterpret_cast<Bytef*>(out.data()), &length,
                   reinterpret_cast<const Bytef*>(stream.constData()),
                   static_cast<uLong>(stream.size())) != Z_OK ||
        qsizetype(length) != expected)
        return {};
    out.resize(expected);
    return out;
}

QByteArray inflateRaw(const QByteArray& stream, qsizetype expected) {
    QByteArray out(expected + 1, '\0');
    z_stream z{};
    inflateInit2(&z, -15);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(stream.constData()));
    z.avail_in = static_cast<uInt>(stream.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    const int status = inflate(&z, Z_FINISH);
    out.resize(static_cast<qsizetype>(z.total_out));
    const bool whole = status == Z_STREAM_END && z.avail_in == 0;
    inflateEnd(&z);
    return whole ? out : QByteArray();
}

} // namespace

TEST(Png, everyImageFormat_roundTripsThroughAWellFormedFile) {
    for (int f = QImage::Format_Mono; f < QImage::NImageFormats; ++f) {
        const auto format = static_cast<QImage::Format>(f);
        SCOPED_TRACE(f);
        for (QSize size : {QSize(1, 1), QSize(7, 3), QSize(300, 41)}) {
            const QImage source = pattern(size, format);
            if (source.isNull())
                continue; // a format Qt cannot convert to
            const QByteArray png = png::encode(source);
            EXPECT_FALSE(filteredRows(png).isEmpty());
            const QImage decoded = decode(png);
            ASSERT_EQ(decoded.size(), size);
            const bool wide = source.depth() >= 64 || format == QImage::Format_Grayscale16;
            const bool alpha = source.hasAlphaChannel();
            const QImage::Format common =
                wide ? (alpha ? QImage::Format_RGBA64 : QImage::Format_RGBX64)
                     : (alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
            EXPECT_EQ(decoded.convertToFormat(common), source.convertToFormat(common));
        }
    }
    EXPECT_TRUE(png::encode(QImage()).isEmpty());
}

TEST(Png, alphaIsWrittenOnlyWhenSomePixelIsNotOpaqueAndDeepImagesKeep16Bits) {
    QImage opaque(16, 9, QImage::Format_ARGB32);
    opaque.fill(qRgba(10, 20, 30, 255));
    QImage seeThrough = opaque;
    seeThrough.setPixel(15, 8, qRgba(10, 20, 30, 254));
    const struct {
        QImage image;
        std::pair<int, int> expected;
    } cases[] = {
        {opaque, {2, 8}},
        {opaque.convertToFormat(QImage::Format_RGB32), {2, 8}},
        {opaque.convertToFormat(QImage::Format_RGBA8888), {2, 8}},
        {opaque.convertToFormat(QImage::Format_RGBA64), {2, 16}},
        {seeThrough, {6, 8}},
        {seeThrough.convertToFormat(QImage::Format_RGBA8888), {6, 8}},
        {seeThrough.convertToFormat(QImage::Format_RGBA64), {6, 16}},
        {seeThrough.convertToFormat(QImage::Format_Grayscale8), {0, 8}},
        {seeThrough.convertToFormat(QImage::Format_Grayscale16), {0, 16}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(colorTypeAndDepth(png::encode(c.image)), c.expected) << c.image.format();
}

TEST(Png, rawScreenPixels_encodeLikeTheirImageAlsoWhileTheyArrive) {
    const QImage screen = pattern({333, 200}, QImage::Format_RGB32);
    const QByteArray raw = png::encodeRgb32(screen.constBits(), screen.width(), screen.height(),
                                            screen.bytesPerLine());
    EXPECT_EQ(raw, png::encode(screen));
    EXPECT_EQ(decode(raw), screen);

    // Rows that arrive in bands while the strips are encoded give the same file; rows
    // that stop coming give none.
    const QImage large = pattern({1500, 1001}, QImage::Format_RGB32);
    const auto encodeArriving = [&large](int lastBand) {
        std::atomic<int> ready{0};
        std::jthread server([&] {
            for (int band = 1; band <= 9; ++band) {
                std::this_thread::yield();
                ready = band == lastBand + 1 ? -1 : large.height() * band / 9;
                ready.notify_all();
                if (ready < 0)
                    return;
            }
        });
        return png::encodeRgb32(large.constBits(), large.width(), large.height(),
                                large.bytesPerLine(), &ready);
    };
    EXPECT_EQ(encodeArriving(9), png::encode(large));
    EXPECT_TRUE(encodeArriving(4).isEmpty());
}

TEST(Png, strips_joinIntoOneValidZlibStreamWhateverTheirCount) {
    // Noise above, flat interface colours with a little text below, so strips differ in how
    // they are best compressed.
    QImage source = test_images::noise(257, 120, QImage::Format_RGB888);
    QPainter painter(&source);
    painter.fillRect(0, 60, 257, 60, QColor(236, 236, 240));
    for (int y = 72; y < 120; y += 16)
        painter.drawText(4, y, QStringLiteral("Lorem ipsum dolor sit amet %1").arg(y));
    painter.end();
    png::Rows rows;
    rows.bits = source.constBits();
    rows.width = source.width();
    rows.height = source.height();
    rows.bytesPerLine = source.bytesPerLine();
    const QByteArray oneStrip = filteredRows(png::encodeRows(rows, 1));
    ASSERT_EQ(oneStrip.size(), (rows.rowBytes() + 1) * rows.height);
    // Up to one strip per row: each strip starts from the bytes before it, every strip
    // but the last ends byte-aligned and not final, and the checksums combine.
    for (int strips : {2, 3, 7, 8, 119, 120, 500}) {
        SCOPED_TRACE(strips);
        const QByteArray png = png::encodeRows(rows, strips);
        EXPECT_EQ(filteredRows(png), oneStrip);
        EXPECT_EQ(decode(png).convertToFormat(QImage::Format_RGB888), source);
    }
    // Large enough for as many strips as there are cores, with and without alpha.
    for (QImage::Format format : {QImage::Format_ARGB32, QImage::Format_RGB32}) {
        const QImage large = pattern({1500, 1001}, format);
        const QByteArray png = png::encode(large);
        EXPECT_FALSE(filteredRows(png).isEmpty());
        EXPECT_EQ(decode(png).convertToFormat(QImage::Format_ARGB32),
                  large.convertToFormat(QImage::Format_ARGB32));
    }
}

TEST(Png, veryTallImages_areEncodedWhole) {
    // As a long scrolling capture, narrowed so the test stays quick.
    const QImage tall = pattern({40, 120000}, QImage::Format_RGB32);
    const QByteArray png = png::encode(tall);
    EXPECT_FALSE(filteredRows(png).isEmpty());
    EXPECT_EQ(decode(png), tall);
    const QImage grey = tall.convertToFormat(QImage::Format_Grayscale8);
    EXPECT_EQ(decode(png::encode(grey)), grey);
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

TEST(PhotoDeflate, piecesJoinIntoOneStreamThatInflatesToTheBytes) {
    // Noise, long runs, and repeats that reach back across the pieces' boundaries; enough
    // symbols for several blocks per piece.
    QRandomGenerator random(3);
    QByteArray bytes;
    while (bytes.size() < 400000) {
        const qsizetype from = bytes.size();
        switch (random.bounded(4)) {
        case 0:
            for (int i = random.bounded(1, 3000); i > 0; --i)
                bytes.append(static_cast<char>(random.bounded(256)));
            break;
        case 1:
            bytes.append(random.bounded(1, 2000), static_cast<char>(random.bounded(3)));
            break;
        default:
            if (from > 40000)
                bytes.append(bytes.mid(from - random.bounded(6, 32768), random.bounded(3, 600)));
        }
    }
    const auto* data = reinterpret_cast<const uchar*>(bytes.constData());
    for (const std::vector<qsizetype>& cuts :
         {std::vector<qsizetype>{0, bytes.size()},
          {0, 1, 2, 70001, 70004, 333333, bytes.size()},
          {0, bytes.size() - 3, bytes.size() - 1, bytes.size(), bytes.size()}}) {
        QByteArray stream;
        for (size_t i = 0; i + 1 < cuts.size(); ++i)
            png::deflatePhoto(data, cuts[i], cuts[i + 1], i + 2 == cuts.size(), stream);
        EXPECT_EQ(inflateRaw(stream, bytes.size()), bytes) << cuts.size();
    }
    // Noise does not grow much.
    QByteArray noise;
    png::deflatePhoto(data, 0, 3000, true, noise);
    EXPECT_LT(noise.size(), 3000 * 105 / 100);
}

TEST(HuffmanCode, lengthsStayWithinTheLimitAndFormACompleteCode) {
    // Fibonacci weights make the optimal code as deep as there are symbols.
    uint32_t skewed[40] = {1, 1};
    for (int i = 2; i < 40; ++i)
        skewed[i] = skewed[i - 1] + skewed[i - 2];
    uint32_t single[19] = {};
    single[7] = 5;
    struct Case {
        const uint32_t* frequencies;
        int count;
        int limit;
    };
    for (const Case& c : {Case{skewed, 40, 15}, Case{skewed, 19, 7}, Case{single, 19, 7}}) {
        png::HuffmanCode code;
        code.build(c.frequencies, c.count, c.limit);
        double kraft = 0;
        int used = 0;
        int weighted = 0;
        for (int s = 0; s < c.count; ++s) {
            EXPECT_LE(code.lengths[s], c.limit);
            if (c.frequencies[s] > 0) {
                EXPECT_GT(code.lengths[s], 0);
                ++weighted;
            }
            if (code.lengths[s] > 0) {
                kraft += std::ldexp(1.0, -code.lengths[s]);
                ++used;
            }
        }
        EXPECT_DOUBLE_EQ(kraft, 1.0);
        EXPECT_EQ(used, std::max(weighted, 2));
    }
}
