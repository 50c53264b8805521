#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// The one PNG encoder of the program, the capture tool and the editor: tuned for
// screenshots (fast, and no larger than a general-purpose writer's files).
namespace png {

QByteArray encode(const QImage& image);

// Writes a temporary file beside `path` and renames it into place, so a reader never
// sees a partial file. On failure nothing is left behind and `error` says why.
bool write(const QImage& image, const QString& path, QString* error = nullptr);

} // namespace png
