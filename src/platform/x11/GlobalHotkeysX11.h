#pragma once

#include "core/services/GlobalHotkeys.h"

#include <QAbstractNativeEventFilter>
#include <memory>

class SystemLog;

// Global hot keys as passive key grabs on the root window of Qt's X connection, each
// also taken with NumLock and CapsLock on. Key presses are read by a native event filter.
class GlobalHotkeysX11 : public GlobalHotkeys, public QAbstractNativeEventFilter {
public:
    // Needs a QGuiApplication running on the xcb platform. A stored combination whose key
    // maps to no key here is written to `log`, once per key.
    explicit GlobalHotkeysX11(SystemLog* log = nullptr);
    ~GlobalHotkeysX11() override;

    void setPressedHandler(PressedHandler handler) override;
    bool grab(quint32 id, const HotkeyCombo& combo) override;
    void release(quint32 id) override;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    struct Private;
    std::unique_ptr<Private> d;
};
