// SPDX-License-Identifier: GPL-3.0-or-later
// The batch view around its run: what the window shows of it and how its controls work it, and one whole
// run through the window. The run's own behaviour is tested without a window, in tst_batchrun.
#include "form_harness.h"

#include <QPushButton>
#include <QTest>

Q_DECLARE_METATYPE(quorvane::MsgResult)

using namespace Qt::StringLiterals;
using namespace quorvane;
using namespace quorvane::testing;

class TestBatch final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void importEnablesRunButtonsAndNumbersLines();
    void importOfEmptyBoxAndClear();
    void columnClickSortsOncePerClick();
    void sortDuringRunKeepsFiguresWithTheirDomains();
    void retryKeyOnASortedList();
    void fullRunWithInitialInputs();
    void pacingBoxesFeedTheRun();
    void startOnImportedFiguresAsksFirst_data();
    void startOnImportedFiguresAsksFirst();
    void robotChecksShowANoticeNotABox();
    void proxiesShownBesideTheCount();
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

// Ctrl+R says when there is nothing to retry, and retries the run's rows whatever order is shown.
void TestBatch::retryKeyOnASortedList() {
    FormHarness h;
    QVERIFY(h.showBatchView());
    h.messages.answer(MsgResult::Ok);
    h.clickHeader(u"ListView1", 2);  // nothing to retry yet: says so
    h.pressKey(Qt::Key_R);
    QCOMPARE(h.messages.texts().size(), 1);
    h.importFile(savedLines(1, 2));
    h.clickHeader(u"ListView1", 2);  // open2.com, open1.com, done1.com
    h.pressKey(Qt::Key_R);
    QCOMPARE(h.text(u"Label2"), u"0"_s);
    h.time.advance(5000);
    for (int row = 1; row <= 3; ++row) {
        QCOMPARE(h.rowCells(row), expectedCells(h.cell(row, DomainCell::Domain)));
    }
    QCOMPARE(h.text(u"Label2"), u"3"_s);
}

void TestBatch::fullRunWithInitialInputs() {
    FormHarness h;
    const QStringList names = numberedDomains(25);
    h.importDomains(names);
    h.pressStart();
    QCOMPARE(h.sentStats(), QStringList{u"http://stats.test/baidu/site1.com/"_s});
    QCOMPARE(h.sentDomainQueries(), QStringList{u"http://search.test/s?wd=domain%3Asite1.com"_s});
    QCOMPARE(h.sentSiteQueries(), QStringList{u"http://search.test/s?wd=site%3Asite1.com"_s});
    QCOMPARE(atPauses(h.time, h.runs->batch, 20'000, [&] { return h.text(u"Label2"); }),
             (QStringList{u"9"_s, u"19"_s}));
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

// What is typed in the pacing boxes reaches the run, also once it has begun.
void TestBatch::pacingBoxesFeedTheRun() {
    FormHarness h;
    h.importDomains(numberedDomains(3));
    h.setRowsPerBatch(u"1"_s).setPauseSeconds(u"1.5"_s).pressStart();
    h.time.advance(10);
    QVERIFY(h.runs->batch.paused());
    QCOMPARE(h.runs->batch.resumeInterval(), 1500);
    h.setRowsPerBatch(u"70000"_s);
    h.importDomains(numberedDomains(3));
    h.pressStart();
    QCOMPARE(h.runs->batch.pauseAt(), 70000);
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

// What a block does to the run is the run's; here what the window shows of it.
void TestBatch::robotChecksShowANoticeNotABox() {
    FormHarness h;
    const auto notice = [&] { return h.text(u"Label6"); };
    h.http.setResponder(robotCheckOnBaidu());
    h.importDomains(numberedDomains(50));
    h.setRowsPerBatch(u"0"_s).pressStart();
    QVERIFY(h.time.advanceUntil([&] { return !notice().isEmpty(); }, 2000));
    // The run holds and says so without a box, counting down; "开始" and "停止" end the wait.
    QCOMPARE(notice(), u"百度要求安全验证：已暂停，05:00 后自动继续"_s);
    QVERIFY(h.messages.shown.isEmpty());
    h.time.advance(1000);
    QCOMPARE(notice(), u"百度要求安全验证：已暂停，04:59 后自动继续"_s);
    QVERIFY(h.time.advanceUntil([&] { return notice().contains(u"10:00"_s); }, 302'000));
    h.pressStart();
    QVERIFY(notice().isEmpty());
    QVERIFY(h.time.advanceUntil([&] { return !notice().isEmpty(); }, 2000));
    h.pressStop();
    QVERIFY(notice().isEmpty());
}

void TestBatch::proxiesShownBesideTheCount() {
    FormHarness h;
    const QWidget& label = h.control(u"Label7");
    QVERIFY(label.isHidden());  // without proxies nothing is said of them
    h.runs->proxies.setProxies({{}, {Proxy::Kind::Socks5, u"b"_s, 2, {}, {}}});
    h.importDomains({u"a.com"_s});
    h.pressStart();
    QVERIFY(h.text(u"Label7") == u"经 2 个代理"_s && !label.isHidden());
    for (const QStringView other : {u"Label1_6", u"Label2", u"Check3", u"Command19", u"Combo1"}) {
        QVERIFY(
            !label.geometry().intersects(h.control(other).geometry()));  // clear of the count and all around
    }
}

QTEST_MAIN(TestBatch)
#include "tst_batch.moc"
