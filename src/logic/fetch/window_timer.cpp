// SPDX-License-Identifier: GPL-3.0-or-later
#include "fetch/window_timer.h"

namespace quorvane {

void WindowTimer::setEnabled(bool on) {
    if (on == m_enabled) {
        return;
    }
    m_enabled = on;
    restart();
}

void WindowTimer::setInterval(int ms) {
    ms = ms < 0 ? 0 : ms;
    if (ms == m_interval) {
        return;
    }
    m_interval = ms;
    restart();
}

void WindowTimer::restart() {
    stop();
    if (m_enabled && m_interval > 0) {
        m_id = m_timers.setTimer(m_interval, [this](TimerId) { fire(); });
    }
}

void WindowTimer::stop() {
    if (m_id != 0) {
        m_timers.killTimer(m_id);
        m_id = 0;
    }
}

void WindowTimer::fire() {
    // A handler that runs a nested event loop (a message box) gets no overlapping tick.
    if (m_inHandler || !Timer) {
        return;
    }
    m_inHandler = true;
    const auto handler = Timer;
    handler();
    m_inHandler = false;
}

}  // namespace quorvane
