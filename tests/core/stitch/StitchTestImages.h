#pragma once

#include <QImage>
#include <QRandomGenerator>

// Grey test pictures: a grey pixel's luminance is its grey value, so costs are easy to
// reason about.
namespace stitchtest {

inline QImage flat(int width, int height, int grey) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(qRgb(grey, grey, grey));
    return image;
}

// Every pixel an independent random grey: no shift but the true one matches.
inline QImage noise(int width, int height, quint32 seed) {
    QImage image(width, height, QImage::Format_RGB32);
    QRandomGenerator random(seed);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int grey = random.bounded(256);
            line[x] = qRgb(grey, grey, grey);
        }
    }
    return image;
}

// The part of a tall page seen through a window `height` rows high whose top edge is at
// page row `top`.
inline QImage window(const QImage& page, int top, int height) {
    return page.copy(0, top, page.width(), height);
}

inline void paintRows(QImage& image, int firstRow, int rows, const QImage& source) {
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, firstRow + y, source.pixel(x, y));
}

// The worked example: a 10-row toolbar at the top of the screen over content that moved
// 30 rows down between the first frame and the second.
struct WorkedExample {
    QImage page;
    QImage f0;
    QImage f1;
};
inline WorkedExample workedExample() {
    const QImage page = noise(200, 300, 21);
    WorkedExample example{page, window(page, 100, 100), window(page, 70, 100)};
    const QImage toolbar = noise(200, 10, 99);
    paintRows(example.f0, 0, 10, toolbar);
    paintRows(example.f1, 0, 10, toolbar);
    return example;
}

} // namespace stitchtest
