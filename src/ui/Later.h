#pragma once

#include <QObject>
#include <QTimer>
#include <functional>

// Runs `work` once, `ms` later on the GUI thread, unless `context` is gone by then. Widgets
// with timed behaviour take one, so tests can hand in a clock they drive themselves.
using Later = std::function<void(int ms, QObject* context, std::function<void()> work)>;

inline Later timerLater() {
    return [](int ms, QObject* context, std::function<void()> work) {
        // Precise: from 2 s on Qt's default timer is coarse and may fire 5 % off, which a
        // card's 5 s lifetime shows.
        QTimer::singleShot(ms, Qt::PreciseTimer, context, std::move(work));
    };
}
