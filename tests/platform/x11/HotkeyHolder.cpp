// Another X client for the hot-key tests: holds one combination until it is killed.
//   hotkey_holder KEYCODE MODIFIERS   prints "held" or "refused"
#include "platform/x11/GlobalHotkeysX11.h"

#include <QGuiApplication>
#include <cstdio>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
    if (argc != 3)
        return 2;
    GlobalHotkeysX11 hotkeys;
    const HotkeyCombo combo{QByteArray(argv[1]).toUInt(), QByteArray(argv[2]).toUInt()};
    const bool held = hotkeys.grab(1, combo);
    std::printf("%s\n", held ? "held" : "refused");
    std::fflush(stdout);
    return held ? app.exec() : 1;
}
