// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fetch/services.h"

#include <functional>
#include <memory>
#include <vector>

namespace quorvane {

class XTimerSupport;

// A timer that needs no window: Tick every Interval milliseconds while Enabled.
// Always held by shared_ptr: the live-timer table keeps a running timer alive.
class XTimer final : public std::enable_shared_from_this<XTimer> {
public:
    static std::shared_ptr<XTimer> create(XTimerSupport& support);
    ~XTimer();
    XTimer(const XTimer&) = delete;
    XTimer& operator=(const XTimer&) = delete;

    bool Enabled() const { return mEnabled; }
    void setEnabled(bool NewValue);
    void setInterval(qint32 NewInterval);

    // Raises Tick; only the table's callback calls it.
    void RaiseTick();
    TimerId TimerID() const { return mTimerID; }

    // The Tick event. A handler may throw: that kills this timer.
    std::function<void()> Tick;

private:
    explicit XTimer(XTimerSupport& support) : m_support(support) {}
    friend class XTimerSupport;

    XTimerSupport& m_support;
    TimerId mTimerID = 0;
    qint32 mInterval = 0;
    bool mEnabled = false;
};

// The table of live timers: maps each system timer id to its XTimer and guards against
// re-entrant ticks of one timer. It must outlive every XTimer made on it.
class XTimerSupport final {
public:
    explicit XTimerSupport(SystemTimers& timers) : m_timers(timers) {}
    ~XTimerSupport();
    XTimerSupport(const XTimerSupport&) = delete;
    XTimerSupport& operator=(const XTimerSupport&) = delete;

    TimerId AddTimer(const std::shared_ptr<XTimer>& Owner, qint32 Interval);
    void RemoveTimer(const XTimer& Owner);
    void TimerProc(TimerId id);

    SystemTimers& systemTimers() { return m_timers; }

private:
    struct TimerSlot {
        std::shared_ptr<XTimer> Owner;
        TimerId TimerID = 0;
        bool InTick = false;
    };

    SystemTimers& m_timers;
    std::vector<TimerSlot> TimerTable;
};

}  // namespace quorvane
