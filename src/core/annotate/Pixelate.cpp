#include "core/annotate/Pixelate.h"

#include <QList>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// Splits 0..length into cells of `size` anchored at `centre`: for each cell its first
// pixel, and the pixel whose colour it takes (the middle of its part inside the image).
struct Cells {
    QList<int> starts; // ascending, starts[0] == 0, with `length` appended as an end
    QList<int> samples;
};

Cells cellsAlong(int length, double size) {
    const double centre = length / 2.0;
    Cells cells;
    // Pixel p belongs to cell floor((p + 0.5 - centre) / size).
    auto cellOf = [&](int p) { return std::floor((p + 0.5 - centre) / size); };
    int start = 0;
    while (start < length) {
        const double cell = cellOf(start);
        // First pixel whose centre lies in the next cell.
        int end = int(std::ceil(centre + (cell + 1) * size - 0.5));
        end = std::clamp(end, start + 1, length);
        while (end < length && cellOf(end) == cell)
            ++end;
        cells.starts.append(start);
        cells.samples.append(start + (end - start - 1) / 2);
        start = end;
    }
    cells.starts.append(length);
    return cells;
}

bool isFourBytesPerPixel(QImage::Format format) {
    switch (format) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
    case QImage::Format_RGBX8888:
    case QImage::Format_RGBA8888:
    case QImage::Format_RGBA8888_Premultiplied:
        return true;
    default:
        return false;
    }
}

} // namespace

QImage makePixelated(const QImage& image) {
    if (image.isNull() || image.width() < 1 || image.height() < 1)
        return {};
    const QImage source = isFourBytesPerPixel(image.format())
                              ? image
                              : image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const int w = source.width();
    const int h = source.height();
    const double size = std::max(std::min(w, h) / 45.0, 8.0);
    const Cells columns = cellsAlong(w, size);
    const Cells rows = cellsAlong(h, size);

    QImage result(w, h, source.format());
    if (result.isNull())
        return {};
    result.setDevicePixelRatio(image.devicePixelRatio());
    result.setDotsPerMeterX(image.dotsPerMeterX());
    result.setDotsPerMeterY(image.dotsPerMeterY());

    const qsizetype rowBytes = qsizetype(w) * 4;
    for (qsizetype r = 0; r < rows.samples.size(); ++r) {
        // Build the cell row's first line, then copy it to the others.
        const auto* sampleLine =
            reinterpret_cast<const quint32*>(source.constScanLine(rows.samples[r]));
        auto* first = reinterpret_cast<quint32*>(result.scanLine(rows.starts[r]));
        for (qsizetype c = 0; c < columns.samples.size(); ++c)
            std::fill(first + columns.starts[c], first + columns.starts[c + 1],
                      sampleLine[columns.samples[c]]);
        for (int y = rows.starts[r] + 1; y < rows.starts[r + 1]; ++y)
            std::memcpy(result.scanLine(y), first, size_t(rowBytes));
    }
    return result;
}
