// quillbox-capture-select: the capture tool's interactive half, started by quillbox-capture
// with the same arguments. It grabs the screen first, lets the user pick an area or a
// window on that frozen picture, and writes a PNG file, or nothing when the user cancels.
// It takes every mode, so it also serves screens the quick path cannot read.
// Exit status: 0 written, 1 nothing written, 2 bad arguments.
#include "core/image/Png.h"
#include "platform/x11/ScreenGrabberX11.h"
#include "platform/x11/SoundPlayerCanberra.h"
#include "platform/x11/WindowListX11.h"
#include "quillbox-capture/CaptureArguments.h"
#include "quillbox-capture/InteractiveCapture.h"

#include <QApplication>
#include <QFileInfo>
#include <cstdio>

namespace {

constexpr int soundTimeoutMs = 2000;

int fail(const QString& message) {
    std::fprintf(stderr, "quillbox-capture: %s\n", qPrintable(message));
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    QString error;
    const std::optional<CaptureArguments> parsed = CaptureArguments::parse(arguments, &error);
    if (!parsed) {
        std::fprintf(stderr, "quillbox-capture: %s\n%s\n", qPrintable(error),
                     qPrintable(CaptureArguments::usage()));
        return 2;
    }
    // Say so before the user selects anything, not after.
    const QFileInfo target(parsed->path);
    if (!QFileInfo(target.absolutePath()).isDir() || target.isDir())
        return fail(QStringLiteral("cannot write ") + parsed->path +
                    QStringLiteral(": no such folder"));

    // The grab comes first, so the picture is of this moment and holds nothing of ours.
    ScreenGrabberX11 grabber;
    const QImage frozen = grabber.grabScreen();
    if (frozen.isNull())
        return fail(QStringLiteral("cannot read the screen (no X11 display?)"));

    QImage image = frozen;
    if (parsed->mode != CaptureArguments::Mode::screen) {
        const auto mode = parsed->mode == CaptureArguments::Mode::window
                              ? CaptureSession::Mode::window
                              : CaptureSession::Mode::area;
        const QList<WindowList::Window> windows = mode == CaptureSession::Mode::window
                                                      ? WindowListX11().topLevelWindows()
                                                      : QList<WindowList::Window>();
        // Qt must not read our options as its own.
        int qtArgc = 1;
        QApplication app(qtArgc, argv);
        const std::optional<QRect> picked = pickOnFrozenScreen(mode, frozen, windows);
        if (!picked)
            return 1;
        image = frozen.copy(*picked);
    }

    if (!png::write(image, parsed->path, &error))
        return fail(QStringLiteral("cannot write ") + parsed->path + QStringLiteral(": ") + error);
    if (!parsed->quiet) {
        SoundPlayerCanberra sound;
        sound.playCaptureSound();
        sound.waitUntilDone(soundTimeoutMs);
    }
    return 0;
}
