// SPDX-License-Identifier: GPL-3.0-or-later
// The single query's keyword run and the keyword filter, with no window, on virtual time.
#include "keywords/keyword_filter.h"
#include "replica_site.h"
#include "run_harness.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace quorvane;
using namespace quorvane::testing;

Q_DECLARE_METATYPE(quorvane::testing::FakeReply)

namespace {

// A statistics page with every figure and the given keyword count.
QByteArray statsPage(const QString& keywords) {
    return (u"<div>百度权重值为7，累计找到 <span style=\"color:#F00\">"_s + keywords +
            u"</span> 网站的流量为：<span style=\"color:#F00\">55</span> 百度快照日期：2026-01-01 收录数：9 </div>"_s)
        .toUtf8();
}

// A keyword page of `rows` whole rows, keywords "k1" to "k<rows>".
QByteArray keywordPageOf(int rows) {
    QString page = u"<table><tr><td>关键字</td><td>网页标题</td></tr>"_s;
    for (int i = 1; i <= rows; ++i) {
        page += u"<tr><td><a rel=\"nofollow\">k"_s + QString::number(i) +
                u"</a></td><td width=\"110%\">1</td><td align=\"right\">2</td><td align=\"right\">3</td>"
                u"<td><a rel=\"nofollow\">t</a></td></tr>"_s;
    }
    return (page + u"</table><div>页号 1 2</div>"_s).toUtf8();
}

// Answers the statistics page with `stats`, and keyword pages as the replica does for `pagesOf` or, with
// no domain, pages of pageRows[page] rows (the last count for the pages after); with neither, never.
FakeHttp::Responder keywordSite(const QByteArray& stats, const QString& pagesOf,
                                const QList<int>& pageRows = {}) {
    return [=](const QString& url) {
        bool isPage = false;
        const int page = url.section(u'/', -2, -2).toInt(&isPage);
        if (!isPage || !url.endsWith(u'/')) {
            return FakeReply{stats, 20};
        }
        if (!pagesOf.isEmpty()) {
            return FakeReply{replica::keywordPageFor(pagesOf, page), 20};
        }
        return pageRows.isEmpty() ? FakeReply{std::nullopt, 0, true}
                                  : FakeReply{keywordPageOf(pageRows.value(page, pageRows.last())), 20};
    };
}

// Cells Keyword to Title of a row as the list shows them.
QStringList cells(const KeywordRun& run, qint64 entry) {
    QStringList shown;
    for (int cell = KeywordCell::Keyword; cell < KeywordCell::Count; ++cell) {
        shown.append(run.row(entry).shown(cell));
    }
    return shown;
}

// Row `entry` of the replica's keyword table for the domain, 25 rows a page.
QStringList replicaRow(const QString& domain, qint64 entry) {
    const replica::KeywordFigures k =
        replica::keywordRowsFor(domain, static_cast<int>((entry - 1) / 25)).at((entry - 1) % 25);
    return {k.keyword, k.rank, k.index, k.indexed, k.title};
}

}  // namespace

class TestKeywordRun final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void statisticsFigures_data();
    void statisticsFigures();
    void keywordCountSetsPagesAndRows_data();
    void keywordCountSetsPagesAndRows();
    void haltedRunSaysWhy_data();
    void haltedRunSaysWhy();
    void secondStartWins();
    void queriesInARowFillTheirRows();
    void singleStartEndsBatchRunCleanly();
    void singleStartEndsProgressCount();
    void singleQueryWorksAfterBatchStop();
    void batchStartLeavesKeywordRunAlone();
    void filter_data();
    void filter();
};

void TestKeywordRun::statisticsFigures_data() {
    QTest::addColumn<FakeReply>("reply");
    QTest::addColumn<QStringList>("values");  // of the first figures; the others fail
    QTest::addColumn<QString>("reason");
    // The page stops early: the keyword count is there, so its run goes on.
    const replica::StatsFigures partial = replica::statsFiguresFor(u"partial.com"_s);
    QTest::newRow("page that stops early")
        << replicaResponder()(u"http://stats.test/baidu/partial.com"_s)
        << QStringList{partial.weight, partial.keywords} << u"页面中没有该项"_s;
    // No figure of the page is known: none may read as a zero.
    QTest::newRow("no body") << FakeReply{QByteArray(), 20} << QStringList() << u"页面中没有数据"_s;
    QTest::newRow("no answer") << FakeReply{std::nullopt, 0, true} << QStringList()
                               << u"超时：5 秒内无应答"_s;
    QTest::newRow("error status with markers")
        << FakeReply{statsPage(u"28"_s), 20, false, false, 503} << QStringList() << u"HTTP 503"_s;
    QTest::newRow("robot check") << FakeReply{QByteArrayLiteral("<title>百度安全验证</title>"), 20}
                                 << QStringList() << u"百度安全验证：需要人工验证"_s;
    QTest::newRow("no weight marker")
        << FakeReply{QByteArrayLiteral("<div>维护中</div>"), 20} << QStringList() << u"页面中没有数据"_s;
}

