#pragma once

#include <QtGlobal>

namespace png {

// The Adler-32 checksum a zlib stream ends with, as zlib's adler32() computes it, in vector
// code (zlib adds byte by byte, a tenth of a PNG encoder's time).
quint32 adler32(const uchar* bytes, qsizetype length);

} // namespace png
