// SPDX-License-Identifier: GPL-3.0-or-later
#include "fetch/xtimer.h"

#include "text/app_error.h"

using namespace Qt::StringLiterals;

namespace quorvane {

std::shared_ptr<XTimer> XTimer::create(XTimerSupport& support) {
    return std::shared_ptr<XTimer>(new XTimer(support));
}

XTimer::~XTimer() {
    if (mTimerID != 0) {
        m_support.systemTimers().killTimer(mTimerID);
    }
}

void XTimer::setEnabled(bool NewValue) {
    if (NewValue == mEnabled) {
        return;
    }
    mEnabled = NewValue;
    if (mInterval == 0) {
        return;
    }
    if (NewValue) {
        mTimerID = m_support.AddTimer(shared_from_this(), mInterval);
    } else if (mTimerID != 0) {
        m_support.RemoveTimer(*this);
        mTimerID = 0;
    }
}

void XTimer::setInterval(qint32 NewInterval) {
    if (NewInterval == mInterval) {
        return;
    }
    mInterval = NewInterval;
    if (mTimerID != 0) {
        m_support.RemoveTimer(*this);
        mTimerID = 0;
    }
    if (NewInterval != 0 && mEnabled) {
        mTimerID = m_support.AddTimer(shared_from_this(), NewInterval);
    }
}

void XTimer::RaiseTick() {
    // A copy, so that a handler may replace or clear Tick while it runs.
    const auto handler = Tick;
    if (handler) {
        handler();
    }
}

XTimerSupport::~XTimerSupport() {
    // Each live timer is stopped and loses its handler, which breaks owner-handler cycles (a
    // waiting fetcher and its poll timer), so those objects go now and abort what they wait for.
    auto table = std::move(TimerTable);
    for (TimerSlot& slot : table) {
        if (slot.TimerID != 0) {
            m_timers.killTimer(slot.TimerID);
        }
        if (slot.Owner) {
            slot.Owner->mTimerID = 0;
            // Moved out first: the fetcher that goes with the handler clears Tick itself.
            auto handler = std::move(slot.Owner->Tick);
            slot.Owner->Tick = nullptr;
        }
    }
    table.clear();
}

TimerId XTimerSupport::AddTimer(const std::shared_ptr<XTimer>& Owner, qint32 Interval) {
    const TimerId id = m_timers.setTimer(Interval, [this](TimerId fired) { TimerProc(fired); });
    if (id == 0) {
        throw AppError(AppError::kNoTimer, u"没有可用的计时器"_s);
    }
    std::size_t index = 0;
    while (index < TimerTable.size() && TimerTable[index].TimerID != 0) {
        ++index;
    }
    if (index == TimerTable.size()) {
        if (TimerTable.size() + 5 > 32767) {
            m_timers.killTimer(id);
            throw AppError(AppError::kOverflow, u"溢出"_s);
        }
        TimerTable.resize(TimerTable.size() + 5);
    }
    TimerTable[index] = TimerSlot{Owner, id, false};
    return id;
}

void XTimerSupport::RemoveTimer(const XTimer& Owner) {
    const TimerId id = Owner.TimerID();
    if (id == 0) {
        return;
    }
    for (TimerSlot& slot : TimerTable) {
        if (slot.TimerID == id) {
            m_timers.killTimer(id);
            slot.TimerID = 0;
            // Moved out first: dropping the owner may run its destructor, which must see a free slot.
            auto owner = std::move(slot.Owner);
            slot.Owner.reset();
            return;
        }
    }
}

void XTimerSupport::TimerProc(TimerId id) {
    const std::size_t count = TimerTable.size();
    for (std::size_t i = 0; i < count; ++i) {
        if (TimerTable[i].TimerID != id) {
            continue;
        }
        if (TimerTable[i].InTick) {
            return;
        }
        TimerTable[i].InTick = true;
        // Held here so that the timer survives a handler that disables it.
        const std::shared_ptr<XTimer> owner = TimerTable[i].Owner;
        bool failed = false;
        try {
            owner->RaiseTick();
        } catch (...) {
            failed = true;
        }
        // The handler may have grown the table or freed and reused this slot.
        TimerSlot& slot = TimerTable[i];
        if (failed) {
            m_timers.killTimer(id);
            if (slot.TimerID == id) {
                slot.TimerID = 0;
                slot.Owner.reset();
            }
        }
        if (slot.TimerID == id || slot.TimerID == 0) {
            slot.InTick = false;
        }
        return;
    }
    m_timers.killTimer(id);
}

}  // namespace quorvane
