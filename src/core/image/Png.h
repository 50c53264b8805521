#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <atomic>

// The one PNG encoder of the program, the capture tool and the editor: tuned for
// screenshots (fast, and no larger than a general-purpose writer's files).
namespace png {

QByteArray encode(const QImage& image);

// Writes a temporary file beside `path` and renames it into place, so a reader never
// sees a partial file. On failure nothing is left behind and `error` says why.
bool write(const QImage& image, const QString& path, QString* error = nullptr);

// Screen pixels as an X server hands them over (32 bits per pixel, 0xffRRGGBB in host
// order), encoded without going through QImage: the capture tool's quick path links no
// more than Qt Core. `rowsReady`, when given, counts the rows from the top that have
// arrived (-1: the rest never will, and nothing is encoded); strips start as theirs arrive.
QByteArray encodeRgb32(const uchar* bits, int width, int height, qsizetype bytesPerLine,
                       const std::atomic<int>* rowsReady = nullptr);

// The atomic write behind `write` (atomic_file::write), for bytes already encoded.
bool writeFile(const QByteArray& bytes, const QString& path, QString* error = nullptr);

} // namespace png
