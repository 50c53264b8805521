#pragma once

#include <QByteArray>
#include <QImage>
#include <optional>

namespace png {

// Decodes the plain PNGs that Quillbox and most screen tools write (8-bit truecolour with
// or without alpha, not interlaced, no colour-space chunks) in about half the time of the
// general reader: a long scrolling capture has half a gigabyte of pixels. Anything else,
// and any damaged file, is nothing here: the caller hands it to QImageReader, which either
// reads it or says why not. Respects QImageReader's allocation limit.
std::optional<QImage> decodePlain(const QByteArray& bytes);

} // namespace png
