#pragma once

#include <QFuture>
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

// Decodes `path` and scales it to `scaledSize(…, maxSide)`. A null image when the file
// cannot be read as an image. Safe on any thread.
QImage loadScaled(const QString& path, int maxSide);

// Runs `loadScaled` on the thread pool and hands the result (possibly null) to `done` on
// `context`'s thread; nothing is delivered once `context` is gone.
void load(const QString& path, int maxSide, QObject* context, std::function<void(QImage)> done);

} // namespace preview_loader
