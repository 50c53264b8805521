#pragma once

#include "ui/Later.h"

#include <QPointer>
#include <map>

// A `Later` that runs nothing until the test moves its time on.
class ManualClock {
public:
    Later later() {
        return [this](int ms, QObject* context, std::function<void()> work) {
            // Work due at the same moment runs in the order it was asked for.
            m_pending.emplace(m_now + ms, Entry{context, std::move(work)});
        };
    }

    // Runs, in time order, everything due within the next `ms` milliseconds.
    void advance(int ms) {
        const qint64 until = m_now + ms;
        while (!m_pending.empty() && m_pending.begin()->first <= until) {
            auto due = m_pending.extract(m_pending.begin());
            m_now = due.key();
            if (due.mapped().context)
                due.mapped().work();
        }
        m_now = until;
    }

private:
    struct Entry {
        QPointer<QObject> context;
        std::function<void()> work;
    };
    qint64 m_now = 0;
    std::multimap<qint64, Entry> m_pending;
};
