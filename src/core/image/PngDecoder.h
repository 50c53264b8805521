#pragma once

#include <QByteArray>
#include <QImage>
#include <optional>

class QIODevice;

namespace png {

// Decodes the plain PNGs that Quillbox and most screen tools write (8-bit truecolour with
// or without alpha, not interlaced, no colour-space chunks) into RGB32 or ARGB32, with
// the inflating on a second thread beside the unfiltering: a long scrolling capture has
// half a gigabyte of pixels, which the general reader takes about twice as long over.
// Anything else, and any damaged file, is nothing here: the caller hands it to
// QImageReader, which reads it or says why not. A picture larger than any capture is
// nothing too, and is never decoded.
std::optional<QImage> decodePlain(const QByteArray& bytes);
// The same, read from `device` (a file) in pieces.
std::optional<QImage> decodePlain(QIODevice* device);

} // namespace png
