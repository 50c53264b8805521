#pragma once

#include <QFuture>
#include <QFutureWatcher>
#include <QObject>
#include <functional>
#include <type_traits>

namespace future_delivery {

// Hands the result of `future` to `done` on `context`'s thread, always on a later turn of
// its event loop (also for a future finished already); nothing is delivered once `context`
// is gone. A job dropped from its pool before it ran delivers `ifDropped`.
//
// A watcher owned by `context` dies with it, and a result that comes after that is dropped.
// A continuation bound to `context` (QFuture::then) would instead assert that it still
// lives, on the pool's thread.
template <typename T>
void deliver(QFuture<T> future, QObject* context, std::type_identity_t<std::function<void(T)>> done,
             std::type_identity_t<T> ifDropped = T()) {
    auto* watcher = new QFutureWatcher<T>(context);
    QObject::connect(watcher, &QFutureWatcherBase::finished, watcher,
                     [watcher, done = std::move(done), ifDropped = std::move(ifDropped)] {
                         watcher->deleteLater();
                         done(watcher->future().resultCount() > 0 ? watcher->result() : ifDropped);
                     });
    watcher->setFuture(std::move(future));
}

} // namespace future_delivery
