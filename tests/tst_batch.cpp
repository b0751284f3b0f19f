// SPDX-License-Identifier: GPL-3.0-or-later
#include "form_harness.h"
#include "replica_site.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSet>
#include <QTest>

Q_DECLARE_METATYPE(quorvane::MsgResult)

using namespace Qt::StringLiterals;
using namespace quorvane;
using quorvane::testing::expectedCells;
using quorvane::testing::FakeHttp;
using quorvane::testing::FakeReply;
using quorvane::testing::FormHarness;
using quorvane::testing::numberedDomains;
using quorvane::testing::replicaResponder;

namespace {

// Watches the run tick by tick and notes the progress count each time an automatic pause begins.
struct PauseLog {
    QStringList labelsAtPause;
};

PauseLog runWatching(FormHarness& h, qint64 maxMs) {
    PauseLog log;
    qint64 pauseAt = h.runs->batch.pauseAt();
    for (qint64 t = 0; t < maxMs; t += 10) {
        h.time.advance(10);  // one progress tick
        if (h.runs->batch.pauseAt() != pauseAt && h.runs->batch.paused()) {
            log.labelsAtPause.append(h.text(u"Label2"));
        }
        pauseAt = h.runs->batch.pauseAt();
    }
    return log;
}

// The result cells of a row whose statistics page had no weight marker and whose Baidu pages said
// that nothing was found.
QStringList noStatsPage() {
    return {u"失败"_s, u"失败"_s, u"失败"_s, u"0"_s, u"0"_s, u"失败"_s};
}

}  // namespace

class TestBatch final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void importEnablesRunButtonsAndNumbersLines();
    void importOfEmptyBoxAndClear();
    void importDuringRunEndsIt();
    void columnClickSortsOncePerClick();
    void sortDuringRunKeepsFiguresWithTheirDomains();
    void stoppedRunLetsProgressTimerSleep();
    void fullRunWithInitialInputs();
    void rowsPerBatchVariants_data();
    void rowsPerBatchVariants();
    void pauseLengthNotPositiveMeansNoPause_data();
    void pauseLengthNotPositiveMeansNoPause();
    void importEndsPausedRun();
    void importDuringAutomaticPauseEndsRunForGood();
    void freshStartForgetsOldFigures();
    void progressTimerSleepsWhenAllCounted();
    void statisticsChainLeavesCountCellsAlone();
    void domainsAreSentAsTyped();
    void errorStatusIsFailure_data();
    void errorStatusIsFailure();
    void pauseThenStartRequestsNothingTwice();
    void stopThenStartRestartsFromRowOne();
    void userStopCancelsPendingResume_data();
    void userStopCancelsPendingResume();
    void userPauseIsNotUndoneByPacing_data();
    void userPauseIsNotUndoneByPacing();
    void userStartDuringAutomaticPauseDoesNotRestartLater();
    void retryKeepsGoodStatisticsFigures();
    void retryIsPacedByTheRowsItAsksFor();
    void retryCountsRowsThatNeedNothingAtOnce();
    void startOnImportedFiguresAsksFirst_data();
    void startOnImportedFiguresAsksFirst();
    void robotChecksPauseTheRunUntilItGoesOnByItself();
    void failuresShowAsFailuresAndRunCompletes();
    void partialPagesFailWhereTheyStopNoResultsAreZero();
    void lastRowIsRepairedToo();
    void pauseLengthIsClampedNotWrapped_data();
    void pauseLengthIsClampedNotWrapped();
    void hugeRowsPerBatchDoesNotOverflow();
    void retryAsksOnlyForFailedCells();
};

void TestBatch::importEnablesRunButtonsAndNumbersLines() {
    FormHarness h;
    h.importBox(u"a.com\n\nword\n  b.com \nhttp://c.com/\na.com\n"_s);
    for (const auto* name : {u"Command2", u"Command3", u"Command9", u"Command10"}) {
        QVERIFY(h.control<QPushButton>(name).isEnabled());
    }
    const ListModel& list = h.list(u"ListView1").items();
    QCOMPARE(list.itemCount(), 4);
    QCOMPARE(h.text(u"Label3"), u"4"_s);
    QCOMPARE(list.itemText(1), u"1"_s);
    QCOMPARE(list.itemText(2), u"4"_s);
    QCOMPARE(h.cell(2, 1), u"  b.com "_s);
    QCOMPARE(h.cell(3, 1), u"http://c.com/"_s);
    QCOMPARE(list.itemText(4), u"6"_s);
    QCOMPARE(h.rowCells(1).mid(1), QStringList(6, u"..."_s));
    QCOMPARE(list.headerCount(), 8);
    // No-break spaces pasted from a web page stay as they are.
    h.importBox(u"\u00A0nb.com\u00A0\n"_s);
    QCOMPARE(h.cell(1, 1), u"\u00A0nb.com\u00A0"_s);
    // A list pasted with lone line feeds is still one domain per line.
    h.importBox(u"x.com\ny.com\rz.com"_s);
    QCOMPARE(list.itemCount(), 3);
    QCOMPARE(h.cell(3, 1), u"z.com"_s);
}

