// SPDX-License-Identifier: GPL-3.0-or-later
// The batch run without a window: pacing and pauses, Start, Pause and Stop, imports that end a run.
#include "run_harness.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace quorvane;
using namespace quorvane::testing;

namespace {

const QStringList kNoFigures(6, u"..."_s);
const QStringList kAllFailed(6, u"失败"_s);

// The rows counted each time an automatic pause begins, watched tick by tick.
QList<qint64> countsAtPauses(RunHarness& h, qint64 maxMs) {
    QList<qint64> counts;
    qint64 pauseAt = h.batch.pauseAt();
    for (qint64 t = 0; t < maxMs; t += 10) {
        h.time.advance(10);
        if (h.batch.pauseAt() != pauseAt && h.batch.paused()) {
            counts.append(h.batch.rowsCounted());
        }
        pauseAt = h.batch.pauseAt();
    }
    return counts;
}

// A new list of the domains, paced as told, and a fresh start on it.
void startOn(RunHarness& h, const QStringList& domains, double rowsPerBatch = 0, double pauseSeconds = 0) {
    h.importDomains(domains);
    h.batch.setPacing(rowsPerBatch, pauseSeconds);
    h.batch.start();
}

}  // namespace

class TestBatchRun final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void pacing_data();
    void pacing();
    void pauseLengthIsClampedNotWrapped_data();
    void pauseLengthIsClampedNotWrapped();
    void hugeRowsPerBatchDoesNotOverflow();
    void activeWhileAnythingCanChange();
    void pauseThenStartRequestsNothingTwice();
    void stopThenStartRestartsFromRowOne();
    void userStopCancelsPendingResume_data();
    void userStopCancelsPendingResume();
    void userPauseIsNotUndoneByPacing_data();
    void userPauseIsNotUndoneByPacing();
    void userStartDuringAutomaticPauseDoesNotRestartLater();
    void importDuringRunEndsIt();
    void importEndsPausedRun();
    void importDuringAutomaticPauseEndsRunForGood();
    void freshStartForgetsOldFigures();
};

void TestBatchRun::pacing_data() {
    QTest::addColumn<double>("rows");
    QTest::addColumn<double>("seconds");
    QTest::addColumn<int>("domains");
    QTest::addColumn<QList<qint64>>("pauses");  // the rows counted as each pause begins
    QTest::newRow("1: pause before any row, then every row")
        << 1.0 << 1.0 << 6 << QList<qint64>{0, 1, 2, 3, 4, 5, 6};
    QTest::newRow("0: never") << 0.0 << 1.0 << 6 << QList<qint64>{};
    QTest::newRow("negative: never") << -3.0 << 1.0 << 6 << QList<qint64>{};
    QTest::newRow("3") << 3.0 << 1.0 << 6 << QList<qint64>{2, 5};
    // A pause length that is not positive: no pause at all.
    QTest::newRow("3, pause 0") << 3.0 << 0.0 << 7 << QList<qint64>{};
    QTest::newRow("3, pause negative") << 3.0 << -5.0 << 7 << QList<qint64>{};
}

