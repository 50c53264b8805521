#include "quillbox-capture/CaptureOutput.h"

#include "core/image/Png.h"
#include "platform/x11/SoundPlayerCanberra.h"

#include <QFile>
#include <csignal>

namespace {
// The process ends right after; the sound must not be cut off, nor hold the tool long.
constexpr int soundTimeoutMs = 2000;
volatile std::sig_atomic_t terminationRequested = 0;
} // namespace

int deliverCapture(const QByteArray& png, const CaptureArguments& arguments) {
    // The program that started the tool ends it with SIGTERM when it goes away itself (a
    // parent-death signal). Held off while the file is written (any thread of the process
    // may take the signal, so a handler rather than a mask), then nothing is left that no
    // history would list.
    struct sigaction deferred {};
    deferred.sa_handler = [](int) { terminationRequested = 1; };
    deferred.sa_flags = SA_RESTART;
    sigemptyset(&deferred.sa_mask);
    struct sigaction previous {};
    sigaction(SIGTERM, &deferred, &previous);
    QString error;
    const bool written = png::writeFile(png, arguments.path, &error);
    if (written && terminationRequested) {
        QFile::remove(arguments.path);
        return 1;
    }
    sigaction(SIGTERM, &previous, nullptr);
    if (terminationRequested)
        return 1;
    if (!written)
        return captureFailure(QStringLiteral("cannot write ") + arguments.path +
                              QStringLiteral(": ") + error);
    if (!arguments.quiet) {
        SoundPlayerCanberra sound;
        sound.playCaptureSound();
        sound.waitUntilDone(soundTimeoutMs);
    }
    return 0;
}
