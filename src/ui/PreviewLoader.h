#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <functional>

class QObject;

// Reads and downscales captures off the GUI thread: a long scrolling capture takes about a
// second to decode, which would freeze the popover and the tray.
namespace preview_loader {

// `size` scaled so that its longer side is at most `maxSide`, keeping the aspect ratio;
// never enlarged.
QSize scaledSize(QSize size, int maxSide);

// Reads `path` on the reader threads, scaled to `scaledSize(…, maxSide)`, and hands the
// result (null when the file cannot be read as a picture) to `done` on `context`'s thread;
// nothing is delivered once `context` is gone. `stillWanted` is asked on the reader thread
// before the read: a picture nobody shows any more is not read.
void load(const QString& path, int maxSide, QObject* context, std::function<void(QImage)> done,
          std::function<bool()> stillWanted = {});

} // namespace preview_loader
