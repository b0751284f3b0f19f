// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt_services.h"

#include <QDateTime>
#include <QTimer>

namespace quorvane {

TimerId QtSystemTimers::setTimer(int intervalMs, Callback proc) {
    if (intervalMs < 0 || !proc) {
        return 0;
    }
    const TimerId id = m_nextId++;
    if (m_nextId == 0) {
        m_nextId = 1;
    }
    auto* timer = new QTimer(this);  // owned by this object
    timer->setTimerType(Qt::PreciseTimer);
    timer->setInterval(intervalMs);
    connect(timer, &QTimer::timeout, this, [proc = std::move(proc), id] { proc(id); });
    timer->start();
    m_timers.emplace(id, timer);
    return id;
}

void QtSystemTimers::killTimer(TimerId id) {
    const auto found = m_timers.find(id);
    if (found == m_timers.end()) {
        return;
    }
    QTimer* timer = found->second;
    m_timers.erase(found);
    timer->stop();
    timer->disconnect(this);
    // Later, because the timer may be the one whose timeout is being delivered right now.
    timer->deleteLater();
}

qint64 QtClock::nowSeconds() const {
    return QDateTime::currentSecsSinceEpoch();
}

}  // namespace quorvane
