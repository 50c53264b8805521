#pragma once

#include <QImage>
#include <QSize>

class QIODevice;

namespace png {

// Decodes the PNG read from `device` (a file) straight into `target` (at most its size;
// never enlarged), averaging the pixels that fall on each target pixel, one row at a time:
// a 2880 x 56000 capture decodes in a few megabytes instead of its full 600. Handles what
// the program writes, 8-bit RGB and RGBA without interlacing, and an RGB file's
// transparency key as the general reader does; any other file, or a damaged one, gives a
// null image (decode it another way). So does a picture larger than any capture.
QImage decodeScaled(QIODevice* device, QSize target);

} // namespace png
