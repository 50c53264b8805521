#include "quillbox-capture/CaptureOutput.h"

#include "core/image/Png.h"
#include "platform/x11/SoundPlayerCanberra.h"

namespace {
// The process ends right after; the sound must not be cut off, nor hold the tool long.
constexpr int soundTimeoutMs = 2000;
} // namespace

int deliverCapture(const QByteArray& png, const CaptureArguments& arguments) {
    QString error;
    if (!png::writeFile(png, arguments.path, &error))
        return captureFailure(QStringLiteral("cannot write ") + arguments.path +
                              QStringLiteral(": ") + error);
    if (!arguments.quiet) {
        SoundPlayerCanberra sound;
        sound.playCaptureSound();
        sound.waitUntilDone(soundTimeoutMs);
    }
    return 0;
}
