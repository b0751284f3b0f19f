// SPDX-License-Identifier: GPL-3.0-or-later
// A day of batch querying on virtual time: 100,000 rows, paused every 10 rows for a second.
// Nothing may pile up along the way: requests and poll timers go after their event; a fetcher kept
// alive by its own timer would also show in the sanitizer build's leak check at exit.
#include "run_harness.h"

#include <QTest>
#include <algorithm>

using namespace Qt::StringLiterals;
using namespace quorvane;
using quorvane::testing::RunHarness;

namespace {

constexpr int kRows = 100'000;
// Three chains and the update check may each hold one fetcher with its timer and request;
// a leak of one per row would pass this within the first few rows.
constexpr int kLiveBound = 8;

struct Peaks {
    int requests = 0;
    int systemTimers = 0;

    void sample(const RunHarness& h) {
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
    RunHarness h;
    h.importDomains(quorvane::testing::numberedDomains(kRows, u"www.soak"_s));
    QCOMPARE(h.batch.rowCount(), kRows);
    h.batch.setPacing(10, 1);
    h.batch.start();

    Peaks peaks;
    // Rows take a few tens of milliseconds and every tenth row a second's pause: well under a day.
    const bool finished = h.time.advanceUntil(
        [&] {
            peaks.sample(h);
            return h.batch.rowsCounted() == kRows;
        },
        24LL * 3600 * 1000, 1000);
    QVERIFY2(finished, qPrintable(QString::number(h.batch.rowsCounted())));
    QVERIFY(h.allFilled());
    // The replica answers every row normally: no cell may have failed on the way.
    for (int row = 1; row <= kRows; row += 997) {
        QVERIFY2(!h.rowCells(row).contains(u"失败"_s), qPrintable(h.rowCells(row).join(u'|')));
    }
    QCOMPARE(h.batch.domain(kRows), u"www.soak100000.com"_s);

    h.time.advance(10'000);
    peaks.sample(h);
    QVERIFY2(peaks.requests <= kLiveBound, qPrintable(QString::number(peaks.requests)));
    QVERIFY2(peaks.systemTimers <= kLiveBound, qPrintable(QString::number(peaks.systemTimers)));
    // Once every event is in, no request or poll timer is left waiting.
    QCOMPARE(h.http.liveRequests(), 0);
    QCOMPARE(h.time.activeTimers(), 0);
}

QTEST_MAIN(TestSoak)
#include "tst_soak.moc"
