#pragma once

#include <QImage>
#include <QSize>
#include <QString>

namespace png {

// Decodes the PNG at `path` straight into `target` (at most its size; never enlarged),
// averaging the pixels that fall on each target pixel, one row at a time: a 2880 x 56000
// capture decodes in a few megabytes instead of its full 600. Handles what the program
// writes, 8-bit RGB and RGBA without interlacing; any other file, or a damaged one, gives
// a null image (decode it another way).
QImage decodeScaled(const QString& path, QSize target);

} // namespace png
