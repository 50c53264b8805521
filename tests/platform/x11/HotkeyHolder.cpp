// Another X client for the hot-key tests: holds one combination until it is killed.
//   hotkey_holder KEYCODE MODIFIERS [once]   prints "held" or "refused"; with "once" it
//   lets go and exits at once.
//   hotkey_holder keyboard MS                holds the whole keyboard for MS milliseconds,
//   as a panel may while it opens a menu.
#include "platform/x11/GlobalHotkeysX11.h"
#include "platform/x11/XcbConnection.h"

#include <QGuiApplication>
#include <QThread>
#include <cstdio>

namespace {

int holdKeyboard(int ms) {
    const XcbConnection x;
    const XcbReply<xcb_grab_keyboard_reply_t> grab(
        xcb_grab_keyboard_reply(x.get(),
                                xcb_grab_keyboard(x.get(), 0, x.root(), XCB_CURRENT_TIME,
                                                  XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
                                nullptr));
    const bool held = grab && grab->status == XCB_GRAB_STATUS_SUCCESS;
    std::printf("%s\n", held ? "held" : "refused");
    std::fflush(stdout);
    QThread::msleep(ulong(ms));
    return held ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "keyboard")
        return holdKeyboard(QByteArray(argv[2]).toInt());
    if (argc != 3 && !(argc == 4 && QByteArray(argv[3]) == "once"))
        return 2;
    GlobalHotkeysX11 hotkeys;
    const HotkeyCombo combo{QByteArray(argv[1]).toUInt(), QByteArray(argv[2]).toUInt()};
    const bool held = hotkeys.grab(1, combo);
    std::printf("%s\n", held ? "held" : "refused");
    std::fflush(stdout);
    if (!held)
        return 1;
    return argc == 4 ? 0 : app.exec();
}
