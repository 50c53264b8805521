#pragma once

#include "core/FutureDelivery.h"

#include <QObject>
#include <QPromise>
#include <QThreadPool>
#include <functional>
#include <memory>

// Work that leaves the GUI thread and comes back to it.
namespace background {

// The threads that read the user's files: two, so a long decode never takes every core.
// Quitting never waits for them, as it does for Qt's global pool: a read from a folder on
// a network that hangs must not hold the program up.
QThreadPool& readers();

// Priorities on `readers`: what the user waits for goes before pictures for the strip.
constexpr int waitedFor = 1;
constexpr int picture = 0;

// Runs `work` on `pool` and hands its result to `done` on `context`'s thread, always on a
// later turn of its event loop; nothing once `context` is gone. A job dropped before it
// ran hands over T().
template <typename T>
void run(QThreadPool& pool, int priority, std::function<T()> work, QObject* context,
         std::function<void(T)> done) {
    auto promise = std::make_shared<QPromise<T>>();
    promise->start();
    future_delivery::deliver(promise->future(), context, std::move(done));
    pool.start(
        [promise, work = std::move(work)] {
            promise->addResult(work());
            promise->finish();
        },
        priority);
}

} // namespace background
