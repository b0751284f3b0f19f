// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fetch/services.h"

#include <functional>
#include <limits>

namespace quorvane {

// A window's timer control: fires Timer every Interval ms while Enabled; Interval 0 never fires.
// Setting a different Interval, or enabling it, starts a full new period.
class WindowTimer final {
public:
    explicit WindowTimer(SystemTimers& timers) : m_timers(timers) {}
    ~WindowTimer() { stop(); }
    WindowTimer(const WindowTimer&) = delete;
    WindowTimer& operator=(const WindowTimer&) = delete;

    bool Enabled() const { return m_enabled; }
    void setEnabled(bool on);
    int Interval() const { return m_interval; }
    // Negative values are taken as 0.
    void setInterval(int ms);
    bool isRunning() const { return m_id != 0; }

    std::function<void()> Timer;

    static constexpr int kMaxInterval = std::numeric_limits<int>::max();

private:
    void restart();
    void stop();
    void fire();

    SystemTimers& m_timers;
    TimerId m_id = 0;
    int m_interval = 0;
    bool m_enabled = false;
    bool m_inHandler = false;
};

}  // namespace quorvane
