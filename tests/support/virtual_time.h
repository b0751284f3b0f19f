// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fetch/services.h"

#include <functional>
#include <map>

namespace quorvane::testing {

// Timers and a clock that move only when a test advances them. Callbacks run in due order;
// a callback may advance time itself (as a modal box's event loop would).
class VirtualTime final : public SystemTimers, public Clock {
public:
    explicit VirtualTime(qint64 startMs = 1'000'000'000'000LL) : m_now(startMs) {}

    TimerId setTimer(int intervalMs, Callback proc) override;
    void killTimer(TimerId id) override;
    qint64 nowSeconds() const override { return m_now / 1000; }

    qint64 nowMs() const { return m_now; }
    void advance(qint64 ms);
    // Advances in steps until pred holds or maxMs passed; returns whether it holds.
    bool advanceUntil(const std::function<bool()>& pred, qint64 maxMs, qint64 stepMs = 10);

    int activeTimers() const { return static_cast<int>(m_timers.size()); }
    bool isActive(TimerId id) const { return m_timers.count(id) != 0; }
    int killCount(TimerId id) const;
    // After this many more successful setTimer calls, setTimer returns 0 (no timer available).
    void failAfter(int successes) { m_failAfter = successes; }

private:
    struct Entry {
        int interval;
        qint64 due;
        Callback proc;
    };
    std::map<TimerId, Entry> m_timers;
    std::map<TimerId, int> m_kills;
    qint64 m_now;
    TimerId m_nextId = 100;
    int m_failAfter = -1;
};

}  // namespace quorvane::testing