void TestBatchRun::pacing() {
    QFETCH(double, rows);
    QFETCH(double, seconds);
    QFETCH(int, domains);
    QFETCH(QList<qint64>, pauses);
    RunHarness h;
    startOn(h, numberedDomains(domains), rows, seconds);
    QCOMPARE(countsAtPauses(h, 30'000), pauses);
    QVERIFY(!h.batch.paused());
    QVERIFY(h.allFilled());
    QCOMPARE(h.batch.rowsCounted(), domains);
}

void TestBatchRun::pauseLengthIsClampedNotWrapped_data() {
    QTest::addColumn<double>("seconds");
    QTest::addColumn<int>("interval");
    QTest::newRow("1") << 1.0 << 1000;
    QTest::newRow("1.5") << 1.5 << 1500;
    QTest::newRow("100 s is more than 16 bits of ms") << 100.0 << 100'000;
    QTest::newRow("huge is clamped") << 1e300 << WindowTimer::kMaxInterval;
}

void TestBatchRun::pauseLengthIsClampedNotWrapped() {
    QFETCH(double, seconds);
    QFETCH(int, interval);
    RunHarness h;
    startOn(h, numberedDomains(3), 1, seconds);
    h.time.advance(10);
    QVERIFY(h.batch.paused());
    QCOMPARE(h.batch.resumeInterval(), interval);
    QVERIFY(h.batch.resumePending());
}

void TestBatchRun::hugeRowsPerBatchDoesNotOverflow() {
    RunHarness h;
    startOn(h, numberedDomains(3), 1e30, 1);
    QCOMPARE(h.batch.pauseAt(), std::numeric_limits<qint64>::max());
    h.time.advance(5000);
    QCOMPARE(h.batch.rowsCounted(), 3);
    QVERIFY(!h.batch.paused());
    h.batch.setPacing(70000, 1);  // beyond 16 bits
    h.batch.stop();
    h.batch.start();
    QCOMPARE(h.batch.pauseAt(), 70000);
}

// The window's progress count sleeps once the run is not active.
void TestBatchRun::activeWhileAnythingCanChange() {
    RunHarness h;
    startOn(h, {});  // an empty list: nothing sent, nothing to watch
    h.time.advance(1000);
    QCOMPARE(h.batchSent(), 0);
    QVERIFY(!h.batch.active());
    startOn(h, numberedDomains(20), 10, 1);
    h.time.advance(45);
    h.batch.stop();
    h.time.advance(1000);  // the pages on their way arrive and are counted
    QVERIFY(!h.batch.active());
    QVERIFY(h.batch.rowsCounted() < 20);
    for (int run = 0; run < 2; ++run) {
        h.batch.start();  // after a Stop, and with every row counted: a fresh run, active again
        QVERIFY(h.batch.active());
        h.time.advance(10'000);
        QCOMPARE(h.batch.rowsCounted(), 20);
        QVERIFY(!h.batch.active());
    }
}

void TestBatchRun::pauseThenStartRequestsNothingTwice() {
    RunHarness h;
    const QStringList names = numberedDomains(8);
    h.http.setResponder(replicaResponder(35));
    startOn(h, names);
    h.time.advance(80);  // two rows done, the third in flight on every chain
    h.batch.pause();
    QVERIFY(h.batch.halted());
    QVERIFY(h.batch.paused());
    h.time.advance(5000);  // replies in flight still arrive; nothing new leaves
    QCOMPARE(h.sentStats().size(), h.batch.cursor(Chain::Stats) - 1);
    h.batch.start();
    h.time.advance(20);  // Start again while the resumed requests are in flight
    h.batch.pause();
    const QString inFlight = names[static_cast<int>(h.batch.cursor(Chain::Stats)) - 1];
    h.batch.start();  // replaces the fetchers whose replies are still on their way
    h.time.advance(10'000);
    QVERIFY(h.allFilled());
    QCOMPARE(h.batch.rowsCounted(), 8);
    for (const QString& name : names) {
        const int expected = name == inFlight ? 2 : 1;
        QCOMPARE(h.http.sentCount(u"http://stats.test/baidu/"_s + name + u"/"_s), expected);
        QCOMPARE(h.http.sentCount(u"http://search.test/s?wd=site%3A"_s + name), expected);
    }
}

void TestBatchRun::stopThenStartRestartsFromRowOne() {
    RunHarness h;
    startOn(h, numberedDomains(6));
    h.time.advance(5000);
    QCOMPARE(h.batch.rowsCounted(), 6);
    h.batch.stop();
    QVERIFY(h.batch.halted());
    QVERIFY(!h.batch.paused());
    h.batch.start();
    QCOMPARE(h.batch.rowsCounted(), 0);
    QCOMPARE(h.http.sentCount(u"http://stats.test/baidu/site1.com/"_s), 2);
    // Rows count again only once this run has fetched them.
    h.time.advance(10);
    QCOMPARE(h.batch.rowsCounted(), 0);
    h.time.advance(5000);
    QCOMPARE(h.batch.rowsCounted(), 6);
    QCOMPARE(h.sentStats().size(), 12);
}

void TestBatchRun::userStopCancelsPendingResume_data() {
    QTest::addColumn<bool>("pause");
    QTest::newRow("Stop") << false;
    QTest::newRow("Pause") << true;
}

void TestBatchRun::userStopCancelsPendingResume() {
    QFETCH(bool, pause);
    RunHarness h;
    startOn(h, numberedDomains(10), 3, 2);
    QVERIFY(h.time.advanceUntil([&] { return h.batch.paused(); }, 10'000));
    QVERIFY(h.batch.resumePending());
    pause ? h.batch.pause() : h.batch.stop();  // during the automatic pause
    QVERIFY(!h.batch.resumePending());
    const int sent = h.batchSent();
    h.time.advance(30'000);
    QCOMPARE(h.batchSent(), sent);  // the run stays stopped
    QVERIFY(h.batch.halted());
}

void TestBatchRun::userPauseIsNotUndoneByPacing_data() {
    userStopCancelsPendingResume_data();
}

void TestBatchRun::userPauseIsNotUndoneByPacing() {
    QFETCH(bool, pause);
    RunHarness h;
    startOn(h, numberedDomains(10), 5, 1);
    // Stop while row 4 is in flight on every chain and the boundary is still ahead of the count.
    const auto at = [&](Chain chain) { return h.batch.cursor(chain) == 4; };
    QVERIFY(h.time.advanceUntil(
        [&] { return at(Chain::Stats) && at(Chain::DomainQuery) && at(Chain::SiteQuery); }, 5000, 1));
    QVERIFY(h.batch.progressRow() < h.batch.pauseAt());
    pause ? h.batch.pause() : h.batch.stop();
    h.time.advance(30'000);
    // The replies in flight completed row 4 and the count passed the boundary, without a pause
    // that would have resumed the run.
    QCOMPARE(h.batch.progressRow(), 5);
    QCOMPARE(h.batch.pauseAt(), 10);
    QCOMPARE(h.batch.paused(), pause);
    QVERIFY(!h.batch.resumePending());
    QCOMPARE(h.batchSent(), 12);
    // Start resumes after a Pause and starts afresh after a Stop; either way the run completes.
    h.batch.start();
    h.time.advance(30'000);
    QVERIFY(h.allFilled());
    QCOMPARE(h.batch.rowsCounted(), 10);
}

void TestBatchRun::userStartDuringAutomaticPauseDoesNotRestartLater() {
    RunHarness h;
    startOn(h, numberedDomains(12), 4, 3);
    QVERIFY(h.time.advanceUntil([&] { return h.batch.paused(); }, 10'000));
    h.batch.start();  // resume at once
    QVERIFY(!h.batch.paused());
    QVERIFY(!h.batch.resumePending());
    h.batch.setPacing(0, 3);  // one more pause, at the boundary already set, then none
    h.time.advance(20'000);
    QCOMPARE(h.batch.rowsCounted(), 12);
    // Nothing restarted the run from row 1; only a reply that Start replaced was asked for again.
    QCOMPARE(h.http.sentCount(u"http://stats.test/baidu/site1.com/"_s), 1);
    for (const QString& url : h.sentStats()) {
        QVERIFY(h.http.sentCount(url) <= 2);
    }
    QVERIFY(h.sentStats().size() <= 13);
}

void TestBatchRun::importDuringRunEndsIt() {
    RunHarness h;
    startOn(h, numberedDomains(6));
    h.time.advance(65);  // a few rows counted, the next pages on their way
    QVERIFY(h.batch.rowsCounted() != 0);
    const int sent = h.batchSent();
    h.importDomains(numberedDomains(4, u"new"_s));
    h.time.advance(5000);
    // No old page fills a new row, nothing more is asked for, nothing is counted.
    QCOMPARE(h.batchSent(), sent);
    for (int row = 1; row <= 4; ++row) {
        QCOMPARE(h.rowCells(row).mid(1), kNoFigures);
    }
    QCOMPARE(h.batch.rowsCounted(), 0);
    QVERIFY(!h.batch.active());
    QVERIFY(!h.batch.resumePending());
    // The next Start is a fresh one, from the first new row, also after a Pause.
    h.batch.pause();
    h.batch.start();
    QCOMPARE(h.sentStats().last(), u"http://stats.test/baidu/new1.com/"_s);
    h.time.advance(5000);
    QCOMPARE(h.batch.rowsCounted(), 4);
    QCOMPARE(h.rowCells(4), expectedCells(u"new4.com"_s));
}

void TestBatchRun::importEndsPausedRun() {
    RunHarness h;
    startOn(h, numberedDomains(6, u"old"_s), 3, 30);
    QVERIFY(h.time.advanceUntil([&] { return h.batch.paused(); }, 60'000));
    h.batch.stop();
    const QStringList fresh = numberedDomains(4, u"new"_s);
    startOn(h, fresh, 10, 30);
    QCOMPARE(h.sentStats().last(), u"http://stats.test/baidu/new1.com/"_s);
    h.time.advance(60'000);
    QVERIFY(h.allFilled());
    QCOMPARE(h.batch.rowsCounted(), 4);
    for (int row = 1; row <= 4; ++row) {
        QCOMPARE(h.rowCells(row), expectedCells(fresh[row - 1]));
    }
}

void TestBatchRun::importDuringAutomaticPauseEndsRunForGood() {
    RunHarness h;
    startOn(h, numberedDomains(3, u"old"_s), 1, 1);
    h.time.advance(10);  // the pause before the first row, whose pages are still on their way
    QVERIFY(h.batch.paused());
    h.importDomains(numberedDomains(3, u"new"_s));
    h.time.advance(30'000);
    // Neither the pending resume, nor a later boundary, nor the old run's replies touch the new list.
    QCOMPARE(h.batchSent(), 3);
    QVERIFY(!h.batch.paused());
    QVERIFY(!h.batch.resumePending());
    QCOMPARE(h.rowCells(1).mid(1), kNoFigures);
}

void TestBatchRun::freshStartForgetsOldFigures() {
    RunHarness h;
    startOn(h, numberedDomains(5));
    h.time.advance(10'000);
    QVERIFY(h.allFilled());
    // The sites now fail: no old figure may stay, and the pauses wait for rows of this run.
    h.http.setResponder([](const QString&) { return FakeReply{QByteArray(), 20}; });
    h.batch.setPacing(3, 1);
    h.batch.start();
    for (int row = 1; row <= 5; ++row) {
        QCOMPARE(h.rowCells(row).mid(1), kNoFigures);
    }
    QCOMPARE(countsAtPauses(h, 30'000), (QList<qint64>{2, 5}));
    for (int row = 1; row <= 5; ++row) {
        QCOMPARE(h.rowCells(row).mid(1), kAllFailed);
    }
}

QTEST_GUILESS_MAIN(TestBatchRun)
#include "tst_batchrun.moc"
