#include "core/image/CaptureBounds.h"

#include <QImageReader>
#include <atomic>

namespace capture_bounds {
namespace {

constexpr QSize smallestAssumedScreen(3840, 2160);

// Read from the reader threads, set on the GUI thread.
std::atomic<int> largestWidth = smallestAssumedScreen.width();
std::atomic<int> largestHeight = smallestAssumedScreen.height() * mostFrames;

} // namespace

void setScreens(QSize largestScreen, QSize desktop) {
    const QSize screen = largestScreen.expandedTo(smallestAssumedScreen);
    largestWidth = std::max(screen.width(), desktop.width());
    largestHeight = std::max(screen.height() * mostFrames, desktop.height());
    const QSize bound = largest();
    QImageReader::setAllocationLimit(
        int(qint64(bound.width()) * bound.height() * 4 / (qint64(1) << 20)) + 1);
}

QSize largest() {
    return {largestWidth.load(), largestHeight.load()};
}

bool fits(QSize pictureSize) {
    const QSize bound = largest();
    return pictureSize.width() > 0 && pictureSize.height() > 0 &&
           pictureSize.width() <= bound.width() && pictureSize.height() <= bound.height();
}

qint64 largestFileBytes() {
    // Rows of 4-byte pixels with their filter byte, deflate's stored blocks (5 bytes per
    // 64 KB) and room for the chunks around them.
    const QSize bound = largest();
    const qint64 raw = qint64(bound.height()) * (1 + qint64(bound.width()) * 4);
    return raw + raw / 8192 + (qint64(1) << 20);
}

} // namespace capture_bounds
