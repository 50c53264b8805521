// Another X client for the hot-key tests: holds one combination until it is killed.
//   hotkey_holder KEYCODE MODIFIERS [once]   prints "held" or "refused"; with "once" it
//   lets go and exits at once.
#include "platform/x11/GlobalHotkeysX11.h"

#include <QGuiApplication>
#include <cstdio>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
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
