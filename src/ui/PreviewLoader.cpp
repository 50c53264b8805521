#include "ui/PreviewLoader.h"

#include "core/image/CaptureFile.h"
#include "core/io/Background.h"

namespace preview_loader {

QSize scaledSize(QSize size, int maxSide) {
    if (size.isEmpty() || maxSide <= 0 || qMax(size.width(), size.height()) <= maxSide)
        return size;
    return size.scaled(maxSide, maxSide, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
}

void load(const QString& path, int maxSide, QObject* context, std::function<void(QImage)> done,
          std::function<bool()> stillWanted) {
    background::run<QImage>(
        background::readers(), background::picture,
        [path, maxSide, stillWanted = std::move(stillWanted)] {
            if (stillWanted && !stillWanted())
                return QImage();
            return capture_file::readScaled(path, maxSide);
        },
        context, std::move(done));
}

} // namespace preview_loader
