#include "core/image/Png.h"
#include "core/image/PngRows.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>
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

// The colour type byte of the IHDR chunk.
int colorType(const QByteArray& png) {
    return png.size() > 25 ? static_cast<unsigned char>(png[25]) : -1;
}

int bitDepth(const QByteArray& png) {
    return png.size() > 24 ? static_cast<unsigned char>(png[24]) : -1;
}

// The file's zlib stream (every IDAT joined), after checking the signature and every
// chunk's CRC; empty when the file is malformed.
QByteArray zlibStream(const QByteArray& png) {
    if (!png.startsWith(QByteArray("\x89PNG\r\n\x1a\n", 8)))
        return {};
    QByteArray stream;
    qsizetype at = 8;
    bool ended = false;
    while (at + 12 <= png.size() && !ended) {
        const quint32 length = qFromBigEndian<quint32>(png.constData() + at);
        if (length > 0x7fffffffu || at + 12 + qsizetype(length) > png.size())
            return {};
        const QByteArray type = png.mid(at + 4, 4);
        const auto* typed = reinterpret_cast<const Bytef*>(png.constData() + at + 4);
        const quint32 crc = qFromBigEndian<quint32>(png.constData() + at + 8 + length);
        if (crc32(0, typed, 4 + length) != crc)
            return {};
        if (type == "IDAT")
            stream.append(png.mid(at + 8, length));
        ended = type == "IEND";
        at += 12 + length;
    }
    return ended && at == png.size() ? stream : QByteArray();
}

// The filtered rows inside a file; empty when its zlib stream is broken anywhere, its
// checksum included.
QByteArray inflated(const QByteArray& png, qsizetype expectedSize) {
    const QByteArray stream = zlibStream(png);
    QByteArray out(expectedSize + 1, Qt::Uninitialized);
    uLongf length = static_cast<uLongf>(out.size());
    if (stream.isEmpty() || uncompress(reinterpret_cast<Bytef*>(out.data()), &length,
                                       reinterpret_cast<const Bytef*>(stream.constData()),
                                       static_cast<uLong>(stream.size())) != Z_OK)
        return {};
    out.resize(static_cast<qsizetype>(length));
    return out;
}

// Photo-like noise above, flat interface colours with a little text below, so strips
// differ in how they are best compressed.
QImage mixedContent(QSize size) {
    QImage image(size, QImage::Format_RGB888);
    QRandomGenerator random(7);
    for (int y = 0; y < size.height() / 2; ++y) {
        uchar* row = image.scanLine(y);
        for (int x = 0; x < size.width() * 3; ++x)
            row[x] = static_cast<uchar>((x + y) / 3 + random.bounded(24));
    }
    QPainter painter(&image);
    painter.fillRect(0, size.height() / 2, size.width(), size.height() - size.height() / 2,
                     QColor(236, 236, 240));
    for (int y = size.height() / 2 + 12; y < size.height(); y += 16)
        painter.drawText(4, y, QStringLiteral("Lorem ipsum dolor sit amet %1").arg(y));
    return image;
}

png::Rows rowsOf(const QImage& rgb888) {
    png::Rows rows;
    rows.bits = rgb888.constBits();
    rows.width = rgb888.width();
    rows.height = rgb888.height();
    rows.bytesPerLine = rgb888.bytesPerLine();
    return rows;
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
    // Deep images keep 16-bit samples, grey or with alpha as they have.
    const QByteArray grey16 = png::encode(image.convertToFormat(QImage::Format_Grayscale16));
    EXPECT_EQ(colorType(grey16), 0);
    EXPECT_EQ(bitDepth(grey16), 16);
    const QByteArray rgba64 = png::encode(image.convertToFormat(QImage::Format_RGBA64));
    EXPECT_EQ(colorType(rgba64), 6);
    EXPECT_EQ(bitDepth(rgba64), 16);
    image.setPixel(15, 8, qRgba(10, 20, 30, 255));
    const QByteArray rgb64 = png::encode(image.convertToFormat(QImage::Format_RGBA64));
    EXPECT_EQ(colorType(rgb64), 2);
    EXPECT_EQ(bitDepth(rgb64), 16);
    EXPECT_EQ(bitDepth(png::encode(image)), 8);
    EXPECT_TRUE(png::encode(QImage()).isEmpty());
}

