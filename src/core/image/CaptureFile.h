#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <optional>

// Reading a capture's file, whatever stands at its path: through the guarded reader, and
// never a picture larger than any capture. Each call may take a while for a long capture:
// run them off the GUI thread. Safe on any thread.
namespace capture_file {

// The whole picture; a null image when the file cannot be read as one (`error` says why).
QImage read(const QString& path, QString* error = nullptr);

// The picture scaled so that its longer side is at most `maxSide` (never enlarged); a
// PNG of ours streams through a scaler without ever being whole in memory.
QImage readScaled(const QString& path, int maxSide);

// PNG bytes of the picture for the clipboard, once it has been checked to decode: the
// file's own bytes when it is a PNG (a paste then costs no encoding), else a PNG made from
// it. Nothing when the file cannot be read as a picture.
std::optional<QByteArray> pngForPasteboard(const QString& path);

} // namespace capture_file
