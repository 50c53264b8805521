#include "platform/x11/ScreenRecordingPermissionX11.h"
#include "platform/x11/SoundPlayerCanberra.h"

#include <QtGlobal>
#include <gtest/gtest.h>

namespace {

QStringList* g_messages = nullptr;

void collect(QtMsgType, const QMessageLogContext&, const QString& message) {
    if (g_messages)
        g_messages->append(message);
}

} // namespace

TEST(SoundPlayerCanberra, missingDeviceOrSound_isSilentAndLoggedAtMostOnce) {
    QStringList messages;
    g_messages = &messages;
    const QtMessageHandler previous = qInstallMessageHandler(collect);
    {
        SoundPlayerCanberra player;
        player.playCaptureSound();
        player.playCaptureSound();
        player.beep();
        player.waitUntilDone(2000);
    }
    qInstallMessageHandler(previous);
    g_messages = nullptr;
    EXPECT_LE(messages.size(), 1) << messages.join(u'\n').toStdString();
}

TEST(ScreenRecordingPermissionX11, noReadableDisplay_meansNotAllowed) {
    const QByteArray display = qgetenv("DISPLAY");
    qputenv("DISPLAY", ":65000");
    ScreenRecordingPermissionX11 permission;
    EXPECT_FALSE(permission.preflight());
    EXPECT_FALSE(permission.settingsUrl().isValid());
    qputenv("DISPLAY", display);
}
