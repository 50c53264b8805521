#pragma once

#include "core/services/EscapeKeyMonitor.h"

#include <QAbstractNativeEventFilter>
#include <QList>
#include <cstdint>

// Esc grabbed on the root window, also with CapsLock and NumLock on, for as long as it
// is watched. Presses reach the program as key events on the root window, which Qt does not
// deliver to any widget, so they are picked out of the native event stream.
class EscapeKeyMonitorX11 : public EscapeKeyMonitor, private QAbstractNativeEventFilter {
public:
    ~EscapeKeyMonitorX11() override;
    bool start(std::function<void()> onEscape) override;
    void stop() override;

private:
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

    std::function<void()> m_onEscape;
    std::uint8_t m_keycode = 0;
    std::uint32_t m_root = 0;
    QList<std::uint16_t> m_grabbedModifiers;
    bool m_filtering = false;
};
