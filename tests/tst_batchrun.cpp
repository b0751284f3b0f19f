// SPDX-License-Identifier: GPL-3.0-or-later
// The batch run without a window: pacing and pauses, Start, Pause and Stop, imports, retries, the block
// pause, what is sent and how failures show.
#include "replica_site.h"
#include "run_harness.h"

#include <QSet>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace quorvane;
using namespace quorvane::testing;

namespace {

const QStringList kNoFigures(6, u"..."_s);
const QStringList kAllFailed(6, u"失败"_s);

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
    void statisticsChainLeavesCountCellsAlone();
    void domainsAreSentAsTyped();
    void errorStatusIsFailure_data();
    void errorStatusIsFailure();
    void failuresShowAsFailuresAndRunCompletes();
    void partialPagesFailWhereTheyStopNoResultsAreZero();
    void lastRowIsRepairedToo();
    void retryAsksOnlyForFailedCells();
    void retryKeepsGoodStatisticsFigures();
    void retryIsPacedByTheRowsItAsksFor();
    void retryCountsRowsThatNeedNothingAtOnce();
    void robotChecksPauseTheRunUntilItGoesOnByItself();
    void robotCheckSetsItsProxyAside_data();
    void robotCheckSetsItsProxyAside();
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
    QCOMPARE(atPauses(h.time, h.batch, 30'000, [&] { return h.batch.rowsCounted(); }), pauses);
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
    QCOMPARE(atPauses(h.time, h.batch, 30'000, [&] { return h.batch.rowsCounted(); }), (QList<qint64>{2, 5}));
    for (int row = 1; row <= 5; ++row) {
        QCOMPARE(h.rowCells(row).mid(1), kAllFailed);
    }
}

void TestBatchRun::statisticsChainLeavesCountCellsAlone() {
    RunHarness h;
    const auto replica = replicaResponder();
    h.http.setResponder([&](const QString& url) {
        FakeReply reply = replica(url);
        reply.never = url.contains(u"/s?"_s);
        return reply;
    });
    const QStringList names = numberedDomains(3);
    startOn(h, names);
    h.time.advance(5000);
    QCOMPARE(h.sentStats().size(), 3);
    for (int row = 1; row <= 3; ++row) {
        QCOMPARE(h.batch.figure(row, DomainCell::Indexed).shown(), u"..."_s);
        QCOMPARE(h.batch.figure(row, DomainCell::Backlinks).shown(), u"..."_s);
        QCOMPARE(h.batch.figure(row, DomainCell::Weight).shown(),
                 replica::statsFiguresFor(names[row - 1]).weight);
    }
}

void TestBatchRun::domainsAreSentAsTyped() {
    RunHarness h;
    const QStringList names = {u"a#b.com"_s,    u"c?wd=x.com"_s,      u"50%.com"_s,   u"中文.cn"_s,
                               u" a b.com\t"_s, u"ctl\x01\x7f.com"_s, u"www.qq.com"_s};
    startOn(h, names);
    h.time.advance(10'000);
    QVERIFY(h.allFilled());
    for (int row = 1; row <= names.size(); ++row) {
        QCOMPARE(h.rowCells(row), expectedCells(names[row - 1]));
    }
    QCOMPARE(h.sentStats().first(), u"http://stats.test/baidu/a%23b.com/"_s);
    QCOMPARE(h.sentDomainQueries().at(2), u"http://search.test/s?wd=domain%3A50%25.com"_s);
    QCOMPARE(h.sentSiteQueries().last(), u"http://search.test/s?wd=site%3Awww.qq.com"_s);
}

void TestBatchRun::errorStatusIsFailure_data() {
    QTest::addColumn<int>("status");
    QTest::newRow("400, the first error") << 400;
    QTest::newRow("503 too many requests") << 503;
}

void TestBatchRun::errorStatusIsFailure() {
    QFETCH(int, status);
    RunHarness h;
    const auto replica = replicaResponder();
    // Error pages that happen to hold every marker.
    h.http.setResponder([&](const QString& url) {
        FakeReply reply = replica(url);
        reply.status = url.contains(u"a.com"_s) ? status : 200;
        return reply;
    });
    startOn(h, {u"a.com"_s, u"b.com"_s});
    h.time.advance(10'000);
    QCOMPARE(h.rowCells(1).mid(1), kAllFailed);
    QCOMPARE(h.batch.figure(1, DomainCell::Backlinks).reason, u"HTTP "_s + QString::number(status));
    QCOMPARE(h.rowCells(2), expectedCells(u"b.com"_s));
    QCOMPARE(h.batch.rowsCounted(), 2);
}

void TestBatchRun::failuresShowAsFailuresAndRunCompletes() {
    RunHarness h;
    startOn(h, {u"ok1.com"_s, u"hang.com"_s, u"verify.com"_s, u"garbage.com"_s, u"huge.com"_s, u"ok2.com"_s});
    h.time.advance(60'000);
    QVERIFY(h.allFilled());
    QCOMPARE(h.batch.rowsCounted(), 6);
    QCOMPARE(h.rowCells(1), expectedCells(u"ok1.com"_s));
    QCOMPARE(h.rowCells(2).mid(1), kAllFailed);  // every request timed out
    // The robot check is no count of 0; its statistics page is a normal one.
    QCOMPARE(h.batch.figure(3, DomainCell::Indexed).shown(), u"失败"_s);
    QCOMPARE(h.batch.figure(3, DomainCell::Backlinks).shown(), u"失败"_s);
    QCOMPARE(h.batch.figure(3, DomainCell::Weight).shown(), replica::statsFiguresFor(u"verify.com"_s).weight);
    // Each failure says why; the figures have no reason.
    QCOMPARE(h.batch.figure(2, DomainCell::Weight).reason, u"超时：5 秒内无应答"_s);
    QCOMPARE(h.batch.figure(3, DomainCell::Backlinks).reason, u"百度安全验证：需要人工验证"_s);
    QCOMPARE(h.batch.figure(4, DomainCell::Snapshot).reason, u"页面中没有数据"_s);
    QCOMPARE(h.batch.figure(3, DomainCell::Weight).reason, QString());
    QCOMPARE(h.rowCells(5).mid(1), kAllFailed);  // over the body cap
    QCOMPARE(h.rowCells(6), expectedCells(u"ok2.com"_s));
    // Garbage is no statistics page and holds no count: every cell fails.
    QCOMPARE(h.rowCells(4).mid(1), kAllFailed);
    QCOMPARE(h.batch.figure(4, DomainCell::Indexed).reason, u"页面中没有结果数"_s);
}

void TestBatchRun::partialPagesFailWhereTheyStopNoResultsAreZero() {
    RunHarness h;
    startOn(h, {u"partial.com"_s, u"nomarker.com"_s, u"notfound.com"_s, u"empty.com"_s});
    h.time.advance(30'000);
    QVERIFY(h.allFilled());
    const replica::StatsFigures partial = replica::statsFiguresFor(u"partial.com"_s);
    // Where a page stops early or is cut off after the marker, the figures it lacks are no zeros.
    QCOMPARE(h.rowCells(1), (QStringList{u"partial.com"_s, partial.weight, partial.keywords, u"失败"_s,
                                         u"失败"_s, u"失败"_s, u"失败"_s}));
    QCOMPARE(h.batch.figure(1, DomainCell::Traffic).reason, u"页面中没有该项"_s);
    QCOMPARE(h.batch.figure(1, DomainCell::Indexed).reason, u"页面中没有结果数"_s);
    // No weight marker: no statistics page; the Baidu pages said that nothing was found.
    QCOMPARE(h.rowCells(2).mid(1), (QStringList{u"失败"_s, u"失败"_s, u"失败"_s, u"0"_s, u"0"_s, u"失败"_s}));
    // A 404 page and an empty body are failed fetches.
    QCOMPARE(h.rowCells(3).mid(1), kAllFailed);
    QCOMPARE(h.rowCells(4).mid(1), kAllFailed);
    QCOMPARE(h.batch.rowsCounted(), 4);
}

void TestBatchRun::lastRowIsRepairedToo() {
    // The last row gets no advance, yet no cell may stay unknown: the run would never count it.
    for (const QString& last : {u"nomarker.com"_s, u"partial.com"_s, u"hang.com"_s}) {
        RunHarness h;
        startOn(h, {u"a.com"_s, u"b.com"_s, last});
        h.time.advance(30'000);
        QVERIFY2(h.allFilled(), qPrintable(last));
        QCOMPARE(h.batch.rowsCounted(), 3);
        // Every chain ends on the last row, so a resume after a final pause asks for it again.
        for (const Chain chain : {Chain::Stats, Chain::DomainQuery, Chain::SiteQuery}) {
            QCOMPARE(h.batch.cursor(chain), 3);
        }
        QCOMPARE(h.sentStats().size(), 3);
        QCOMPARE(h.sentSiteQueries().size(), 3);
    }
}

void TestBatchRun::retryAsksOnlyForFailedCells() {
    RunHarness h;
    QVERIFY(!h.batch.retry());  // nothing to retry yet
    // b.com's statistics page and c.com's backlink page fail once, as a busy site does.
    QSet<QString> failedOnce;
    const auto replica = replicaResponder();
    h.http.setResponder([&](const QString& url) {
        FakeReply reply = replica(url);
        const bool flaky = url == u"http://stats.test/baidu/b.com/"_s || url.endsWith(u"domain%3Ac.com"_s);
        if (flaky && !failedOnce.contains(url)) {
            failedOnce.insert(url);
            reply.status = 503;
        }
        return reply;
    });
    startOn(h, {u"a.com"_s, u"b.com"_s, u"c.com"_s});
    h.time.advance(5000);
    QCOMPARE(h.batch.figure(2, DomainCell::Weight).shown(), u"失败"_s);
    QCOMPARE(h.batch.figure(3, DomainCell::Backlinks).shown(), u"失败"_s);
    const qsizetype sent = h.http.sent().size();
    QVERIFY(h.batch.retry());
    QCOMPARE(h.batch.rowsCounted(), 0);
    h.time.advance(5000);
    QCOMPARE(h.http.sent().mid(sent),
             (QStringList{u"http://stats.test/baidu/b.com/"_s, u"http://search.test/s?wd=domain%3Ac.com"_s}));
    for (int row = 1; row <= 3; ++row) {
        QCOMPARE(h.rowCells(row), expectedCells(h.batch.domain(row).toString()));
        QCOMPARE(h.batch.figure(row, DomainCell::Weight).reason, QString());
    }
    QCOMPARE(h.batch.rowsCounted(), 3);
}

void TestBatchRun::retryKeepsGoodStatisticsFigures() {
    RunHarness h;
    h.batch.import(u"d.example.com|7|失败|...|...|...|2026-01-01\r\n"_s, true);
    QCOMPARE(h.batch.figure(1, DomainCell::Keywords).reason, u"上次查询失败"_s);
    QVERIFY(h.batch.retry());
    h.time.advance(5000);
    const QStringList fresh = expectedCells(u"d.example.com"_s);
    // The page is asked again for the unknown cells; the good figures stay as they were.
    QCOMPARE(h.sentStats().size(), 1);
    QCOMPARE(h.rowCells(1), (QStringList{u"d.example.com"_s, u"7"_s, fresh[2], fresh[3], fresh[4], fresh[5],
                                         u"2026-01-01"_s}));
}

void TestBatchRun::retryIsPacedByTheRowsItAsksFor() {
    RunHarness h;
    h.batch.import(savedLines(100, 20), true);
    h.batch.setPacing(5, 10);
    QVERIFY(h.batch.retry());
    // The first pause holds the chains a few rows on, not at the end of the list.
    QVERIFY(h.time.advanceUntil([&] { return h.batch.paused(); }, 5000));
    QCOMPARE(h.batch.rowsCounted(), 104);
    QVERIFY(h.sentSiteQueries().size() <= 6);
    // Pauses after every five retried rows, the first after four, as in a run.
    QCOMPARE(atPauses(h.time, h.batch, 60'000, [&] { return h.batch.rowsCounted(); }),
             (QList<qint64>{109, 114, 119}));
    QCOMPARE(h.batch.rowsCounted(), 120);
}

void TestBatchRun::retryCountsRowsThatNeedNothingAtOnce() {
    RunHarness h;
    h.batch.import(savedLines(5000, 1), true);
    QVERIFY(h.batch.retry());
    h.time.advance(10);
    QCOMPARE(h.batch.rowsCounted(), 5000);
    h.time.advance(100);        // the open row's pages arrive
    QVERIFY(!h.batch.retry());  // nothing left to ask for
    h.time.advance(10);
    QCOMPARE(h.batch.rowsCounted(), 5001);
}

// The back-off's lengths are the run state's; here what the run makes of a block.
void TestBatchRun::robotChecksPauseTheRunUntilItGoesOnByItself() {
    RunHarness h;
    const auto blockLeft = [&] { return h.batch.blockSecondsLeft(); };
    const auto baiduAsked = [&] { return h.sentSiteQueries().size() + h.sentDomainQueries().size(); };
    h.http.setResponder(robotCheckOnBaidu());
    startOn(h, numberedDomains(50));
    QVERIFY(h.time.advanceUntil([&] { return blockLeft() > 0; }, 2000));
    // Three checks in a row: the run holds for five minutes and asks Baidu nothing more.
    QCOMPARE(blockLeft(), 300);
    QCOMPARE(h.batch.figure(1, DomainCell::Indexed).reason, u"百度安全验证：需要人工验证"_s);
    const qsizetype asked = baiduAsked();
    h.time.advance(1000);
    QCOMPARE(blockLeft(), 299);
    h.time.advance(298'900);
    QCOMPARE(baiduAsked(), asked);
    QVERIFY(h.time.advanceUntil([&] { return baiduAsked() > asked; }, 200));  // after five minutes
    // Still checked: it holds again at once, for twice as long. Start goes on at once, Stop ends the
    // wait for good.
    QVERIFY(h.time.advanceUntil([&] { return blockLeft() == 600; }, 2000));
    h.http.setResponder(replicaResponder());
    h.batch.start();
    QCOMPARE(blockLeft(), 0);
    h.time.advance(30'000);
    QCOMPARE(h.batch.rowsCounted(), 50);
    h.http.setResponder(robotCheckOnBaidu());
    h.batch.start();
    QVERIFY(h.time.advanceUntil([&] { return blockLeft() > 0; }, 2000));
    h.batch.stop();
    QCOMPARE(blockLeft(), 0);
    const qsizetype sent = h.http.sent().size();
    h.time.advance(3'600'000);
    QCOMPARE(h.http.sent().size(), sent);
}

void TestBatchRun::robotCheckSetsItsProxyAside_data() {
    QTest::addColumn<QStringList>("checked");
    QTest::newRow("one checked: the row asked again through the other") << QStringList{u"a"_s};
    QTest::newRow("all checked: then the block") << QStringList{u"a"_s, u"b"_s};
}

// Two proxies on three chains, so that each meets Baidu soon; Baidu answers those checked with its check.
void TestBatchRun::robotCheckSetsItsProxyAside() {
    QFETCH(QStringList, checked);
    RunHarness h;
    const Proxy a{Proxy::Kind::Http, u"a"_s, 1, {}, {}};
    h.runs->proxies.setProxies({a, {Proxy::Kind::Http, u"b"_s, 2, {}, {}}});
    h.http.setProxyResponder(
        [&, replica = replicaResponder(), check = robotCheckOnBaidu()](const Proxy& via, const QString& url) {
            return checked.contains(via.host) ? check(url) : replica(url);
        });
    startOn(h, numberedDomains(6));
    QVERIFY(h.time.advanceUntil([&] { return h.runs->proxies.isSetAside(a) || h.batch.blocked(); }, 5'000));
    QVERIFY(!h.batch.blocked());
    const qsizetype setAsideAt = h.http.sent().size();
    QVERIFY(h.time.advanceUntil([&] { return h.batch.rowsCounted() == 6 || h.batch.blocked(); }, 30'000));
    if (checked.size() == 1) {
        QVERIFY(!h.http.sentVia().sliced(setAsideAt).contains(u"http://a:1"_s));  // a rests
        for (int row = 1; row <= 6; ++row) {
            QCOMPARE(h.rowCells(row), expectedCells(u"site%1.com"_s.arg(row)));  // no figure lost
        }
        QVERIFY(!h.batch.blocked() && !h.runs->proxies.allSetAside());
    } else {
        QVERIFY(h.batch.blocked() && h.runs->proxies.allSetAside());
        QCOMPARE(h.batch.figure(1, DomainCell::Indexed).reason, u"百度安全验证：需要人工验证"_s);
    }
}

QTEST_GUILESS_MAIN(TestBatchRun)
#include "tst_batchrun.moc"
