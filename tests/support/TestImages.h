#pragma once

#include <QImage>
#include <QRandomGenerator>
#include <QRect>

namespace test_images {

// Opaque random pixels, the same for the same seed.
inline QImage noise(int w, int h, QImage::Format format = QImage::Format_RGB32, int seed = 7) {
    QImage image(w, h, QImage::Format_RGB32);
    QRandomGenerator random(seed);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, random.generate() | 0xff000000u);
    return image.convertToFormat(format);
}

inline QImage filled(int w, int h, QColor color = Qt::white) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

// The bounding box of the pixels inside `area` for which `ink(pixel)` holds.
template <typename Ink> QRect inkBounds(const QImage& image, QRect area, Ink ink) {
    QRect box;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (ink(image.pixel(x, y)))
                box |= QRect(x, y, 1, 1);
    return box;
}

} // namespace test_images