void TestBatch::importOfEmptyBoxAndClear() {
    FormHarness h;
    h.importDomains({u"a.com"_s, u"b.com"_s});
    h.click(u"Command2");
    QCOMPARE(h.text(u"Text1"), QString());
    QCOMPARE(h.list(u"ListView1").items().itemCount(), 2);
    QCOMPARE(h.text(u"Label3"), u"2"_s);
    h.click(u"Command12");
    QCOMPARE(h.list(u"ListView1").items().itemCount(), 0);
    QCOMPARE(h.list(u"ListView1").items().headerCount(), 8);
    QCOMPARE(h.text(u"Label3"), u"0"_s);
    // Start with an empty list sends nothing and stays quiet.
    h.pressStart();
    h.time.advance(1000);
    QCOMPARE(h.sentStats().size() + h.sentDomainQueries().size() + h.sentSiteQueries().size(), 0);
    QVERIFY(!h.runs->batch.active());  // nothing to watch
}

void TestBatch::importDuringRunEndsIt() {
    FormHarness h;
    h.importDomains(numberedDomains(6));
    h.pressStart();
    h.time.advance(65);  // a few rows counted, the next pages on their way
    QVERIFY(h.text(u"Label2") != u"0"_s);
    const int sent = h.batchSent();
    h.importDomains(numberedDomains(4, u"new"_s));
    h.time.advance(5000);
    // No old page fills a new row, nothing more is asked for, nothing is counted.
    QCOMPARE(h.batchSent(), sent);
    for (int row = 1; row <= 4; ++row) {
        QCOMPARE(h.rowCells(row).mid(1), QStringList(6, u"..."_s));
    }
    QCOMPARE(h.text(u"Label2"), u"0"_s);
    QVERIFY(!h.runs->batch.active());
    QVERIFY(!h.runs->batch.resumePending());
    // The next Start is a fresh one, from the first new row, also after a Pause.
    h.pressPause();
    h.pressStart();
    QCOMPARE(h.sentStats().last(), u"http://stats.test/baidu/new1.com/"_s);
    h.time.advance(5000);
    QCOMPARE(h.text(u"Label2"), u"4"_s);
    QCOMPARE(h.rowCells(4), expectedCells(u"new4.com"_s));
}

void TestBatch::columnClickSortsOncePerClick() {
    FormHarness h;
    QVERIFY(h.showBatchView());
    ListModel& list = h.list(u"ListView1").items();
    h.importDomains({u"only.com"_s});
    h.clickHeader(u"ListView1", 1);
    QCOMPARE(list.column(1).tag, QString());  // fewer than two rows: nothing toggles
    QVERIFY(!list.sorted());

    QStringList names = numberedDomains(10);
    h.importDomains(names);
    h.clickHeader(u"ListView1", 1);  // "序号", descending by value: 10, 9, ..., 1
    QCOMPARE(list.itemText(1), u"10"_s);
    QCOMPARE(list.itemText(2), u"9"_s);
    QCOMPARE(list.itemText(10), u"1"_s);
    QCOMPARE(list.column(1).tag, u"1"_s);
    h.clickHeader(u"ListView1", 1);
    QCOMPARE(list.itemText(1), u"1"_s);
    QCOMPARE(list.itemText(2), u"2"_s);
    QCOMPARE(list.column(1).tag, u"0"_s);
    h.clickHeader(u"ListView1", 2);  // another column starts descending, the first keeps its toggle
    QCOMPARE(h.cell(1, 1), u"site9.com"_s);
    QCOMPARE(list.column(1).tag, u"0"_s);

    // Rows stay put while the run fills them; the run walks them in the order of the import.
    h.pressStart();
    h.time.advance(5000);
    QVERIFY(h.allFilled());
    QCOMPARE(h.cell(1, 1), u"site9.com"_s);
    QCOMPARE(h.rowCells(1), expectedCells(u"site9.com"_s));
    QCOMPARE(h.sentStats().first(), u"http://stats.test/baidu/site1.com/"_s);

    // An import resets the toggles: the first click sorts descending again.
    h.importDomains(names);
    QCOMPARE(list.column(1).tag, QString());
}

void TestBatch::sortDuringRunKeepsFiguresWithTheirDomains() {
    FormHarness h;
    QVERIFY(h.showBatchView());
    const QStringList names = numberedDomains(30);
    h.importDomains(names);
    h.setRowsPerBatch(u"7"_s).setPauseSeconds(u"1"_s).pressStart();
    h.time.advance(105);  // pages of several rows on their way
    h.clickHeader(u"ListView1", 2);
    h.time.advance(300);
    h.clickHeader(u"ListView1", 3);
    for (int step = 0; step < 200 && h.text(u"Label2") != u"30"_s; ++step) {
        // A row is counted only once it is whole.
        const int counted = h.text(u"Label2").toInt();
        int whole = 0;
        while (whole < 30 && h.runs->batch.complete(whole + 1)) {
            ++whole;
        }
        QVERIFY(counted <= whole);
        h.time.advance(100);
    }
    QCOMPARE(h.text(u"Label2"), u"30"_s);
    QStringList seen;
    for (int row = 1; row <= 30; ++row) {
        const QString domain = h.cell(row, 1);
        QCOMPARE(h.rowCells(row), expectedCells(domain));
        seen.append(domain);
    }
    seen.sort();
    QStringList all = names;
    all.sort();
    QCOMPARE(seen, all);
    QCOMPARE(h.sentStats().size(), 30);
}

