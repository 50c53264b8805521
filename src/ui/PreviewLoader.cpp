#include "ui/PreviewLoader.h"

#include "core/image/PngScaledDecoder.h"

#include <QFuture>
#include <QFutureWatcher>
#include <QImageReader>
#include <QObject>
#include <QtConcurrent/QtConcurrentRun>

namespace preview_loader {

QSize scaledSize(QSize size, int maxSide) {
    if (size.isEmpty() || maxSide <= 0 || qMax(size.width(), size.height()) <= maxSide)
        return size;
    return size.scaled(maxSide, maxSide, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
}

QImage loadScaled(const QString& path, int maxSide) {
    // The program's own PNGs stream through a scaler without ever being whole in memory.
    if (maxSide > 0) {
        if (QImage streamed = png::decodeScaled(path, QSize(maxSide, maxSide)); !streamed.isNull())
            return streamed;
    }
    QImageReader reader(path);
    QImage image = reader.read();
    if (image.isNull())
        return {};
    const QSize target = scaledSize(image.size(), maxSide);
    if (target == image.size())
        return image;
    return image.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

void deliver(QFuture<QImage> future, QObject* context, std::function<void(QImage)> done) {
    // A watcher owned by `context` dies with it, and a result that comes after that is
    // dropped. A continuation bound to `context` (QFuture::then) would instead assert
    // that it still lives, on the pool's thread.
    auto* watcher = new QFutureWatcher<QImage>(context);
    QObject::connect(watcher, &QFutureWatcherBase::finished, watcher,
                     [watcher, done = std::move(done)] {
                         watcher->deleteLater();
                         // A job dropped from its pool before it ran has no result.
                         done(watcher->future().resultCount() > 0 ? watcher->result() : QImage());
                     });
    // A future finished already is announced through a posted event too: never inside
    // this call.
    watcher->setFuture(std::move(future));
}

void load(const QString& path, int maxSide, QObject* context, std::function<void(QImage)> done) {
    deliver(QtConcurrent::run([path, maxSide] { return loadScaled(path, maxSide); }), context,
            std::move(done));
}

} // namespace preview_loader
