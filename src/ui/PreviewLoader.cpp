#include "ui/PreviewLoader.h"

#include "core/FutureDelivery.h"
#include "core/image/PngScaledDecoder.h"

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

void load(const QString& path, int maxSide, QObject* context, std::function<void(QImage)> done) {
    future_delivery::deliver(
        QtConcurrent::run([path, maxSide] { return loadScaled(path, maxSide); }), context,
        std::move(done));
}

} // namespace preview_loader
