#include "core/image/PngScaledDecoder.h"
#include "core/image/Png.h"

#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QImage pattern(QSize size, QImage::Format format) {
    QImage image(size, format);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, size.width(), size.height());
    gradient.setColorAt(0, QColor(250, 20, 40));
    gradient.setColorAt(1, QColor(10, 200, 240, 120));
    painter.fillRect(image.rect(), gradient);
    return image;
}

int largestDifference(const QImage& a, const QImage& b) {
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

TEST(PngScaledDecoder, matchesAFullDecodeScaledDownForEveryFilterAndBothLayouts) {
    QTemporaryDir dir;
    const QString ours = dir.filePath(QStringLiteral("ours.png"));
    const QString qts = dir.filePath(QStringLiteral("qt.png"));
    const QImage rgba = pattern(QSize(1000, 800), QImage::Format_ARGB32);
    ASSERT_TRUE(png::write(rgba, ours));
    // Qt's writer picks its own filters per row, Paeth and average among them.
    ASSERT_TRUE(pattern(QSize(300, 420), QImage::Format_RGB32).save(qts));

    const QImage scaled = png::decodeScaled(ours, QSize(420, 420));
    ASSERT_EQ(scaled.size(), QSize(420, 336));
    const QImage reference =
        QImage(ours).scaled(420, 336, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    EXPECT_LE(largestDifference(scaled, reference), 6);

    const QImage whole = png::decodeScaled(qts, QSize(420, 420)); // never enlarged
    ASSERT_EQ(whole.size(), QSize(300, 420));
    EXPECT_EQ(largestDifference(whole, QImage(qts)), 0);
}

TEST(PngScaledDecoder, otherKindsAndDamagedFilesGiveNothing) {
    QTemporaryDir dir;
    const QString gray = dir.filePath(QStringLiteral("gray.png"));
    QImage(40, 30, QImage::Format_Grayscale8).save(gray);
    EXPECT_TRUE(png::decodeScaled(gray, QSize(20, 20)).isNull());

    const QString cut = dir.filePath(QStringLiteral("cut.png"));
    const QByteArray bytes = png::encode(pattern(QSize(200, 200), QImage::Format_RGB32));
    QFile file(cut);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes.left(bytes.size() / 2));
    file.close();
    EXPECT_TRUE(png::decodeScaled(cut, QSize(50, 50)).isNull());
    EXPECT_TRUE(
        png::decodeScaled(dir.filePath(QStringLiteral("none.png")), QSize(50, 50)).isNull());
}
