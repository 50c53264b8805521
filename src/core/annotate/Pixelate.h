#pragma once

#include <QImage>

// The redaction picture: the whole image in square cells of max(min(w, h) / 45, 8)
// pixels on a grid anchored at the image's centre, each cell one colour sampled from
// the cell. Same size as the given image; null when there is nothing to pixelate.
QImage makePixelated(const QImage& image);
