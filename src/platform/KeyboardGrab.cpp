#include "platform/KeyboardGrab.h"

#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace {
constexpr int retryMs = 20;
} // namespace

void grabKeyboardWhileShown(QWidget* window) {
    if (!window || !window->isVisible())
        return;
    if (window->windowHandle() && window->windowHandle()->setKeyboardGrabEnabled(true))
        return;
    QTimer::singleShot(retryMs, window, [window] { grabKeyboardWhileShown(window); });
}
