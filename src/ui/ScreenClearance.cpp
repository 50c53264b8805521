#include "ui/ScreenClearance.h"

#include <QElapsedTimer>
#include <QTimer>
#include <memory>
#include <utility>

ScreenClearance::ScreenClearance(Grab grab, QObject* parent)
    : QObject(parent)
    , m_grab(std::move(grab)) {}

void ScreenClearance::hideThen(const QRect& area, const std::function<void()>& hide,
                               std::function<void()> then) {
    const QImage covered = m_grab && area.isValid() ? m_grab(area) : QImage();
    hide();
    if (covered.isNull()) {
        whenClear(std::move(then));
        return;
    }
    struct Watch {
        QImage covered;
        QImage last;
        QElapsedTimer clock;
        std::function<void()> then;
    };
    // A first look at once: what repaints right away has settled by the first poll.
    auto watch = std::make_shared<Watch>(Watch{covered, m_grab(area), {}, std::move(then)});
    watch->clock.start();
    auto* timer = new QTimer(this);
    timer->setInterval(pollMs);
    ++m_watching;
    connect(timer, &QTimer::timeout, this, [this, timer, area, watch] {
        const QImage now = m_grab(area);
        const bool repainted = !now.isNull() && now != watch->covered && now == watch->last;
        if (!repainted && !now.isNull() && watch->clock.elapsed() < timeoutMs) {
            watch->last = now;
            return;
        }
        timer->stop();
        timer->deleteLater();
        --m_watching;
        watch->then();
        if (m_watching == 0) {
            const std::vector<std::function<void()>> waiting = std::exchange(m_waiting, {});
            for (const std::function<void()>& next : waiting)
                next();
        }
    });
    timer->start();
}

void ScreenClearance::whenClear(std::function<void()> then) {
    if (m_watching == 0)
        then();
    else
        m_waiting.push_back(std::move(then));
}
