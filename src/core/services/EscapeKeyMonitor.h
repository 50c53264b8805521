#pragma once

#include <functional>

// Watches the Esc key anywhere on the desktop, whichever window has the focus, until
// stopped. While it watches, Esc does not reach other programs.
class EscapeKeyMonitor {
public:
    virtual ~EscapeKeyMonitor() = default;
    // False when the key could not be taken (another program holds it).
    virtual bool start(std::function<void()> onEscape) = 0;
    virtual void stop() = 0;
};
