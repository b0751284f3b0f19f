// SPDX-License-Identifier: GPL-3.0-or-later
// A day of batch querying on virtual time: 100,000 rows, paused every 10 rows for a second.
// Nothing may pile up along the way: fetchers, their poll timers and requests go after their event.
#include "fetch/httppage2.h"
#include "fetch/xtimer.h"
#include "form_harness.h"

#include <QTest>
#include <algorithm>

using namespace Qt::StringLiterals;
using namespace quorvane;
using quorvane::testing::FormHarness;

namespace {

constexpr int kRows = 100'000;
// Three chains and the update check may each hold one fetcher with its timer and request;
// a leak of one per row would pass this within the first few rows.
constexpr int kLiveBound = 8;

struct Peaks {
    int fetchers = 0;
    int timers = 0;
    int requests = 0;
    int systemTimers = 0;

    void sample(const FormHarness& h) {
        fetchers = std::max(fetchers, HTTPPage2::liveInstances());
        timers = std::max(timers, XTimer::liveInstances());
        requests = std::max(requests, h.http.liveRequests());
        systemTimers = std::max(systemTimers, h.time.activeTimers());
    }
};

}  // namespace

class TestSoak final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void dayLongRunKeepsNothing();
};

void TestSoak::dayLongRunKeepsNothing() {
    FormHarness h;
    h.importDomains(quorvane::testing::numberedDomains(kRows, u"www.soak"_s));
    const ListModel& list = h.list(u"ListView1").items();
    QCOMPARE(list.itemCount(), kRows);
    h.setRowsPerBatch(u"10"_s).setPauseSeconds(u"1"_s).pressStart();

    Peaks peaks;
    const QString last = QString::number(kRows);
    // Rows take a few tens of milliseconds and every tenth row a second's pause: well under a day.
    const bool finished = h.time.advanceUntil(
        [&] {
            peaks.sample(h);
            return h.text(u"Label2") == last;
        },
        24LL * 3600 * 1000, 1000);
    QVERIFY2(finished, qPrintable(h.text(u"Label2")));
    QVERIFY(h.allFilled());
    // The replica answers every row normally: no cell may have failed on the way.
    for (int row = 1; row <= kRows; row += 997) {
        QVERIFY2(!h.rowCells(row).contains(u"失败"_s), qPrintable(h.rowCells(row).join(u'|')));
    }
    QCOMPARE(list.subItem(kRows, 1), u"www.soak"_s + last + u".com"_s);

    h.time.advance(10'000);
    peaks.sample(h);
    QVERIFY2(peaks.fetchers <= kLiveBound, qPrintable(QString::number(peaks.fetchers)));
    QVERIFY2(peaks.timers <= kLiveBound, qPrintable(QString::number(peaks.timers)));
    QVERIFY2(peaks.requests <= kLiveBound, qPrintable(QString::number(peaks.requests)));
    QVERIFY2(peaks.systemTimers <= kLiveBound, qPrintable(QString::number(peaks.systemTimers)));
    // Once every event is in, no request or poll timer is left waiting.
    QCOMPARE(h.http.liveRequests(), 0);
    QVERIFY2(XTimer::liveInstances() <= HTTPPage2::liveInstances(), "a timer outlived its fetcher");
}

QTEST_MAIN(TestSoak)
#include "tst_soak.moc"
