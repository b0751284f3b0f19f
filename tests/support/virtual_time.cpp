// SPDX-License-Identifier: GPL-3.0-or-later
#include "virtual_time.h"

namespace quorvane::testing {

TimerId VirtualTime::setTimer(int intervalMs, Callback proc) {
    if (m_failAfter == 0 || intervalMs <= 0) {
        return 0;
    }
    if (m_failAfter > 0) {
        --m_failAfter;
    }
    const TimerId id = m_nextId++;
    m_timers.emplace(id, Entry{intervalMs, m_now + intervalMs, std::move(proc)});
    return id;
}

void VirtualTime::killTimer(TimerId id) {
    ++m_kills[id];
    m_timers.erase(id);
}

int VirtualTime::killCount(TimerId id) const {
    const auto found = m_kills.find(id);
    return found == m_kills.end() ? 0 : found->second;
}

void VirtualTime::advance(qint64 ms) {
    const qint64 target = m_now + ms;
    for (;;) {
        // The earliest due timer; ties go to the older timer.
        auto next = m_timers.end();
        for (auto it = m_timers.begin(); it != m_timers.end(); ++it) {
            if (it->second.due <= target && (next == m_timers.end() || it->second.due < next->second.due)) {
                next = it;
            }
        }
        if (next == m_timers.end()) {
            break;
        }
        if (next->second.due > m_now) {
            m_now = next->second.due;
        }
        next->second.due += next->second.interval;
        const TimerId id = next->first;
        const Callback proc = next->second.proc;  // the callback may kill its own timer
        proc(id);
    }
    if (target > m_now) {
        m_now = target;
    }
}

bool VirtualTime::advanceUntil(const std::function<bool()>& pred, qint64 maxMs, qint64 stepMs) {
    for (qint64 passed = 0; passed < maxMs; passed += stepMs) {
        if (pred()) {
            return true;
        }
        advance(stepMs);
    }
    return pred();
}

}  // namespace quorvane::testing