void TestBatch::stoppedRunLetsProgressTimerSleep() {
    FormHarness h;
    h.importDomains(numberedDomains(20));
    h.pressStart();
    h.time.advance(45);
    h.pressStop();
    h.time.advance(1000);  // the pages on their way arrive and are counted
    const QString counted = h.text(u"Label2");
    QVERIFY(!h.runs->batch.active());
    QVERIFY(counted.toInt() < 20);
    h.pressStart();  // Stop, Start: a fresh run, watched again
    QVERIFY(h.runs->batch.active());
    h.time.advance(10'000);
    QCOMPARE(h.text(u"Label2"), u"20"_s);
}

void TestBatch::fullRunWithInitialInputs() {
    FormHarness h;
    const QStringList names = numberedDomains(25);
    h.importDomains(names);
    h.pressStart();
    QCOMPARE(h.sentStats(), QStringList{u"http://stats.test/baidu/site1.com/"_s});
    QCOMPARE(h.sentDomainQueries(), QStringList{u"http://search.test/s?wd=domain%3Asite1.com"_s});
    QCOMPARE(h.sentSiteQueries(), QStringList{u"http://search.test/s?wd=site%3Asite1.com"_s});
    const PauseLog log = runWatching(h, 20'000);
    QCOMPARE(log.labelsAtPause, (QStringList{u"9"_s, u"19"_s}));
    QCOMPARE(h.text(u"Label2"), u"25"_s);
    QVERIFY(h.allFilled());
    for (int row = 1; row <= 25; ++row) {
        QCOMPARE(h.rowCells(row), expectedCells(names[row - 1]));
    }
    // Every row was requested exactly once on each chain.
    QCOMPARE(h.sentStats().size(), 25);
    QCOMPARE(h.sentDomainQueries().size(), 25);
    QCOMPARE(h.sentSiteQueries().size(), 25);
    QVERIFY(!h.runs->batch.halted());
    QVERIFY(!h.runs->batch.paused());
}

void TestBatch::rowsPerBatchVariants_data() {
    QTest::addColumn<QString>("rowsPerBatch");
    QTest::addColumn<QStringList>("labelsAtPause");
    QTest::newRow("1: pause before any row, then every row")
        << u"1"_s << QStringList{u"0"_s, u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s, u"6"_s};
    QTest::newRow("0: never") << u"0"_s << QStringList{};
    QTest::newRow("negative: never") << u"-3"_s << QStringList{};
    QTest::newRow("not a number: never") << u"abc"_s << QStringList{};
    QTest::newRow("3") << u"3"_s << QStringList{u"2"_s, u"5"_s};
}

void TestBatch::rowsPerBatchVariants() {
    QFETCH(QString, rowsPerBatch);
    QFETCH(QStringList, labelsAtPause);
    FormHarness h;
    h.importDomains(numberedDomains(6));
    h.setRowsPerBatch(rowsPerBatch).pressStart();
    const PauseLog log = runWatching(h, 30'000);
    QCOMPARE(log.labelsAtPause, labelsAtPause);
    QCOMPARE(h.text(u"Label2"), u"6"_s);
    QVERIFY(h.allFilled());
}

void TestBatch::pauseLengthNotPositiveMeansNoPause_data() {
    QTest::addColumn<QString>("seconds");
    QTest::newRow("0") << u"0"_s;
    QTest::newRow("negative") << u"-5"_s;
    QTest::newRow("not a number") << u"abc"_s;
}

void TestBatch::pauseLengthNotPositiveMeansNoPause() {
    QFETCH(QString, seconds);
    FormHarness h;
    h.importDomains(numberedDomains(7));
    h.setRowsPerBatch(u"3"_s).setPauseSeconds(seconds).pressStart();
    const PauseLog log = runWatching(h, 30'000);
    QCOMPARE(log.labelsAtPause, QStringList{});
    QVERIFY(!h.runs->batch.paused());
    QVERIFY(h.allFilled());
    QCOMPARE(h.text(u"Label2"), u"7"_s);
}

void TestBatch::importEndsPausedRun() {
    FormHarness h;
    h.importDomains(numberedDomains(6, u"old"_s));
    h.setRowsPerBatch(u"3"_s).setPauseSeconds(u"30"_s).pressStart();
    QVERIFY(h.time.advanceUntil([&] { return h.runs->batch.paused(); }, 60'000));
    h.pressStop();
    const QStringList fresh = numberedDomains(4, u"new"_s);
    h.importDomains(fresh);
    h.setRowsPerBatch(u"10"_s).pressStart();
    QCOMPARE(h.sentStats().last(), u"http://stats.test/baidu/new1.com/"_s);
    h.time.advance(60'000);
    QVERIFY(h.allFilled());
    QCOMPARE(h.text(u"Label2"), u"4"_s);
    for (int row = 1; row <= 4; ++row) {
        QCOMPARE(h.rowCells(row), expectedCells(fresh[row - 1]));
    }
}

void TestBatch::importDuringAutomaticPauseEndsRunForGood() {
    FormHarness h;
    h.importDomains(numberedDomains(3, u"old"_s));
    h.setRowsPerBatch(u"1"_s).setPauseSeconds(u"1"_s).pressStart();
    h.time.advance(10);  // the pause before the first row, whose pages are still on their way
    QVERIFY(h.runs->batch.paused());
    h.importDomains(numberedDomains(3, u"new"_s));
    h.time.advance(30'000);
    // Neither the pending resume, nor a later boundary, nor the old run's replies touch the new list.
    QCOMPARE(h.batchSent(), 3);
    QVERIFY(!h.runs->batch.paused());
    QVERIFY(!h.runs->batch.resumePending());
    QCOMPARE(h.rowCells(1).mid(1), QStringList(6, u"..."_s));
}

void TestBatch::freshStartForgetsOldFigures() {
    FormHarness h;
    h.importDomains(numberedDomains(5));
    h.setRowsPerBatch(u"0"_s).pressStart();
    h.time.advance(10'000);
    QVERIFY(h.allFilled());
    // The sites now fail: no old figure may stay, and the pauses wait for rows of this run.
    h.http.setResponder([](const QString&) { return FakeReply{QByteArray(), 20}; });
    h.setRowsPerBatch(u"3"_s).setPauseSeconds(u"1"_s).pressStart();
    for (int row = 1; row <= 5; ++row) {
        QCOMPARE(h.rowCells(row).mid(1), QStringList(6, u"..."_s));
    }
    const PauseLog log = runWatching(h, 30'000);
    QCOMPARE(log.labelsAtPause, (QStringList{u"2"_s, u"5"_s}));
    for (int row = 1; row <= 5; ++row) {
        QCOMPARE(h.rowCells(row).mid(1), QStringList(6, u"失败"_s));
    }
}

void TestBatch::progressTimerSleepsWhenAllCounted() {
    FormHarness h;
    h.importDomains(numberedDomains(3));
    h.pressStart();
    h.time.advance(10'000);
    QCOMPARE(h.text(u"Label2"), u"3"_s);
    QVERIFY(!h.runs->batch.active());
    h.pressStart();
    QVERIFY(h.runs->batch.active());
    h.time.advance(10'000);
    QCOMPARE(h.text(u"Label2"), u"3"_s);
    QVERIFY(!h.runs->batch.active());
}

void TestBatch::statisticsChainLeavesCountCellsAlone() {
    FormHarness h;
    h.importDomains(numberedDomains(3));
    const auto replica = replicaResponder();
    h.http.setResponder([&](const QString& url) {
        FakeReply reply = replica(url);
        reply.never = url.contains(u"/s?"_s);
        return reply;
    });
    h.pressStart();
    h.time.advance(5000);
    QCOMPARE(h.sentStats().size(), 3);
    for (int row = 1; row <= 3; ++row) {
        QCOMPARE(h.cell(row, 5), u"..."_s);
        QCOMPARE(h.cell(row, 6), u"..."_s);
        QCOMPARE(h.cell(row, 2), replica::statsFiguresFor(numberedDomains(3)[row - 1]).weight);
    }
}

void TestBatch::domainsAreSentAsTyped() {
    FormHarness h;
    const QStringList names = {u"a#b.com"_s,    u"c?wd=x.com"_s,      u"50%.com"_s,   u"中文.cn"_s,
                               u" a b.com\t"_s, u"ctl\x01\x7f.com"_s, u"www.qq.com"_s};
    h.importDomains(names);
    h.pressStart();
    h.time.advance(10'000);
    QVERIFY(h.allFilled());
    for (int row = 1; row <= names.size(); ++row) {
        QCOMPARE(h.rowCells(row), expectedCells(names[row - 1]));
    }
    QCOMPARE(h.sentStats().first(), u"http://stats.test/baidu/a%23b.com/"_s);
    QCOMPARE(h.sentDomainQueries().at(2), u"http://search.test/s?wd=domain%3A50%25.com"_s);
    QCOMPARE(h.sentSiteQueries().last(), u"http://search.test/s?wd=site%3Awww.qq.com"_s);
}

void TestBatch::errorStatusIsFailure_data() {
    QTest::addColumn<int>("status");
    QTest::newRow("400, the first error") << 400;
    QTest::newRow("503 too many requests") << 503;
}

void TestBatch::errorStatusIsFailure() {
    QFETCH(int, status);
    FormHarness h;
    h.importDomains({u"a.com"_s, u"b.com"_s});
    const auto replica = replicaResponder();
    // Error pages that happen to hold every marker.
    h.http.setResponder([&](const QString& url) {
        FakeReply reply = replica(url);
        reply.status = url.contains(u"a.com"_s) ? status : 200;
        return reply;
    });
    h.pressStart();
    h.time.advance(10'000);
    QCOMPARE(h.rowCells(1).mid(1), QStringList(6, u"失败"_s));
    QCOMPARE(h.list(u"ListView1").items().subItemTip(1, DomainCell::Backlinks),
             u"HTTP "_s + QString::number(status));
    QCOMPARE(h.rowCells(2), expectedCells(u"b.com"_s));
    QCOMPARE(h.text(u"Label2"), u"2"_s);
}

void TestBatch::pauseThenStartRequestsNothingTwice() {
    FormHarness h;
    const QStringList names = numberedDomains(8);
    h.importDomains(names);
    h.http.setResponder(replicaResponder(35));
    h.setRowsPerBatch(u"0"_s).pressStart();
    h.time.advance(80);  // two rows done, the third in flight on every chain
    h.pressPause();
    QVERIFY(h.runs->batch.halted());
    QVERIFY(h.runs->batch.paused());
    h.time.advance(5000);  // replies in flight still arrive; nothing new leaves
    QCOMPARE(h.sentStats().size(), static_cast<int>(h.runs->batch.cursor(Chain::Stats)) - 1);
    h.pressStart();
    h.time.advance(20);  // Start again while the resumed requests are in flight
    h.pressPause();
    const QString inFlight = names[static_cast<int>(h.runs->batch.cursor(Chain::Stats)) - 1];
    h.pressStart();  // replaces the fetchers whose replies are still on their way
    h.time.advance(10'000);
    QVERIFY(h.allFilled());
    QCOMPARE(h.text(u"Label2"), u"8"_s);
    for (const QString& name : names) {
        const int expected = name == inFlight ? 2 : 1;
        QCOMPARE(h.http.sentCount(u"http://stats.test/baidu/"_s + name + u"/"_s), expected);
        QCOMPARE(h.http.sentCount(u"http://search.test/s?wd=site%3A"_s + name), expected);
    }
}

void TestBatch::stopThenStartRestartsFromRowOne() {
    FormHarness h;
    h.importDomains(numberedDomains(6));
    h.setRowsPerBatch(u"0"_s).pressStart();
    h.time.advance(5000);
    QCOMPARE(h.text(u"Label2"), u"6"_s);
    h.pressStop();
    QVERIFY(h.runs->batch.halted());
    QVERIFY(!h.runs->batch.paused());
    h.pressStart();
    QCOMPARE(h.text(u"Label2"), u"0"_s);
    QCOMPARE(h.http.sentCount(u"http://stats.test/baidu/site1.com/"_s), 2);
    // Rows count again only once this run has fetched them.
    h.time.advance(10);
    QCOMPARE(h.text(u"Label2"), u"0"_s);
    h.time.advance(5000);
    QCOMPARE(h.text(u"Label2"), u"6"_s);
    QCOMPARE(h.sentStats().size(), 12);
}

void TestBatch::userStopCancelsPendingResume_data() {
    QTest::addColumn<bool>("pause");
    QTest::newRow("Stop") << false;
    QTest::newRow("Pause") << true;
}

void TestBatch::userStopCancelsPendingResume() {
    QFETCH(bool, pause);
    FormHarness h;
    h.importDomains(numberedDomains(10));
    h.setRowsPerBatch(u"3"_s).setPauseSeconds(u"2"_s).pressStart();
    QVERIFY(h.time.advanceUntil([&] { return h.runs->batch.paused(); }, 10'000));
    QVERIFY(h.runs->batch.resumePending());
    pause ? h.pressPause() : h.pressStop();  // during the automatic pause
    QVERIFY(!h.runs->batch.resumePending());
    const int sent = h.batchSent();
    h.time.advance(30'000);
    QCOMPARE(h.batchSent(), sent);  // the run stays stopped
    QVERIFY(h.runs->batch.halted());
}

void TestBatch::userPauseIsNotUndoneByPacing_data() {
    userStopCancelsPendingResume_data();
}

void TestBatch::userPauseIsNotUndoneByPacing() {
    QFETCH(bool, pause);
    FormHarness h;
    h.importDomains(numberedDomains(10));
    h.setRowsPerBatch(u"5"_s).pressStart();
    // Stop while row 4 is in flight on every chain and the boundary is still ahead of the count.
    QVERIFY(h.time.advanceUntil(
        [&] {
            return h.runs->batch.cursor(Chain::Stats) == 4 && h.runs->batch.cursor(Chain::DomainQuery) == 4 &&
                   h.runs->batch.cursor(Chain::SiteQuery) == 4;
        },
        5000, 1));
    QVERIFY(h.runs->batch.progressRow() < h.runs->batch.pauseAt());
    pause ? h.pressPause() : h.pressStop();
    h.time.advance(30'000);
    // The replies in flight completed row 4 and the count passed the boundary, without a pause
    // that would have resumed the run.
    QCOMPARE(h.runs->batch.progressRow(), 5);
    QCOMPARE(h.runs->batch.pauseAt(), 10);
    QCOMPARE(h.runs->batch.paused(), pause);
    QVERIFY(!h.runs->batch.resumePending());
    QCOMPARE(h.batchSent(), 12);
    // Start resumes after a Pause and starts afresh after a Stop; either way the run completes.
    h.pressStart();
    h.time.advance(30'000);
    QVERIFY(h.allFilled());
    QCOMPARE(h.text(u"Label2"), u"10"_s);
}

void TestBatch::userStartDuringAutomaticPauseDoesNotRestartLater() {
    FormHarness h;
    h.importDomains(numberedDomains(12));
    h.setRowsPerBatch(u"4"_s).setPauseSeconds(u"3"_s).pressStart();
    QVERIFY(h.time.advanceUntil([&] { return h.runs->batch.paused(); }, 10'000));
    h.pressStart();  // resume at once
    QVERIFY(!h.runs->batch.paused());
    QVERIFY(!h.runs->batch.resumePending());
    h.setRowsPerBatch(u"0"_s);  // one more pause, at the boundary already set, then none
    h.time.advance(20'000);
    QCOMPARE(h.text(u"Label2"), u"12"_s);
    // Nothing restarted the run from row 1; only a reply that Start replaced was asked for again.
    QCOMPARE(h.http.sentCount(u"http://stats.test/baidu/site1.com/"_s), 1);
    for (const QString& url : h.sentStats()) {
        QVERIFY(h.http.sentCount(url) <= 2);
    }
    QVERIFY(h.sentStats().size() <= 13);
}

void TestBatch::failuresShowAsFailuresAndRunCompletes() {
    FormHarness h;
    h.importDomains(
        {u"ok1.com"_s, u"hang.com"_s, u"verify.com"_s, u"garbage.com"_s, u"huge.com"_s, u"ok2.com"_s});
    h.setRowsPerBatch(u"0"_s).pressStart();
    h.time.advance(60'000);
    QVERIFY(h.allFilled());
    QCOMPARE(h.text(u"Label2"), u"6"_s);
    QCOMPARE(h.rowCells(1), expectedCells(u"ok1.com"_s));
    QCOMPARE(h.rowCells(2).mid(1), QStringList(6, u"失败"_s));  // every request timed out
    // The robot check is no count of 0; its statistics page is a normal one.
    QCOMPARE(h.cell(3, 5), u"失败"_s);
    QCOMPARE(h.cell(3, 6), u"失败"_s);
    QCOMPARE(h.cell(3, 2), replica::statsFiguresFor(u"verify.com"_s).weight);
    // Each failure says why in its tooltip; the figures have none.
    const ListModel& list = h.list(u"ListView1").items();
    QCOMPARE(list.subItemTip(2, DomainCell::Weight), u"超时：5 秒内无应答"_s);
    QCOMPARE(list.subItemTip(3, DomainCell::Backlinks), u"百度安全验证：需要人工验证"_s);
    QCOMPARE(list.subItemTip(4, DomainCell::Snapshot), u"页面中没有数据"_s);
    QCOMPARE(list.subItemTip(3, DomainCell::Weight), QString());
    QCOMPARE(h.rowCells(5).mid(1), QStringList(6, u"失败"_s));  // over the body cap
    QCOMPARE(h.rowCells(6), expectedCells(u"ok2.com"_s));
    // Garbage is no statistics page and holds no count: every cell fails.
    QCOMPARE(h.rowCells(4).mid(1), QStringList(6, u"失败"_s));
    QCOMPARE(list.subItemTip(4, DomainCell::Indexed), u"页面中没有结果数"_s);
}

void TestBatch::partialPagesFailWhereTheyStopNoResultsAreZero() {
    FormHarness h;
    h.importDomains({u"partial.com"_s, u"nomarker.com"_s, u"notfound.com"_s, u"empty.com"_s});
    h.pressStart();
    h.time.advance(30'000);
    QVERIFY(h.allFilled());
    const replica::StatsFigures partial = replica::statsFiguresFor(u"partial.com"_s);
    // Where a page stops early or is cut off after the marker, the figures it lacks are no zeros.
    QCOMPARE(h.rowCells(1), (QStringList{u"partial.com"_s, partial.weight, partial.keywords, u"失败"_s,
                                         u"失败"_s, u"失败"_s, u"失败"_s}));
    QCOMPARE(h.list(u"ListView1").items().subItemTip(1, DomainCell::Traffic), u"页面中没有该项"_s);
    QCOMPARE(h.list(u"ListView1").items().subItemTip(1, DomainCell::Indexed), u"页面中没有结果数"_s);
    QCOMPARE(h.rowCells(2).mid(1), noStatsPage());
    // A 404 page and an empty body are failed fetches.
    QCOMPARE(h.rowCells(3).mid(1), QStringList(6, u"失败"_s));
    QCOMPARE(h.rowCells(4).mid(1), QStringList(6, u"失败"_s));
    QCOMPARE(h.text(u"Label2"), u"4"_s);
}

void TestBatch::lastRowIsRepairedToo() {
    // The last row gets no advance, yet no cell may stay unknown: the run would never count it.
    for (const QString& last : {u"nomarker.com"_s, u"partial.com"_s, u"hang.com"_s}) {
        FormHarness h;
        h.importDomains({u"a.com"_s, u"b.com"_s, last});
        h.pressStart();
        h.time.advance(30'000);
        QVERIFY2(h.allFilled(), qPrintable(last));
        QCOMPARE(h.text(u"Label2"), u"3"_s);
        // Every chain ends on the last row, so a resume after a final pause asks for it again.
        QCOMPARE(h.runs->batch.cursor(Chain::Stats), 3);
        QCOMPARE(h.runs->batch.cursor(Chain::DomainQuery), 3);
        QCOMPARE(h.runs->batch.cursor(Chain::SiteQuery), 3);
        QCOMPARE(h.sentStats().size(), 3);
        QCOMPARE(h.sentSiteQueries().size(), 3);
    }
}

void TestBatch::pauseLengthIsClampedNotWrapped_data() {
    QTest::addColumn<QString>("seconds");
    QTest::addColumn<int>("interval");
    QTest::newRow("1") << u"1"_s << 1000;
    QTest::newRow("1.5") << u"1.5"_s << 1500;
    QTest::newRow("100 s is more than 16 bits of ms") << u"100"_s << 100'000;
    QTest::newRow("huge is clamped") << u"1e300"_s << WindowTimer::kMaxInterval;
}

void TestBatch::pauseLengthIsClampedNotWrapped() {
    QFETCH(QString, seconds);
    QFETCH(int, interval);
    FormHarness h;
    h.importDomains(numberedDomains(3));
    h.setRowsPerBatch(u"1"_s).setPauseSeconds(seconds).pressStart();
    h.time.advance(10);
    QVERIFY(h.runs->batch.paused());
    QCOMPARE(h.runs->batch.resumeInterval(), interval);
    QVERIFY(h.runs->batch.resumePending());
}

void TestBatch::hugeRowsPerBatchDoesNotOverflow() {
    FormHarness h;
    h.importDomains(numberedDomains(3));
    h.setRowsPerBatch(u"1e30"_s).pressStart();
    QCOMPARE(h.runs->batch.pauseAt(), std::numeric_limits<qint64>::max());
    h.time.advance(5000);
    QCOMPARE(h.text(u"Label2"), u"3"_s);
    QVERIFY(!h.runs->batch.paused());
    h.setRowsPerBatch(u"70000"_s);  // beyond 16 bits
    h.pressStop();
    h.pressStart();
    QCOMPARE(h.runs->batch.pauseAt(), 70000);
}

void TestBatch::retryAsksOnlyForFailedCells() {
    FormHarness h;
    QVERIFY(h.showBatchView());
    h.messages.answer(MsgResult::Ok);
    h.clickHeader(u"ListView1", 2);  // nothing to retry yet: says so
    h.pressKey(Qt::Key_R);
    QCOMPARE(h.messages.texts().size(), 1);
    h.importDomains({u"a.com"_s, u"b.com"_s, u"c.com"_s});
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
    h.click(u"Command3");
    h.time.advance(5000);
    QCOMPARE(h.cell(2, DomainCell::Weight), u"失败"_s);
    QCOMPARE(h.cell(3, DomainCell::Backlinks), u"失败"_s);
    const int sent = static_cast<int>(h.http.sent().size());
    h.clickHeader(u"ListView1", 2);  // the order shown does not matter
    h.pressKey(Qt::Key_R);
    QCOMPARE(h.text(u"Label2"), u"0"_s);
    h.time.advance(5000);
    QCOMPARE(h.http.sent().mid(sent),
             (QStringList{u"http://stats.test/baidu/b.com/"_s, u"http://search.test/s?wd=domain%3Ac.com"_s}));
    for (int row = 1; row <= 3; ++row) {
        QCOMPARE(h.rowCells(row), expectedCells(h.cell(row, DomainCell::Domain)));
        QCOMPARE(h.list(u"ListView1").items().subItemTip(row, DomainCell::Weight), QString());
    }
    QCOMPARE(h.text(u"Label2"), u"3"_s);
}

namespace {

// Lines of a saved result file: done rows complete with the replica's figures, then rows not yet asked.
QString savedLines(int done, int open) {
    QString lines;
    for (const QString& domain : numberedDomains(done, u"done"_s)) {
        lines += (QStringList{domain} + expectedCells(domain).mid(1)).join(u'|') + u"\r\n"_s;
    }
    for (const QString& domain : numberedDomains(open, u"open"_s)) {
        lines += domain + u"|...|...|...|...|...|...\r\n"_s;
    }
    return lines;
}

FakeHttp::Responder robotCheckOnBaidu() {
    return [replica = replicaResponder()](const QString& url) {
        if (!url.startsWith(u"http://search.test/"_s)) {
            return replica(url);
        }
        FakeReply check{QByteArrayLiteral("<title>百度安全验证</title>")};
        check.contentType = "text/html;charset=utf-8";
        return check;
    };
}

}  // namespace

void TestBatch::retryKeepsGoodStatisticsFigures() {
    FormHarness h;
    QVERIFY(h.showBatchView());
    h.importFile(u"d.example.com|7|失败|...|...|...|2026-01-01\r\n"_s);
    QCOMPARE(h.list(u"ListView1").items().subItemTip(1, DomainCell::Keywords), u"上次查询失败"_s);
    h.pressKey(Qt::Key_R);
    h.time.advance(5000);
    const QStringList fresh = expectedCells(u"d.example.com"_s);
    // The page is asked again for the unknown cells; the good figures stay as they were.
    QCOMPARE(h.sentStats().size(), 1);
    QCOMPARE(h.rowCells(1), (QStringList{u"d.example.com"_s, u"7"_s, fresh[2], fresh[3], fresh[4], fresh[5],
                                         u"2026-01-01"_s}));
}

void TestBatch::retryIsPacedByTheRowsItAsksFor() {
    FormHarness h;
    QVERIFY(h.showBatchView());
    h.importFile(savedLines(100, 20));
    h.setRowsPerBatch(u"5"_s).setPauseSeconds(u"10"_s);
    h.pressKey(Qt::Key_R);
    // The first pause holds the chains a few rows on, not at the end of the list.
    QVERIFY(h.time.advanceUntil([&] { return h.runs->batch.paused(); }, 5000));
    QCOMPARE(h.text(u"Label2"), u"104"_s);
    QVERIFY(h.sentSiteQueries().size() <= 6);
    const PauseLog log = runWatching(h, 60'000);
    // Pauses after every five retried rows, the first after four, as in a run.
    QCOMPARE(log.labelsAtPause, (QStringList{u"109"_s, u"114"_s, u"119"_s}));
    QCOMPARE(h.text(u"Label2"), u"120"_s);
}

void TestBatch::retryCountsRowsThatNeedNothingAtOnce() {
    FormHarness h;
    QVERIFY(h.showBatchView());
    h.importFile(savedLines(5000, 1));
    h.setRowsPerBatch(u"0"_s);
    h.pressKey(Qt::Key_R);
    h.time.advance(10);
    QCOMPARE(h.text(u"Label2"), u"5000"_s);
    h.time.advance(100);  // the open row's pages arrive
    h.pressKey(Qt::Key_R);
    h.time.advance(10);
    QCOMPARE(h.text(u"Label2"), u"5001"_s);
}

void TestBatch::startOnImportedFiguresAsksFirst_data() {
    QTest::addColumn<MsgResult>("answer");
    QTest::addColumn<int>("statsPagesAsked");
    QTest::addColumn<bool>("pausedFirst");
    QTest::newRow("是: only the open rows") << MsgResult::Yes << 1 << false;
    QTest::newRow("否: a fresh start") << MsgResult::No << 3 << false;
    QTest::newRow("取消: nothing") << MsgResult::Cancel << 0 << false;
    QTest::newRow("暂停 first, then 是") << MsgResult::Yes << 1 << true;
}

void TestBatch::startOnImportedFiguresAsksFirst() {
    QFETCH(MsgResult, answer);
    QFETCH(int, statsPagesAsked);
    QFETCH(bool, pausedFirst);
    FormHarness h;
    h.importFile(savedLines(2, 1));
    if (pausedFirst) {
        h.pressPause();
    }
    h.messages.answer(answer);
    h.pressStart();
    h.time.advance(5000);
    QCOMPARE(h.messages.texts(), QStringList{u"列表中已有查询结果：只查询失败和未完成的行？"_s});
    QCOMPARE(h.messages.shown[0].buttons, MsgButtons::YesNoCancel);
    QCOMPARE(h.sentStats().size(), statsPagesAsked);
    QCOMPARE(h.rowCells(1), expectedCells(u"done1.com"_s));
    // After a run in this window, a Start starts afresh without asking.
    if (answer != MsgResult::Cancel) {
        h.pressStart();
        QCOMPARE(h.messages.shown.size(), 1);
        QCOMPARE(h.cell(1, DomainCell::Weight), u"..."_s);
    }
}

// The back-off's lengths are the run state's; here what the window makes of a block.
void TestBatch::robotChecksPauseTheRunUntilItGoesOnByItself() {
    FormHarness h;
    const auto notice = [&] { return h.text(u"Label6"); };
    const auto baiduAsked = [&] { return h.sentSiteQueries().size() + h.sentDomainQueries().size(); };
    h.http.setResponder(robotCheckOnBaidu());
    h.importDomains(numberedDomains(50));
    h.setRowsPerBatch(u"0"_s).pressStart();
    QVERIFY(h.time.advanceUntil([&] { return !notice().isEmpty(); }, 2000));
    // Three checks in a row: the run holds, says so without a box, and asks Baidu nothing more.
    QCOMPARE(notice(), u"百度要求安全验证：已暂停，05:00 后自动继续"_s);
    QVERIFY(h.messages.shown.isEmpty());
    QCOMPARE(h.list(u"ListView1").items().subItemTip(1, DomainCell::Indexed),
             u"百度安全验证：需要人工验证"_s);
    const qsizetype asked = baiduAsked();
    h.time.advance(1000);
    QCOMPARE(notice(), u"百度要求安全验证：已暂停，04:59 后自动继续"_s);
    h.time.advance(298'900);
    QCOMPARE(baiduAsked(), asked);
    QVERIFY(h.time.advanceUntil([&] { return baiduAsked() > asked; }, 200));  // after five minutes
    // Still checked: it holds again at once. "开始" goes on at once, "停止" ends the wait for good.
    QVERIFY(h.time.advanceUntil([&] { return notice().contains(u"10:00"_s); }, 2000));
    h.http.setResponder(replicaResponder());
    h.pressStart();
    QVERIFY(notice().isEmpty());
    h.time.advance(30'000);
    QCOMPARE(h.text(u"Label2"), u"50"_s);
    h.http.setResponder(robotCheckOnBaidu());
    h.pressStart();
    QVERIFY(h.time.advanceUntil([&] { return !notice().isEmpty(); }, 2000));
    h.pressStop();
    QVERIFY(notice().isEmpty());
    const qsizetype sent = h.http.sent().size();
    h.time.advance(3'600'000);
    QCOMPARE(h.http.sent().size(), sent);
}

QTEST_MAIN(TestBatch)
#include "tst_batch.moc"
