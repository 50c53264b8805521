#pragma once

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
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

// Lines of text 17 rows high drawn with the application font at 13 pixels in black on
// white, `margin` in from each side; `text(i, metrics)` gives line i (empty: a blank one).
template <typename Text>
QImage linesPage(int width, int lines, int margin, Qt::Alignment align, Text text) {
    constexpr int lineRows = 17;
    QImage image(width, lines * lineRows, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QFont font = painter.font();
    font.setPixelSize(13);
    painter.setFont(font);
    painter.setPen(Qt::black);
    const QFontMetrics metrics(font);
    for (int i = 0; i < lines; ++i)
        painter.drawText(QRect(margin, i * lineRows, width - 2 * margin, lineRows),
                         align | Qt::AlignVCenter, text(i, metrics));
    return image;
}

// A page of real text: numbered lines of a few words repeating in turn. Like a text view,
// most of it is the white ground, so wrong shifts also match loosely.
inline QImage renderedTextPage(int width, int lines) {
    static const char* const words[] = {"alpha",   "bravo", "charlie", "delta", "echo",
                                        "foxtrot", "golf",  "hotel",   "india"};
    return linesPage(width, lines, 4, Qt::AlignLeft, [](int i, const QFontMetrics&) {
        QString text = QStringLiteral("Line %1").arg(i, 4, 10, QLatin1Char('0'));
        for (int k = 0; k < 2 + i % 7; ++k)
            text += QLatin1Char(' ') + QLatin1String(words[(i * 7 + k) % 9]);
        return text;
    });
}

// Short lines of a few dark words far apart on a white ground, some at the top of a light
// grey block: most stretches of rows are one plain colour.
inline QImage sparsePage(int width, int height, quint32 seed) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QRandomGenerator random(seed);
    int y = 6;
    while (y < height - 20) {
        const bool block = random.bounded(3) == 0;
        const int gap = 50 + random.bounded(100);
        if (block) // a code block: light grey with one short line at its top
            painter.fillRect(0, y, width, gap, QColor(238, 240, 242));
        int x = 14;
        for (int words = 1 + random.bounded(3); words > 0; --words) {
            const int w = 10 + random.bounded(40);
            const int grey = 30 + random.bounded(90);
            painter.fillRect(x, y + 6, w, 10, QColor(grey, grey, grey));
            x += w + 7;
        }
        y += block ? gap + 8 : 22 + gap;
    }
    painter.fillRect(14, height - 14, 60, 10, QColor(40, 40, 40));
    return image;
}

// Short lines hugging one side of a white page, as a file list or a column of sizes shows
// them: names of a few letters at the left edge, or numbers right-aligned at the right edge,
// no wider than `widest` pixels, and now and then a blank line.
inline QImage sideLinesPage(int width, int lines, Qt::AlignmentFlag side, int widest) {
    QRandomGenerator random(side == Qt::AlignLeft ? 31 : 32);
    return linesPage(width, lines, 3, side, [&](int, const QFontMetrics& metrics) {
        QString text;
        if (random.bounded(6) == 0)
            return text;
        for (int n = 1 + random.bounded(5); n > 0; --n)
            text += side == Qt::AlignLeft ? QChar(u'a' + random.bounded(26))
                                          : QChar(u'0' + random.bounded(10));
        while (text.size() > 1 && metrics.horizontalAdvance(text) > widest)
            text.chop(1);
        return text;
    });
}
