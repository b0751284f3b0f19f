// SPDX-License-Identifier: GPL-3.0-or-later
// The whole program on the real stack against the replica site over loopback.
#include "form_harness.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace quorvane;
using namespace quorvane::testing;

class TestProgram final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void oddDomainsAndErrorPages();
    void pacedBatchAndSave();
    void singleQueryFilterAndSave();
    void faultDomainsNeverFreezeTheRun();
    void sortAndImportDuringARun();
    void retryFillsWhatFailedOnce();
};

namespace {

QStringList savedLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    QStringList lines = QString::fromUtf8(file.readAll()).split(u"\r\n"_s);
    if (!lines.isEmpty() && lines.last().isEmpty()) {
        lines.removeLast();
    }
    return lines;
}

}  // namespace

void TestProgram::oddDomainsAndErrorPages() {
    RealForm r;
    const QStringList names = {u"a#b.com"_s, u"50%.com"_s, u"c?wd=x.com"_s, u"notfound.com"_s, u"中文.cn"_s};
    r.importDomains(names);
    r.setRowsPerBatch(u"0"_s).pressStart();
    QTRY_VERIFY_WITH_TIMEOUT(r.allFilled(), 20'000);
    for (int row : {1, 2, 3, 5}) {
        QCOMPARE(r.rowCells(row), expectedCells(names[row - 1]));
    }
    // The replica answers 404 pages: no figure, and no zero either.
    QCOMPARE(r.rowCells(4).mid(1), QStringList(6, u"失败"_s));
    QVERIFY(r.site.targets().contains("/baidu/a%23b.com/"));
    QVERIFY(r.site.targets().contains("/s?wd=domain%3A50%25.com"));
}

void TestProgram::pacedBatchAndSave() {
    RealForm r;
    const BatchRun& run = r.runs->batch;  // the pauses show nowhere on screen
    const QStringList names = numberedDomains(25, u"www.site"_s, u".cn"_s);
    r.importDomains(names);
    r.setPauseSeconds(u"1"_s).pressStart();  // Text4 stays at its "10"
    int pauses = 0;
    bool paused = false;
    QElapsedTimer clock;
    clock.start();
    while (r.text(u"Label2") != u"25"_s && clock.elapsed() < 30'000) {
        QTest::qWait(5);
        pauses += run.paused() && !paused ? 1 : 0;
        paused = run.paused();
    }
    QCOMPARE(r.text(u"Label2"), u"25"_s);
    QCOMPARE(pauses, 2);
    r.click(u"Check3");
    r.click(u"Command8");
    QCOMPARE(r.messages.texts(), QStringList{u"恭喜保存成功！"_s});
    const QStringList lines = savedLines(r.text(u"Text3"));
    QCOMPARE(lines.size(), 25);
    for (int row = 1; row <= 25; ++row) {
        QCOMPARE(lines[row - 1].count(u'|'), 6);
        QCOMPARE(lines[row - 1], expectedCells(names[row - 1]).join(u'|'));
    }
}

void TestProgram::singleQueryFilterAndSave() {
    RealForm r;
    const QString domain = u"www.qq.com"_s;
    const int keywords = replica::statsFiguresFor(domain).keywords.toInt();
    QVERIFY(keywords > 75);  // several pages
    r.querySingle(domain);
    QTRY_COMPARE_WITH_TIMEOUT(r.text(u"Label5_6"), r.text(u"Label5_5"), 20'000);
    QTRY_VERIFY_WITH_TIMEOUT(r.text(u"Label5_6").toInt() >= 3, 20'000);
    QCOMPARE(r.text(u"Label5_0"), replica::statsFiguresFor(domain).weight);
    const replica::KeywordFigures third = replica::keywordRowsFor(domain, 2).first();
    QCOMPARE(r.list(u"ListView2").items().subItem(51, 1), third.keyword);
    r.filter(0, third.keyword);
    QVERIFY(r.list(u"ListView3").items().itemCount() >= 1);
    QCOMPARE(r.list(u"ListView3").items().itemText(1), u"51"_s);
    r.click(u"Command16");
    const QStringList lines = savedLines(r.text(u"Text7"));
    QCOMPARE(lines.size(), std::min(keywords, 1000));
    QCOMPARE(lines[50], third.keyword);
}

void TestProgram::faultDomainsNeverFreezeTheRun() {
    RealForm r;
    // The two robot checks stand apart, with good answers between: three in a row would pause the run.
    const QStringList names = {u"hang.a.com"_s,     u"notfound.b.com"_s, u"empty.c.com"_s, u"garbage.d.com"_s,
                               u"huge.e.com"_s,     u"verify.f.com"_s,   u"ok.g.com"_s,    u"wappass.h.com"_s,
                               u"nomarker.i.com"_s, u"gbk.j.com"_s};
    r.importDomains(names);
    r.setRowsPerBatch(u"0"_s).pressStart();
    QTRY_COMPARE_WITH_TIMEOUT(r.text(u"Label2"), u"10"_s, 30'000);
    const QStringList failed(6, u"失败"_s);
    QCOMPARE(r.rowCells(1).mid(1), failed);    // no answer within 5 s
    QCOMPARE(r.rowCells(2).mid(1), failed);    // 404 page
    QCOMPARE(r.rowCells(3).mid(1), failed);    // empty body
    QCOMPARE(r.rowCells(4).mid(1), failed);    // no statistics page, no count
    QCOMPARE(r.rowCells(5).mid(1), failed);    // over the size cap
    QCOMPARE(r.rowCells(6).at(5), u"失败"_s);  // robot check instead of a count
    QCOMPARE(r.rowCells(6).at(1), replica::statsFiguresFor(names[5]).weight);
    QCOMPARE(r.rowCells(7), expectedCells(names[6]));
    // A redirect to the check is not followed: the cell fails, and says why.
    QCOMPARE(r.rowCells(8).at(5), u"失败"_s);
    QCOMPARE(r.list(u"ListView1").items().subItemTip(8, DomainCell::Backlinks),
             u"百度安全验证：需要人工验证"_s);
    // Baidu's own page for no results is a real zero.
    QCOMPARE(r.rowCells(9).mid(4, 2), (QStringList{u"0"_s, u"0"_s}));
    // A page that names its charset only in its meta tag is read in it.
    QCOMPARE(r.rowCells(10), expectedCells(names[9]));
}

void TestProgram::sortAndImportDuringARun() {
    RealForm r;
    const QStringList names = numberedDomains(80, u"run"_s);
    r.importDomains(names);
    r.setRowsPerBatch(u"0"_s).pressStart();
    QTRY_VERIFY_WITH_TIMEOUT(r.text(u"Label2").toInt() >= 5, 20'000);
    r.clickHeader(u"ListView1", 3);  // by weight, mid-run
    QTRY_COMPARE_WITH_TIMEOUT(r.text(u"Label2"), u"80"_s, 30'000);
    for (int row = 1; row <= 80; ++row) {
        QCOMPARE(r.rowCells(row), expectedCells(r.rowCells(row).first()));
    }
    // A fresh run, then a new list mid-run: the old run ends and nothing of it lands.
    r.pressStart();
    QTRY_VERIFY_WITH_TIMEOUT(r.text(u"Label2").toInt() >= 5, 20'000);
    r.importDomains({u"new1.com"_s, u"new2.com"_s});
    QTest::qWait(300);
    QCOMPARE(r.text(u"Label2"), u"0"_s);
    QCOMPARE(r.rowCells(1).mid(1), QStringList(6, u"..."_s));
    r.pressStart();
    QTRY_COMPARE_WITH_TIMEOUT(r.text(u"Label2"), u"2"_s, 20'000);
    QCOMPARE(r.rowCells(2), expectedCells(u"new2.com"_s));
}

void TestProgram::retryFillsWhatFailedOnce() {
    RealForm r;
    const QStringList names = {u"a.com"_s, u"flaky.b.com"_s, u"c.com"_s};
    r.importDomains(names);
    r.click(u"Command14");
    QVERIFY(r.showActive());
    r.pressStart();
    QTRY_COMPARE_WITH_TIMEOUT(r.text(u"Label2"), u"3"_s, 20'000);
    QCOMPARE(r.rowCells(2).mid(1), QStringList(6, u"失败"_s));
    QCOMPARE(r.list(u"ListView1").items().subItemTip(2, DomainCell::Weight), u"HTTP 503"_s);
    const int asked = r.site.requestCount();
    r.pressKey(Qt::Key_R);
    QTRY_COMPARE_WITH_TIMEOUT(r.text(u"Label2"), u"3"_s, 20'000);
    QTRY_COMPARE_WITH_TIMEOUT(r.rowCells(2), expectedCells(names[1]), 20'000);
    QCOMPARE(r.site.requestCount() - asked, 3);  // the row's three pages, nothing else
    QCOMPARE(r.rowCells(1), expectedCells(names[0]));
}

QTEST_MAIN(TestProgram)
#include "tst_program.moc"
