#pragma once

#include <QObject>
#include <QTimer>
#include <functional>

// Runs `work` once, `ms` later on the GUI thread, unless `context` is gone by then. Widgets
// with timed behaviour take one, so tests can hand in a clock they drive themselves.
using Later = std::function<void(int ms, QObject* context, std::function<void()> work)>;

inline Later timerLater() {
    return [](int ms, QObject* context, std::function<void()> work) {
        QTimer::singleShot(ms, context, std::move(work));
    };
}
