#pragma once

#include "ui/Later.h"

#include <QPointer>
#include <algorithm>
#include <vector>

// A `Later` that runs nothing until the test moves its time on.
class ManualClock {
public:
    Later later() {
        return [this](int ms, QObject* context, std::function<void()> work) {
            m_pending.push_back({m_now + ms, m_sequence++, context, std::move(work)});
        };
    }

    // Runs, in time order, everything due within the next `ms` milliseconds.
    void advance(int ms) {
        const qint64 until = m_now + ms;
        for (;;) {
            auto next = std::min_element(
                m_pending.begin(), m_pending.end(), [](const Entry& a, const Entry& b) {
                    return std::tie(a.due, a.sequence) < std::tie(b.due, b.sequence);
                });
            if (next == m_pending.end() || next->due > until)
                break;
            Entry entry = std::move(*next);
            m_pending.erase(next);
            m_now = entry.due;
            if (entry.context)
                entry.work();
        }
        m_now = until;
    }

private:
    struct Entry {
        qint64 due;
        quint64 sequence;
        QPointer<QObject> context;
        std::function<void()> work;
    };
    qint64 m_now = 0;
    quint64 m_sequence = 0;
    std::vector<Entry> m_pending;
};