TEST(Png, rawScreenPixels_encodeLikeTheirImage) {
    const QImage screen = pattern({333, 200}, QImage::Format_RGB32);
    const QByteArray raw = png::encodeRgb32(screen.constBits(), screen.width(), screen.height(),
                                            screen.bytesPerLine());
    EXPECT_EQ(raw, png::encode(screen));
    EXPECT_EQ(decode(raw), screen);
}

TEST(Png, strips_joinIntoOneValidZlibStreamWhateverTheirCount) {
    const QImage source = mixedContent({257, 120});
    const png::Rows rows = rowsOf(source);
    const qsizetype filteredSize = (rows.rowBytes() + 1) * rows.height;
    const QByteArray oneStrip = inflated(png::encodeRows(rows, 1), filteredSize);
    ASSERT_EQ(oneStrip.size(), filteredSize);
    // Up to one strip per row: each strip starts from the bytes before it, every strip
    // but the last ends byte-aligned and not final, and the checksums combine.
    for (int strips : {2, 3, 7, 8, 119, 120, 500}) {
        SCOPED_TRACE(strips);
        const QByteArray png = png::encodeRows(rows, strips);
        EXPECT_EQ(inflated(png, filteredSize), oneStrip);
        EXPECT_EQ(decode(png).convertToFormat(QImage::Format_RGB888), source);
    }
}

TEST(Png, veryTallImages_areEncodedWhole) {
    // As a long scrolling capture, narrowed so the test stays quick.
    QImage tall(40, 120000, QImage::Format_RGB32);
    for (int y = 0; y < tall.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(tall.scanLine(y));
        for (int x = 0; x < tall.width(); ++x)
            row[x] = qRgb(x * 6, y & 255, (y >> 8) & 255);
    }
    const QByteArray png = png::encode(tall);
    EXPECT_EQ(inflated(png, (40 * 3 + 1) * qsizetype(120000)).size(),
              (40 * 3 + 1) * qsizetype(120000));
    EXPECT_EQ(decode(png), tall);
    const QImage grey = tall.convertToFormat(QImage::Format_Grayscale8);
    EXPECT_EQ(decode(png::encode(grey)), grey);
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

TEST(Png, filesOpenInImageMagickWithTheSamePixels) {
    const QString convert = QStandardPaths::findExecutable(QStringLiteral("convert"));
    if (convert.isEmpty())
        GTEST_SKIP() << "ImageMagick is not installed";
    QTemporaryDir dir;
    QImage seeThrough = pattern({1500, 1001}, QImage::Format_ARGB32); // several strips
    const struct {
        const char* name;
        QImage image;
        bool deep;
    } cases[] = {
        {"alpha", seeThrough, false},
        {"opaque", pattern({333, 201}, QImage::Format_RGB32), false},
        {"premultiplied", pattern({17, 9}, QImage::Format_ARGB32_Premultiplied), false},
        {"grey", pattern({31, 7}, QImage::Format_Grayscale8), false},
        {"pixel", pattern({1, 1}, QImage::Format_RGB32), false},
        // Debian's ImageMagick policy refuses images over 16K pixels high.
        {"tall", pattern({3, 16000}, QImage::Format_RGB32), false},
        {"grey16", pattern({7, 3}, QImage::Format_Grayscale16), true},
        {"rgba64", pattern({33, 5}, QImage::Format_RGBA64), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString file = dir.filePath(QString::fromLatin1(c.name) + u".png");
        ASSERT_TRUE(png::write(c.image, file));
        QProcess tool;
        tool.start(convert, {QStringLiteral("-regard-warnings"), file, QStringLiteral("-depth"),
                             QStringLiteral("8"), QStringLiteral("rgba:-")});
        ASSERT_TRUE(tool.waitForFinished(60000));
        EXPECT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
        const QByteArray pixels = tool.readAllStandardOutput();
        if (c.deep) { // 16 to 8 bits rounds differently from tool to tool: the size only
            EXPECT_EQ(pixels.size(), 4 * qsizetype(c.image.width()) * c.image.height());
            continue;
        }
        const QImage expected = c.image.convertToFormat(QImage::Format_RGBA8888);
        QByteArray rows;
        for (int y = 0; y < expected.height(); ++y)
            rows.append(reinterpret_cast<const char*>(expected.constScanLine(y)),
                        4 * expected.width());
        EXPECT_TRUE(pixels == rows);
    }
}
