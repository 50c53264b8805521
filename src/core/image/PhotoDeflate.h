#pragma once

#include <QByteArray>
#include <QtGlobal>

namespace png {

// Deflates bytes [begin, end) of `data` as one piece of a longer raw deflate stream, whose
// earlier bytes (data before `begin`) it may refer back to. Unless `last`, the piece ends on
// a byte boundary (as a zlib sync flush does), so the next piece can be appended as is.
// Tuned for filtered photo-like rows: it takes only long matches (short ones in noise cost
// more than the literals they replace) and spends its time on the Huffman codes instead.
// Appends to `out`.
void deflatePhoto(const uchar* data, qsizetype begin, qsizetype end, bool last, QByteArray& out);

} // namespace png
