// quillbox-capture: Quillbox's capture tool.
//   quillbox-capture [-i -s | -i -w [-o]] [-x] [--] path
// The whole screen is grabbed and written here, linking no more than Qt Core, xcb and
// zlib, since that path must start fast; picking an area or a window is left to
// quillbox-capture-select beside it. Exit status: 0 written (or the usage shown), 1
// nothing written (a failure says why on stderr), 2 bad arguments.
#include "core/image/Png.h"
#include "core/io/SystemError.h"
#include "platform/x11/XcbRootGrabber.h"
#include "quillbox-capture/CaptureArguments.h"
#include "quillbox-capture/CaptureOutput.h"

#include <QFileInfo>
#include <atomic>
#include <optional>
#include <thread>
#include <unistd.h>

namespace {

// The screen is asked for in bands of about this size, and each strip of the file is
// encoded as soon as its rows are in, while the server copies the rest.
constexpr qsizetype bandBytes = 1 << 20;

// The whole screen as a PNG file; nothing when it cannot be read.
std::optional<QByteArray> encodeScreen(XcbRootGrabber& grabber) {
    const QSize size = grabber.screenSize();
    XcbImage screen = grabber.startScreenInBands(
        int(qsizetype(size.width()) * size.height() * 4 / bandBytes) + 1);
    if (screen.isNull()) {
        screen = grabber.grab(QRect(QPoint(0, 0), size));
        if (screen.isNull())
            return std::nullopt;
        return png::encodeRgb32(screen.bits(), screen.width(), screen.height(),
                                screen.bytesPerLine());
    }
    std::atomic<int> rowsReady{0};
    std::jthread receiver([&] {
        int rows = 0;
        do {
            rows = grabber.nextBand();
            rowsReady.store(rows, std::memory_order_release);
            rowsReady.notify_all();
        } while (rows >= 0 && rows < size.height());
    });
    QByteArray png = png::encodeRgb32(screen.bits(), screen.width(), screen.height(),
                                      screen.bytesPerLine(), &rowsReady);
    receiver.join();
    if (rowsReady < 0)
        return std::nullopt;
    return png;
}

// Replaces this process with quillbox-capture-select, same arguments.
int runSelect(char** argv) {
    const QString self = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    const QByteArray select =
        (QFileInfo(self).absolutePath() + QStringLiteral("/quillbox-capture-select")).toLocal8Bit();
    argv[0] = const_cast<char*>(select.constData());
    execv(select.constData(), argv);
    return captureFailure(QStringLiteral("cannot start ") + QString::fromLocal8Bit(select) +
                          QStringLiteral(": ") + systemError(errno));
}

} // namespace

int main(int argc, char** argv) {
    int status = 0;
    const std::optional<CaptureArguments> parsed =
        CaptureArguments::fromCommandLine(argc, argv, status);
    if (!parsed)
        return status;
    if (parsed->mode != CaptureArguments::Mode::screen)
        return runSelect(argv);

    XcbRootGrabber grabber;
    if (!grabber.isRgb32())
        return grabber.screenSize().isEmpty()
                   ? captureFailure(QStringLiteral("cannot read the screen (no X11 display?)"))
                   : runSelect(argv);
    const std::optional<QByteArray> png = encodeScreen(grabber);
    if (!png)
        return captureFailure(QStringLiteral("cannot read the screen"));
    return deliverCapture(*png, *parsed);
}
