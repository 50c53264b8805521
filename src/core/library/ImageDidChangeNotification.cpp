#include "core/library/ImageDidChangeNotification.h"

ImageDidChangeNotification& ImageDidChangeNotification::center() {
    static ImageDidChangeNotification instance;
    return instance;
}

void ImageDidChangeNotification::post(const QUuid& screenshotId) {
    Q_EMIT quillboxImageDidChange(screenshotId);
}