void TestKeywordRun::statisticsFigures() {
    QFETCH(FakeReply, reply);
    QFETCH(QStringList, values);
    QFETCH(QString, reason);
    RunHarness h;
    h.http.setResponder([&](const QString&) { return reply; });
    h.keywords.query(u"www.baidu.com"_s);
    h.time.advance(10'000);
    for (const StatsField field : {StatsField::Weight, StatsField::Keywords, StatsField::Traffic,
                                   StatsField::Snapshot, StatsField::Indexed}) {
        const auto at = static_cast<qsizetype>(field);
        QCOMPARE(h.keywords.figure(field).shown(), at < values.size() ? values.at(at) : u"失败"_s);
        QCOMPARE(h.keywords.figure(field).reason, at < values.size() ? QString() : reason);
    }
    QCOMPARE(h.sentKeywordPages().isEmpty(), values.isEmpty());
    QCOMPARE(h.keywords.pagesTotal() == 0, values.isEmpty());
    QCOMPARE(h.keywords.pagesDone(), 0);  // the keyword page got the same reply
}

void TestKeywordRun::keywordCountSetsPagesAndRows_data() {
    QTest::addColumn<QString>("keywords");     // the statistics page's keyword count
    QTest::addColumn<QString>("pagesOf");      // the replica domain whose keyword pages answer, or
    QTest::addColumn<QList<int>>("pageRows");  // the rows of pages of k1 to kN
    QTest::addColumn<int>("pagesTotal");
    QTest::addColumn<int>("pagesDone");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("filled");
    QTest::addColumn<QString>("last");   // the keyword of the last row filled
    QTest::addColumn<int>("sent");       // keyword pages asked for
    QTest::addColumn<bool>("finishes");  // the reply after the last page ends the run
    const QString few = domainWithKeywords(80, 200);
    const QString many = domainWithKeywords(1100, 3000);
    QTest::newRow("no keywords: one page request")
        << u"0"_s << u"x.com"_s << QList<int>() << 0 << 0 << 0 << 0 << QString() << 1 << true;
    // The page after the last is asked for and only ends the run.
    QTest::newRow("page cycle ends on the page total")
        << u"28"_s << few << QList<int>() << 2 << 2 << 28 << 28 << replicaRow(few, 28).first() << 3 << true;
    QTest::newRow("5 keywords of a page of 25")
        << u"5"_s << few << QList<int>() << 1 << 1 << 5 << 5 << replicaRow(few, 5).first() << 2 << true;
    QTest::newRow("placeholders capped, pages unanswered")
        << u"900000"_s << QString() << QList<int>() << 40 << 0 << 1000 << 0 << QString() << 1 << false;
    QTest::newRow("grouped count 1,003") << u"1,003"_s << many << QList<int>() << 40 << 40 << 1000 << 1000
                                         << replicaRow(many, 1000).first() << 41 << true;
    // 2,000 keywords get 1,000 rows; pages of 30 fill them on page 33, with 10 rows to spare.
    QTest::newRow("more rows than placeholders")
        << u"2000"_s << QString() << QList<int>{30} << 40 << 33 << 1000 << 1000 << u"k10"_s << 34 << false;
    QTest::newRow("last part page read")
        << u"26"_s << QString() << QList<int>{25, 1} << 2 << 2 << 26 << 26 << u"k1"_s << 3 << true;
}

void TestKeywordRun::keywordCountSetsPagesAndRows() {
    QFETCH(QString, keywords);
    QFETCH(QString, pagesOf);
    QFETCH(QList<int>, pageRows);
    QFETCH(int, pagesDone);
    QFETCH(int, filled);
    QFETCH(int, sent);
    QFETCH(bool, finishes);
    RunHarness h;
    h.http.setResponder(keywordSite(statsPage(keywords), pagesOf, pageRows));
    QSignalSpy reset(&h.keywords, &KeywordRun::rowsReset);
    QSignalSpy finished(&h.keywords, &KeywordRun::finished);
    h.keywords.query(u" a b#.com "_s);  // goes into the addresses as typed
    h.time.advance(30);                 // the statistics page is in, no keyword page yet
    QTEST(h.keywords.pagesTotal(), "pagesTotal");
    QTEST(static_cast<int>(h.keywords.rowCount()), "rows");
    QCOMPARE(reset.count(), 1);  // a list of rows, even of none
    h.time.advance(20);          // a page is done once it is read
    QCOMPARE(h.keywords.pagesDone(), std::min(1, pagesDone));
    h.time.advance(20);
    QCOMPARE(h.keywords.pagesDone(), std::min(2, pagesDone));
    h.time.advance(10'000);
    QCOMPARE(h.keywords.pagesDone(), pagesDone);
    QTEST(static_cast<int>(h.keywords.rowCount()), "rows");
    QCOMPARE(h.keywords.rowsFilled(), filled);
    if (filled > 0) {
        QTEST(h.keywords.row(filled).shown(KeywordCell::Keyword), "last");
    }
    for (qint64 entry = 1; !pagesOf.isEmpty() && entry <= filled; ++entry) {
        QCOMPARE(cells(h.keywords, entry), replicaRow(pagesOf, entry));
    }
    QCOMPARE(h.sentKeywordPages().size(), sent);
    QCOMPARE(h.sentStats(), QStringList{u"http://stats.test/baidu/%20a%20b%23.com%20"_s});
    QCOMPARE(h.sentKeywordPages().first(), u"http://stats.test/baidu/%20a%20b%23.com%20/0/"_s);
    QVERIFY(h.sentKeywordPages().last().endsWith(u'/' + QString::number(sent - 1) + u'/'));
    QVERIFY(!finishes || finished.count() == 1);
    if (finishes || filled == 1000) {  // a full list says why the pages stop
        QCOMPARE(h.keywords.haltReason(), finishes ? QString() : u"关键词超过 1000 条：只列出前 1000 条"_s);
    }
}

void TestKeywordRun::haltedRunSaysWhy_data() {
    QTest::addColumn<QString>("domain");
    QTest::addColumn<bool>("status503");  // page 1 an error page that still holds a whole table
    QTest::addColumn<bool>("pause");      // the batch run paused while page 1 is on its way
    QTest::addColumn<int>("pagesDone");
    QTest::addColumn<int>("filled");
    QTest::addColumn<QString>("reason");
    QTest::newRow("page 1 answers 500")
        << u"kwfail.com"_s << false << false << 1 << 25 << u"第 2 页读取失败：HTTP 500"_s;
    QTest::newRow("page 1 answers 503 with a table")
        << domainWithKeywords(60, 200) << true << false << 1 << 25 << u"第 2 页读取失败：HTTP 503"_s;
    QTest::newRow("no header cell") << u"kwnohead.com"_s << false << false << 0 << 0
                                    << u"第 1 页读取失败：页面中没有数据"_s;
    QTest::newRow("row 3 without rank")
        << u"kwmissing.com"_s << false << false << 0 << 2 << u"第 1 页读取失败：表格不完整"_s;
    QTest::newRow("batch pause") << domainWithKeywords(100, 300) << false << true << 2 << 50
                                 << u"批量查询的暂停或停止中止了关键词查询"_s;
}

void TestKeywordRun::haltedRunSaysWhy() {
    QFETCH(QString, domain);
    QFETCH(bool, status503);
    QFETCH(bool, pause);
    QFETCH(int, pagesDone);
    QFETCH(int, filled);
    RunHarness h;
    QVERIFY(replica::statsFiguresFor(domain).keywords.toInt() > 50);
    h.http.setResponder([&](const QString& url) {
        FakeReply reply = replicaResponder()(url);
        reply.status = status503 && url.endsWith(u"/1/"_s) ? 503 : reply.status;
        return reply;
    });
    h.batch.setPacing(10, 1);       // the window's
    h.importDomains({u"a.com"_s});  // the batch run can be paused once a list is imported
    h.keywords.query(domain);
    if (pause) {
        QVERIFY(h.time.advanceUntil([&] { return h.sentKeywordPages().size() >= 2; }, 10'000, 1));
        h.batch.pause();
    }
    h.time.advance(10'000);
    QCOMPARE(h.keywords.figure(StatsField::Weight).shown(), replica::statsFiguresFor(domain).weight);
    QCOMPARE(h.keywords.pagesDone(), pagesDone);
    QCOMPARE(h.sentKeywordPages().size(), pause ? pagesDone : pagesDone + 1);  // and the page that failed
    QCOMPARE(h.keywords.rowsFilled(), filled);
    if (filled > 0) {
        QCOMPARE(cells(h.keywords, filled), replicaRow(domain, filled));
    }
    QTEST(h.keywords.haltReason(), "reason");
    // The row the run stopped on keeps what it got, the rest stays unknown.
    const KeywordRow& stopped = h.keywords.row(filled + 1);
    const bool rowCut = domain.startsWith(u"kwmissing"_s);
    QCOMPARE(stopped.shown(KeywordCell::Keyword), rowCut ? replicaRow(domain, 3).first() : u"..."_s);
    QCOMPARE(stopped.shown(KeywordCell::Rank), u"..."_s);
    QCOMPARE(h.keywords.row(filled + 2).shown(KeywordCell::Keyword), u"..."_s);
    h.keywords.query(domain);  // a new query forgets why the last one halted
    QCOMPARE(h.keywords.haltReason(), QString());
}

void TestKeywordRun::secondStartWins() {
    RunHarness h;
    const QString first = domainWithKeywords(100, 300);
    const QString second = domainWithKeywords(30, 45);
    h.keywords.query(first);
    // Until the first query's keyword page 1 is on its way: the second starts at page 0 all the same.
    QVERIFY(h.time.advanceUntil([&] { return h.sentKeywordPages().size() == 2; }, 10'000, 1));
    h.keywords.query(second);
    QCOMPARE(h.keywords.pagesTotal(), 0);
    h.time.advance(10'000);
    QCOMPARE(h.keywords.figure(StatsField::Keywords).shown(), replica::statsFiguresFor(second).keywords);
    QCOMPARE(h.keywords.rowCount(), replica::statsFiguresFor(second).keywords.toInt());
    QCOMPARE(cells(h.keywords, 1), replicaRow(second, 1));
    QCOMPARE(h.keywords.pagesDone(), 2);
    QCOMPARE(h.sentKeywordPages().filter(first).size(), 2);  // the old run only ended
    QVERIFY(h.sentKeywordPages().filter(second).first().endsWith(u"/0/"_s));
}

void TestKeywordRun::queriesInARowFillTheirRows() {
    RunHarness h;
    // The second has no more pages than the first: the first's pages done must not end it.
    for (const QString& domain : {domainWithKeywords(60, 110), domainWithKeywords(30, 45)}) {
        h.keywords.query(domain);
        h.time.advance(10'000);
        const int rows = replica::statsFiguresFor(domain).keywords.toInt();
        QCOMPARE(h.keywords.rowCount(), rows);
        QCOMPARE(cells(h.keywords, rows), replicaRow(domain, rows));
    }
}

void TestKeywordRun::singleStartEndsBatchRunCleanly() {
    RunHarness h;
    h.batch.setPacing(2, 5);
    h.importDomains({u"a.com"_s, u"b.com"_s, u"c.com"_s, u"d.com"_s});
    h.http.setResponder(replicaResponder(35));
    h.batch.start();
    QVERIFY(h.time.advanceUntil([&] { return h.batch.paused(); }, 60'000));  // the automatic pause begins
    const QList<QStringList> before = {h.rowCells(1), h.rowCells(2), h.rowCells(3), h.rowCells(4)};
    const int batchSent = static_cast<int>(h.sentDomainQueries().size() + h.sentSiteQueries().size());
    h.keywords.query(u"single.com"_s);
    h.time.advance(60'000);
    QCOMPARE((QList<QStringList>{h.rowCells(1), h.rowCells(2), h.rowCells(3), h.rowCells(4)}), before);
    QCOMPARE(static_cast<int>(h.sentDomainQueries().size() + h.sentSiteQueries().size()), batchSent);
    QCOMPARE(h.keywords.figure(StatsField::Weight).shown(), replica::statsFiguresFor(u"single.com"_s).weight);
    // Start runs the batch again, afresh from the first row.
    h.batch.start();
    QCOMPARE(h.batch.rowsCounted(), 0);
    QCOMPARE(h.rowCells(1).mid(1), QStringList(6, u"..."_s));
    h.time.advance(10'000);
    QVERIFY(h.allFilled());
    QCOMPARE(h.batch.rowsCounted(), 4);
}

void TestKeywordRun::singleStartEndsProgressCount() {
    RunHarness h;
    h.batch.setPacing(5, 1);
    h.importDomains({u"a.com"_s, u"b.com"_s, u"c.com"_s, u"d.com"_s, u"e.com"_s, u"f.com"_s});
    h.http.setResponder(replicaResponder(1));
    h.batch.start();
    h.time.advance(20);  // every row fetched, the progress count still behind
    QVERIFY(h.batch.progressRow() < 5);
    const qint64 counted = h.batch.rowsCounted();
    h.keywords.query(domainWithKeywords(100, 150));
    h.time.advance(10'000);
    // No pause boundary halts the keyword run, nor does a resume start the batch again.
    QCOMPARE(h.batch.rowsCounted(), counted);
    QCOMPARE(h.keywords.pagesDone(), h.keywords.pagesTotal());
    QCOMPARE(h.http.sentCount(u"http://stats.test/baidu/a.com/"_s), 1);
}

void TestKeywordRun::singleQueryWorksAfterBatchStop() {
    RunHarness h;
    h.batch.setPacing(10, 1);  // the window's
    h.importDomains({u"alpha.com"_s, u"beta.com"_s});
    h.http.setResponder(replicaResponder(50));
    h.batch.start();
    h.time.advance(20);  // alpha.com's pages are in flight
    h.batch.stop();
    const QString domain = domainWithKeywords(30, 45);
    h.keywords.query(domain);
    h.time.advance(10'000);
    QCOMPARE(h.keywords.figure(StatsField::Weight).shown(), replica::statsFiguresFor(domain).weight);
    QCOMPARE(h.keywords.pagesDone(), 2);
    QCOMPARE(h.rowCells(1).mid(1), QStringList(6, u"..."_s));  // the batch replies were let go
    QCOMPARE(h.sentSiteQueries().size(), 1);
}

void TestKeywordRun::batchStartLeavesKeywordRunAlone() {
    RunHarness h;
    h.batch.setPacing(10, 1);  // the window's
    const QString domain = domainWithKeywords(100, 150);
    h.keywords.query(domain);
    h.time.advance(70);  // a few pages in
    h.importDomains({u"a.com"_s});
    h.batch.start();
    h.time.advance(10'000);
    const int total = h.keywords.pagesTotal();
    QCOMPARE(h.keywords.pagesDone(), total);
    QCOMPARE(cells(h.keywords, 1), replicaRow(domain, 1));
    QCOMPARE(cells(h.keywords, 26), replicaRow(domain, 26));
    QCOMPARE(h.sentKeywordPages().size(), total + 1);
    QVERIFY(h.allFilled());
}

void TestKeywordRun::filter_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("passing");  // numbers of the rows that pass
    QTest::addColumn<int>("tested");
    const int index = KeywordCell::SearchIndex, indexed = KeywordCell::Indexed,
              keyword = KeywordCell::Keyword;
    QTest::newRow("index 100, a grouped cell") << kSearchIndexFilter << u"100"_s << u"1 7 9"_s << index;
    QTest::newRow("index 1,000") << kSearchIndexFilter << u"1,000"_s << u"9"_s << index;
    QTest::newRow("indexed 0 takes all") << kIndexedFilter << u"0"_s << u"1 3 4 7 9"_s << indexed;
    QTest::newRow("indexed 1,000 by the locale") << kIndexedFilter << u"1,000"_s << u"7"_s << indexed;
    QTest::newRow("empty text: every keyword but an empty one")
        << kContainsFilter << QString() << u"1 3 4 9"_s << keyword;
    QTest::newRow("text") << kContainsFilter << u"百度"_s << u"1 9"_s << keyword;
    QTest::newRow("hint left in the box") << kContainsFilter << u"请输入关键词"_s << QString() << keyword;
}

void TestKeywordRun::filter() {
    QFETCH(QString, kind);
    QFETCH(QString, value);
    const std::optional<KeywordFilter> filter = keywordFilterFor(kind, value);
    QVERIFY(filter);
    QTEST(filter->testedCell(), "tested");
    // Rows as the list shows them: number, keyword, rank, search index, indexed count, title.
    QStringList passing;
    for (const QStringList& row : {QStringList{u"1"_s, u"百度"_s, u"1"_s, u"100"_s, u"5"_s, u"t1"_s},
                                   {u"3"_s, u"地图"_s, u"2"_s, u"99"_s, u"0"_s, u"t3"_s},
                                   {u"4"_s, u"..."_s, u"..."_s, u"..."_s, u"..."_s, u"..."_s},
                                   {u"7"_s, u""_s, u"3"_s, u"150"_s, u"20000"_s, u"t7"_s},
                                   {u"9"_s, u"百度地图"_s, u"4"_s, u"1,234"_s, u"abc"_s, u"t9"_s}}) {
        if (keywordRowPasses(*filter, row)) {
            passing.append(row.first());
        }
    }
    QTEST(passing.join(u' '), "passing");
}

QTEST_GUILESS_MAIN(TestKeywordRun)
#include "tst_keywordrun.moc"
