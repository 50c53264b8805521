#pragma once

#include <QImage>
#include <QRandomGenerator>

// Text-like grey pictures: lines of dark word boxes on a light ground, with a strip whose
// grey changes on every row, so that no two stretches of a page look alike.
inline QImage textPage(int width, int height, quint32 seed) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(qRgb(245, 245, 245));
    QRandomGenerator random(seed);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        const bool ink = y % 18 < 12;
        int x = 20;
        while (ink && x < width - 20) {
            const int word = 6 + random.bounded(40);
            const int grey = 20 + random.bounded(100);
            for (int i = 0; i < word && x < width - 20; ++i, ++x)
                line[x] = qRgb(grey, grey, grey);
            x += 6;
        }
        const int strip = random.bounded(256);
        for (int x = 0; x < 12 && x < width; ++x)
            line[width / 2 + x - 6] = qRgb(strip, strip, strip);
    }
    return image;
}
