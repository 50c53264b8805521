// How far one wheel click scrolls the program under a screen region: grabs the region,
// turns the wheel one click toward the page's end, waits, grabs again and measures the
// shift with the stitcher. Prints one line per click.
//   wheel_step X Y WIDTH HEIGHT [CLICKS] [WAIT_MS]
#include "core/stitch/ScrollStitcher.h"
#include "platform/x11/InputSynthesizerXTest.h"
#include "platform/x11/RegionGrabberX11.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <cstdio>

namespace {

void wait(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 5)
        return 2;
    const QRectF region(args[1].toDouble(), args[2].toDouble(), args[3].toDouble(),
                        args[4].toDouble());
    const int clicks = args.size() > 5 ? args[5].toInt() : 3;
    const int waitMs = args.size() > 6 ? args[6].toInt() : 800;
    InputSynthesizerXTest input;
    RegionGrabberX11 grabber;
    input.warpPointer(region.center());
    wait(waitMs);
    QImage before = grabber.grab(region);
    for (int i = 0; i < clicks; ++i) {
        input.scrollWheel(region.center(), -1);
        wait(waitMs);
        const QImage after = grabber.grab(region);
        // The content moved up: read the pair the other way round.
        const auto delta = ScrollStitcher::scrollDelta(after, before, 0, 0);
        std::printf("click %d: %d px\n", i + 1, delta ? *delta : -1);
        before = after;
    }
    return 0;
}
