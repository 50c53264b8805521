#include "platform/x11/KeyboardLayoutX11.h"

#include "platform/x11/HotkeyMapping.h"

#include <QGuiApplication>
#include <memory>
#include <xcb/xcb_keysyms.h>

namespace {

struct KeySymbolsDeleter {
    void operator()(xcb_key_symbols_t* symbols) const { xcb_key_symbols_free(symbols); }
};

} // namespace

std::optional<quint32> KeyboardLayoutX11::virtualKeyCode(const QKeyEvent& event) const {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    const quint32 keycode = event.nativeScanCode();
    if (x11 && keycode > 0 && keycode < 256) {
        // Read fresh on every key: a recorder sees few keys, and the keymap may change.
        std::unique_ptr<xcb_key_symbols_t, KeySymbolsDeleter> symbols(
            xcb_key_symbols_alloc(x11->connection()));
        for (int level = 0; symbols && level < 2; ++level) {
            const xcb_keysym_t keysym = xcb_key_symbols_get_keysym(
                symbols.get(), static_cast<xcb_keycode_t>(keycode), level);
            if (keysym == XCB_NO_SYMBOL)
                continue;
            if (const auto code = hotkey_mapping::keyCodeForKeysym(keysym))
                return code;
        }
    }
    // An event without a hardware key (posted by another program): its own symbol.
    return hotkey_mapping::keyCodeForKeysym(event.nativeVirtualKey());
}
