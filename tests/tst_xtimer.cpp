// SPDX-License-Identifier: GPL-3.0-or-later
#include "fetch/xtimer.h"
#include "qt_services.h"
#include "text/app_error.h"
#include "virtual_time.h"

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;
using namespace quorvane;
using quorvane::testing::VirtualTime;

namespace {

// A timer on virtual time whose every Tick adds one to ticks.
struct Counting {
    VirtualTime time;
    XTimerSupport support{time};
    int ticks = 0;
    std::shared_ptr<XTimer> timer = XTimer::create(support);
    Counting() {
        timer->Tick = [this] { ++ticks; };
    }
};

}  // namespace

class TestXTimer final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void enabledBeforeIntervalStartsOnlyWithInterval();
    void sameIntervalDoesNotRestart();
    void intervalZeroStopsButStaysEnabled();
    void tableGrowsByFiveUpToItsLimitAndReusesFreedSlots();
    void modalTickBlocksOnlyItsOwnTimer();
    void failingTickKillsTimer();
    void orphanedSystemTimerIsKilled();
    void noTimerAvailableRaisesError();
    void enabledTimerOutlivesItsOwner();
    void realQtTimersTick();
};

void TestXTimer::enabledBeforeIntervalStartsOnlyWithInterval() {
    Counting c;
    c.timer->setEnabled(true);
    QCOMPARE(c.timer->TimerID(), TimerId(0));
    QCOMPARE(c.time.activeTimers(), 0);
    c.time.advance(100);
    QCOMPARE(c.ticks, 0);
    c.timer->setInterval(10);
    QVERIFY(c.timer->TimerID() != 0);
    c.time.advance(100);
    QCOMPARE(c.ticks, 10);
}

void TestXTimer::sameIntervalDoesNotRestart() {
    Counting c;
    c.timer->setInterval(100);
    c.timer->setEnabled(true);
    const TimerId id = c.timer->TimerID();
    c.time.advance(60);
    c.timer->setInterval(100);  // no restart: the first tick still comes at 100
    QCOMPARE(c.timer->TimerID(), id);
    c.time.advance(40);
    QCOMPARE(c.ticks, 1);
    c.timer->setInterval(50);  // a new period restarts the timer
    QVERIFY(c.timer->TimerID() != id);
    c.time.advance(49);
    QCOMPARE(c.ticks, 1);
    c.time.advance(1);
    QCOMPARE(c.ticks, 2);
}

void TestXTimer::intervalZeroStopsButStaysEnabled() {
    Counting c;
    c.timer->setInterval(10);
    c.timer->setEnabled(true);
    c.timer->setInterval(0);
    QVERIFY(c.timer->Enabled());
    QCOMPARE(c.timer->TimerID(), TimerId(0));
    QCOMPARE(c.time.activeTimers(), 0);
    c.time.advance(100);
    QCOMPARE(c.ticks, 0);
}

void TestXTimer::tableGrowsByFiveUpToItsLimitAndReusesFreedSlots() {
    VirtualTime time;
    XTimerSupport support(time);
    std::vector<std::shared_ptr<XTimer>> timers;
    const auto start = [&] {
        timers.push_back(XTimer::create(support));
        timers.back()->setInterval(10);
        timers.back()->setEnabled(true);
    };
    // Five slots at a time and never past 32767: 32765 timers run, and the next finds no room.
    while (timers.size() < 32765) {
        start();
    }
    QVERIFY_THROWS_EXCEPTION(AppError, start());
    QCOMPARE(time.activeTimers(), 32765);  // the refused timer's system timer went too
    timers[2]->setEnabled(false);          // a freed slot takes the next timer without the table growing
    start();
    QVERIFY_THROWS_EXCEPTION(AppError, start());
}

void TestXTimer::modalTickBlocksOnlyItsOwnTimer() {
    VirtualTime time;
    XTimerSupport support(time);
    auto modal = XTimer::create(support);
    auto other = XTimer::create(support);
    int modalTicks = 0;
    int otherTicks = 0;
    int otherTicksDuringBox = 0;
    modal->Tick = [&] {
        ++modalTicks;
        if (modalTicks == 1) {
            // A message box: the event loop runs for 200 ms inside the handler.
            const int before = otherTicks;
            time.advance(200);
            otherTicksDuringBox = otherTicks - before;
        }
    };
    other->Tick = [&] { ++otherTicks; };
    modal->setInterval(10);
    other->setInterval(10);
    modal->setEnabled(true);
    other->setEnabled(true);
    time.advance(10);
    QCOMPARE(modalTicks, 1);  // no second tick while the box was open
    QVERIFY(otherTicksDuringBox >= 19);
    time.advance(10);
    QCOMPARE(modalTicks, 2);
}

void TestXTimer::failingTickKillsTimer() {
    VirtualTime time;
    XTimerSupport support(time);
    auto timer = XTimer::create(support);
    int ticks = 0;
    timer->Tick = [&] {
        ++ticks;
        throw AppError(5, u"boom"_s);
    };
    timer->setInterval(10);
    timer->setEnabled(true);
    const TimerId id = timer->TimerID();
    time.advance(100);
    QCOMPARE(ticks, 1);
    QCOMPARE(timer.use_count(), 1);  // its slot let go of it
    QVERIFY(!time.isActive(id));
    QVERIFY(timer->Enabled());  // the object still thinks it runs
}

void TestXTimer::orphanedSystemTimerIsKilled() {
    VirtualTime time;
    XTimerSupport support(time);
    const TimerId stray = time.setTimer(10, [&](TimerId id) { support.TimerProc(id); });
    time.advance(10);
    QCOMPARE(time.killCount(stray), 1);
    QVERIFY(!time.isActive(stray));
}

void TestXTimer::noTimerAvailableRaisesError() {
    Counting c;
    c.time.failAfter(0);
    c.timer->setInterval(10);
    try {
        c.timer->setEnabled(true);
        QFAIL("no error raised");
    } catch (const AppError& error) {
        QCOMPARE(error.number(), static_cast<qint32>(0x80047925u));
        QCOMPARE(error.description(), u"没有可用的计时器"_s);
    }
    QVERIFY(c.timer->Enabled());
    QCOMPARE(c.timer->TimerID(), TimerId(0));
    QCOMPARE(c.timer.use_count(), 1);  // no slot holds it
    c.time.failAfter(-1);              // its interval stays for when a timer can be had again
    c.timer->setEnabled(false);
    c.timer->setEnabled(true);
    c.time.advance(30);
    QCOMPARE(c.ticks, 3);
}

void TestXTimer::enabledTimerOutlivesItsOwner() {
    VirtualTime time;
    XTimerSupport support(time);
    int ticks = 0;
    {
        auto timer = XTimer::create(support);
        timer->Tick = [&] { ++ticks; };
        timer->setInterval(10);
        timer->setEnabled(true);
    }
    time.advance(30);
    QCOMPARE(ticks, 3);
}

void TestXTimer::realQtTimersTick() {
    QtSystemTimers timers;
    XTimerSupport support(timers);
    auto timer = XTimer::create(support);
    int ticks = 0;
    timer->Tick = [&] {
        if (++ticks == 3) {
            timer->setEnabled(false);
        }
    };
    timer->setInterval(10);
    timer->setEnabled(true);
    QTRY_COMPARE(ticks, 3);
    QTest::qWait(50);
    QCOMPARE(timer.use_count(), 1);
    QTRY_VERIFY(timers.findChildren<QTimer*>().isEmpty());  // the Qt timer is gone, not only stopped
}

QTEST_GUILESS_MAIN(TestXTimer)
#include "tst_xtimer.moc"
