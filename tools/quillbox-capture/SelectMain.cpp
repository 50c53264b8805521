// quillbox-capture-select: the capture tool's interactive half, started by quillbox-capture
// with the same arguments. It grabs the screen first, lets the user pick an area or a
// window on that frozen picture, and writes a PNG file, or nothing when the user cancels.
// It takes every mode, so it also serves screens the quick path cannot read.
// Exit status: 0 written, 1 nothing written, 2 bad arguments.
#include "core/image/Png.h"
#include "platform/x11/ScreenGrabberX11.h"
#include "platform/x11/WindowListX11.h"
#include "quillbox-capture/CaptureArguments.h"
#include "quillbox-capture/CaptureOutput.h"
#include "quillbox-capture/InteractiveCapture.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>
#include <cstdio>

namespace {

constexpr int raiseTimeoutMs = 1500;
constexpr int settleTimeoutMs = 1500;
constexpr int settleIntervalMs = 40;

// Without a compositor, the covered part of a window has no pixels of its own: the
// window is raised, and read again once it has repainted (two reads alike in a row).
QImage uncoveredWindow(const WindowList::Window& window, const QRect& rect,
                       ScreenGrabberX11& grabber) {
    WindowListX11().raise(window, raiseTimeoutMs);
    QImage last = grabber.grabRect(rect);
    QElapsedTimer timer;
    timer.start();
    while (!timer.hasExpired(settleTimeoutMs)) {
        QThread::msleep(settleIntervalMs);
        QImage next = grabber.grabRect(rect);
        if (next == last)
            break;
        last = std::move(next);
    }
    return last;
}

} // namespace

int main(int argc, char** argv) {
    int status = 0;
    const std::optional<CaptureArguments> parsed =
        CaptureArguments::fromCommandLine(argc, argv, status);
    if (!parsed)
        return status;

    // The grab comes first, so the picture is of this moment and holds nothing of ours.
    ScreenGrabberX11 grabber;
    const QImage frozen = grabber.grabScreen();
    if (frozen.isNull())
        return captureFailure(QStringLiteral("cannot read the screen (no X11 display?)"));

    QImage image = frozen;
    if (parsed->mode != CaptureArguments::Mode::screen) {
        const auto mode = parsed->mode == CaptureArguments::Mode::window
                              ? SelectionSession::Mode::window
                              : SelectionSession::Mode::area;
        const QList<WindowList::Window> windows = mode == SelectionSession::Mode::window
                                                      ? WindowListX11().topLevelWindows()
                                                      : QList<WindowList::Window>();
        // Qt must not read our options as its own.
        int qtArgc = 1;
        QApplication app(qtArgc, argv);
        const std::optional<Pick> picked = pickOnFrozenScreen(mode, frozen, windows);
        if (!picked)
            return 1;
        image = picked->coveredWindow
                    ? uncoveredWindow(*picked->coveredWindow, picked->rect, grabber)
                    : frozen.copy(picked->rect);
    }

    return deliverCapture(png::encode(image), *parsed);
}
