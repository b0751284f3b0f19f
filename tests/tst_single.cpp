// SPDX-License-Identifier: GPL-3.0-or-later
// The single detailed query, its keyword run and the keyword filter, on virtual time.
#include "batch/page_parsers.h"
#include "form_harness.h"
#include "text/app_error.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
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

// Answers the statistics page with `stats` and keyword pages as the replica does for `pagesOf`.
FakeHttp::Responder keywordSite(const QByteArray& stats, const QString& pagesOf) {
    return [=](const QString& url) {
        const qsizetype slash = url.lastIndexOf(u'/', -2);
        const QString last = url.mid(slash + 1).chopped(url.endsWith(u'/') ? 1 : 0);
        bool isPage = false;
        const int page = last.toInt(&isPage);
        if (isPage && url.endsWith(u'/')) {
            return FakeReply{replica::keywordPageFor(pagesOf, page), 20};
        }
        return FakeReply{stats, 20};
    };
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

// Figure i of the single query's strip: the label "Label5_<i>".
QLabel& strip(const FormDriver& h, int i, Here where = Here::current()) {
    return h.control<QLabel>(QString(u"Label5_"_s + QString::number(i)), where);
}

QStringList keywordCells(const FormDriver& h, int row) {
    QStringList cells;
    for (int k = 1; k <= 5; ++k) {
        cells.append(h.list(u"ListView2").items().subItem(row, k));
    }
    return cells;
}

QStringList figures(const replica::KeywordFigures& k) {
    return {k.keyword, k.rank, k.index, k.indexed, k.title};
}

// Keyword rows: number, keyword, rank, search index, indexed count, title.
void fillKeywords(const FormDriver& h, const QList<QStringList>& rows) {
    for (const QStringList& row : rows) {
        h.list(u"ListView2").items().addRow(row);
    }
}

}  // namespace

class TestSingle final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void fullQueryFillsStripAndKeywordList();
    void pageThatStopsEarlyFailsWhatItLacks();
    void noKeywordsOnePageRequest();
    void pageCycleEndsOnPageTotal();
    void keywordCountLimitsRowsNotPages();
    void placeholderRowsAreCapped();
    void groupedKeywordCountFillsItsRows();
    void errorStatusKeywordPageHaltsTheRun();
    void moreRowsThanPlaceholdersHaltTheRun();
    void unreadablePagesHaltTheRun_data();
    void unreadablePagesHaltTheRun();
    void batchPauseHaltsKeywordRun();
    void secondStartWins();
    void queriesInARowFillTheirRows();
    void failedStatisticsPageShowsFailure_data();
    void failedStatisticsPageShowsFailure();
    void singleStartEndsBatchRunCleanly();
    void singleStartEndsProgressCount();
    void singleQueryWorksAfterBatchStop();
    void batchStartLeavesKeywordRunAlone();
    void domainGoesIntoAddressesAsTyped();
    void textBoxPlaceholder();
    void filter_data();
    void filter();
    void filterOfEmptyListAsksForAQuery();
    void filterAsksForANumber();
    void keywordRunFillsItsRowsThroughASort();
    void lastPartPageIsRead();
    void filterDefaultsAndHint();
};

void TestSingle::fullQueryFillsStripAndKeywordList() {
    FormHarness h;
    const QString domain = domainWithKeywords(60, 110);
    const replica::StatsFigures stats = replica::statsFiguresFor(domain);
    h.list(u"ListView3").setVisible(true);  // a filtered list of an earlier query
    h.querySingle(domain);
    QVERIFY(h.list(u"ListView3").isHidden());
    h.time.advance(10'000);
    QCOMPARE(h.text(u"Label5_0"), stats.weight);
    QCOMPARE(h.text(u"Label5_1"), stats.keywords);
    QCOMPARE(h.text(u"Label5_4"), stats.indexed);
    QCOMPARE(h.text(u"Label5_2"), stats.traffic);
    QCOMPARE(h.text(u"Label5_3"), stats.snapshot);
    const int total = h.text(u"Label5_5").toInt();
    QVERIFY(total >= 3);
    QCOMPARE(h.text(u"Label5_6"), h.text(u"Label5_5"));
    QCOMPARE(h.list(u"ListView2").items().headerCount(), 6);
    QCOMPARE(h.list(u"ListView2").items().column(6).title, u"网页标题"_s);
    QStringList expectedPages;
    for (int page = 0; page <= total; ++page) {
        expectedPages.append(u"http://stats.test/baidu/"_s + domain + u"/"_s + QString::number(page) +
                             u"/"_s);
    }
    QCOMPARE(h.sentKeywordPages(), expectedPages);
    int row = 1;
    for (int page = 0; page < total; ++page) {
        for (const replica::KeywordFigures& k : replica::keywordRowsFor(domain, page)) {
            QCOMPARE(keywordCells(h, row), figures(k));
            QCOMPARE(h.list(u"ListView2").items().itemText(row), QString::number(row));
            ++row;
        }
    }
    QCOMPARE(row - 1, stats.keywords.toInt());
    QCOMPARE(h.list(u"ListView2").items().itemCount(), stats.keywords.toInt());
}

void TestSingle::noKeywordsOnePageRequest() {
    FormHarness h;
    h.http.setResponder(keywordSite(statsPage(u"0"_s), u"x.com"_s));
    h.click(u"Command11");
    h.control<QPushButton>(u"Command11").setEnabled(false);  // to see the end of the run enable it
    h.time.advance(5000);
    QCOMPARE(h.text(u"Label5_5"), u"0"_s);
    QCOMPARE(h.list(u"ListView2").items().headerCount(), 6);
    QCOMPARE(h.list(u"ListView2").items().itemCount(), 0);
    QCOMPARE(h.sentKeywordPages(), QStringList{u"http://stats.test/baidu/www.baidu.com/0/"_s});
    QVERIFY(h.control<QPushButton>(u"Command11").isEnabled());
    QCOMPARE(h.text(u"Label5_6"), u"0"_s);
}

void TestSingle::pageCycleEndsOnPageTotal() {
    FormHarness h;
    const QString pagesOf = domainWithKeywords(80, 200);
    h.http.setResponder(keywordSite(statsPage(u"28"_s), pagesOf));  // 28 keywords: 2 pages
    h.click(u"Command11");
    h.time.advance(30);  // statistics page in
    QCOMPARE(h.text(u"Label5_5"), u"2"_s);
    QCOMPARE(h.list(u"ListView2").items().itemCount(), 28);
    h.time.advance(20);
    QCOMPARE(h.text(u"Label5_6"), u"1"_s);
    h.time.advance(30);
    QCOMPARE(h.text(u"Label5_6"), u"2"_s);
    h.time.advance(5000);
    // Page 2 is asked for and only ends the run: row 26 holds page 1's first row, not page 2's.
    QCOMPARE(h.sentKeywordPages().size(), 3);
    QVERIFY(h.sentKeywordPages().last().endsWith(u"/2/"_s));
    QCOMPARE(h.text(u"Label5_6"), u"2"_s);
    QCOMPARE(keywordCells(h, 26), figures(replica::keywordRowsFor(pagesOf, 1).first()));
    QCOMPARE(keywordCells(h, 28), figures(replica::keywordRowsFor(pagesOf, 1).at(2)));
}

void TestSingle::keywordCountLimitsRowsNotPages() {
    FormHarness h;
    const QString pagesOf = domainWithKeywords(80, 200);
    h.http.setResponder(keywordSite(statsPage(u"5"_s), pagesOf));  // 5 keywords: 1 page of 25 rows
    h.click(u"Command11");
    h.time.advance(5000);
    QCOMPARE(h.list(u"ListView2").items().itemCount(), 5);
    for (int row = 1; row <= 5; ++row) {
        QCOMPARE(keywordCells(h, row), figures(replica::keywordRowsFor(pagesOf, 0).at(row - 1)));
    }
    QCOMPARE(h.runs->keywords.rowsFilled(), 5);
    QCOMPARE(h.sentKeywordPages().size(), 2);  // page 0 parsed, page 1 ends the run
}

void TestSingle::placeholderRowsAreCapped() {
    FormHarness h;
    h.http.setResponder([](const QString& url) {
        return url.endsWith(u'/') ? FakeReply{std::nullopt, 0, true} : FakeReply{statsPage(u"900000"_s), 20};
    });
    h.click(u"Command11");
    h.time.advance(100);
    QCOMPARE(h.text(u"Label5_5"), u"40"_s);
    QCOMPARE(h.list(u"ListView2").items().itemCount(), 40 * 25);
}

void TestSingle::groupedKeywordCountFillsItsRows() {
    FormHarness h;
    const QString pagesOf = domainWithKeywords(1100, 3000);
    h.http.setResponder(keywordSite(statsPage(u"1,003"_s), pagesOf));
    h.click(u"Command11");
    h.time.advance(10'000);
    QCOMPARE(h.text(u"Label5_5"), u"40"_s);
    QCOMPARE(h.text(u"Label5_6"), u"40"_s);
    QCOMPARE(h.list(u"ListView2").items().itemCount(), 1000);
    QCOMPARE(keywordCells(h, 1000), figures(replica::keywordRowsFor(pagesOf, 39).last()));
}

void TestSingle::errorStatusKeywordPageHaltsTheRun() {
    FormHarness h;
    const QString pagesOf = domainWithKeywords(80, 200);
    const auto site = keywordSite(statsPage(u"60"_s), pagesOf);
    // Page 1 comes as an error page that still holds a whole keyword table.
    h.http.setResponder([&](const QString& url) {
        FakeReply reply = site(url);
        reply.status = url.endsWith(u"/1/"_s) ? 503 : 200;
        return reply;
    });
    h.click(u"Command11");
    h.time.advance(10'000);
    QCOMPARE(h.text(u"Label5_6"), u"1"_s);
    QCOMPARE(h.runs->keywords.rowsFilled(), 25);
    QCOMPARE(h.list(u"ListView2").items().subItem(26, 1), u"..."_s);
    QCOMPARE(h.sentKeywordPages().size(), 2);
    QCOMPARE(strip(h, 6).toolTip(), u"第 2 页读取失败：HTTP 503"_s);
    h.click(u"Command11");  // a new query forgets why the last one halted
    QCOMPARE(strip(h, 6).toolTip(), QString());
}

void TestSingle::moreRowsThanPlaceholdersHaltTheRun() {
    FormHarness h;
    // 2,000 keywords get 1,000 rows; pages of 30 fill them on page 33, with 10 rows to spare.
    h.http.setResponder([](const QString& url) {
        return url.endsWith(u"/baidu/www.baidu.com"_s) ? FakeReply{statsPage(u"2000"_s), 20}
                                                       : FakeReply{keywordPageOf(30), 20};
    });
    h.click(u"Command11");
    h.time.advance(10'000);
    QCOMPARE(h.list(u"ListView2").items().itemCount(), 1000);
    QCOMPARE(h.runs->keywords.rowsFilled(), 1000);
    QCOMPARE(h.list(u"ListView2").items().subItem(1000, 1), u"k10"_s);
    QCOMPARE(h.text(u"Label5_6"), u"33"_s);
    QCOMPARE(h.sentKeywordPages().size(), 34);
}

void TestSingle::unreadablePagesHaltTheRun_data() {
    QTest::addColumn<QString>("domain");
    QTest::addColumn<int>("pagesDone");
    QTest::addColumn<int>("rowsFilled");
    QTest::newRow("page 1 answers 500") << u"kwfail.com"_s << 1 << 25;
    QTest::newRow("no header cell") << u"kwnohead.com"_s << 0 << 0;
    QTest::newRow("row 3 without rank") << u"kwmissing.com"_s << 0 << 2;
}

void TestSingle::unreadablePagesHaltTheRun() {
    QFETCH(QString, domain);
    QFETCH(int, pagesDone);
    QFETCH(int, rowsFilled);
    FormHarness h;
    QVERIFY(replica::statsFiguresFor(domain).keywords.toInt() > 50);
    h.querySingle(domain);
    h.time.advance(10'000);
    QCOMPARE(h.text(u"Label5_6"), QString::number(pagesDone));
    QCOMPARE(h.sentKeywordPages().size(), pagesDone + 1);
    QCOMPARE(h.runs->keywords.rowsFilled(), rowsFilled);
    const ListModel& list = h.list(u"ListView2").items();
    if (rowsFilled > 0) {
        QCOMPARE(keywordCells(h, rowsFilled),
                 figures(replica::keywordRowsFor(domain, (rowsFilled - 1) / 25).at((rowsFilled - 1) % 25)));
    }
    // The row the run stopped on keeps what it got, the rest stays unknown.
    QCOMPARE(list.subItem(rowsFilled + 2, 1), u"..."_s);
    if (domain.startsWith(u"kwmissing"_s)) {
        QCOMPARE(list.subItem(3, 1), replica::keywordRowsFor(domain, 0).at(2).keyword);
        QCOMPARE(list.subItem(3, 2), u"..."_s);
    }
}

void TestSingle::batchPauseHaltsKeywordRun() {
    FormHarness h;
    h.importDomains({u"a.com"_s});  // the batch buttons work once a list is imported
    const QString domain = domainWithKeywords(100, 300);
    h.querySingle(domain);
    QVERIFY(h.time.advanceUntil([&] { return h.sentKeywordPages().size() >= 2; }, 10'000,
                                1));  // page 1 on its way
    h.pressPause();
    h.time.advance(10'000);
    QCOMPARE(h.text(u"Label5_6"), u"2"_s);
    QCOMPARE(h.sentKeywordPages().size(), 2);
    QCOMPARE(h.text(u"Label5_0"), replica::statsFiguresFor(domain).weight);
    QCOMPARE(strip(h, 6).toolTip(), u"批量查询的暂停或停止中止了关键词查询"_s);
}

void TestSingle::secondStartWins() {
    FormHarness h;
    const QString first = domainWithKeywords(100, 300);
    const QString second = domainWithKeywords(30, 45);
    h.querySingle(first);
    // Until the first query's keyword page 1 is on its way: the second starts at page 0 all the same.
    QVERIFY(h.time.advanceUntil([&] { return h.sentKeywordPages().size() == 2; }, 10'000, 1));
    h.querySingle(second);
    QCOMPARE(h.text(u"Label5_5"), u"0"_s);
    h.time.advance(10'000);
    QCOMPARE(h.text(u"Label5_1"), replica::statsFiguresFor(second).keywords);
    QCOMPARE(h.list(u"ListView2").items().itemCount(), replica::statsFiguresFor(second).keywords.toInt());
    QCOMPARE(keywordCells(h, 1), figures(replica::keywordRowsFor(second, 0).first()));
    QCOMPARE(h.text(u"Label5_6"), u"2"_s);
    QCOMPARE(h.sentKeywordPages().filter(first).size(), 2);  // the old run only ended
    QVERIFY(h.sentKeywordPages().filter(second).first().endsWith(u"/0/"_s));
}

void TestSingle::queriesInARowFillTheirRows() {
    FormHarness h;
    // The second has no more pages than the first: the first's pages done must not end it.
    for (const QString& domain : {domainWithKeywords(60, 110), domainWithKeywords(30, 45)}) {
        h.querySingle(domain);
        h.time.advance(10'000);
        const int rows = replica::statsFiguresFor(domain).keywords.toInt();
        QCOMPARE(h.list(u"ListView2").items().itemCount(), rows);
        QCOMPARE(keywordCells(h, rows), figures(replica::keywordRowsFor(domain, (rows - 1) / 25).last()));
    }
}

void TestSingle::failedStatisticsPageShowsFailure_data() {
    QTest::addColumn<FakeReply>("reply");
    QTest::addColumn<QString>("reason");  // the weight label's tooltip
    QTest::newRow("no body") << FakeReply{QByteArray(), 20} << u"页面中没有数据"_s;
    QTest::newRow("no answer") << FakeReply{std::nullopt, 0, true} << u"超时：5 秒内无应答"_s;
    QTest::newRow("error status with markers")
        << FakeReply{statsPage(u"28"_s), 20, false, false, 503} << u"HTTP 503"_s;
    QTest::newRow("robot check") << FakeReply{QByteArrayLiteral("<title>百度安全验证</title>"), 20}
                                 << u"百度安全验证：需要人工验证"_s;
    QTest::newRow("no weight marker")
        << FakeReply{QByteArrayLiteral("<div>维护中</div>"), 20} << u"页面中没有数据"_s;
}

void TestSingle::failedStatisticsPageShowsFailure() {
    QFETCH(FakeReply, reply);
    QFETCH(QString, reason);
    FormHarness h;
    h.http.setResponder([&](const QString&) { return reply; });
    h.click(u"Command11");
    h.time.advance(10'000);
    // No figure of the page is known: none may read as a zero.
    for (std::size_t i = 0; i < 5; ++i) {
        QCOMPARE(strip(h, i).text(), u"失败"_s);
        QCOMPARE(strip(h, i).toolTip(), reason);
        QCOMPARE(strip(h, i).accessibleDescription(), reason);
    }
    QCOMPARE(h.text(u"Label5_5"), u"0"_s);
    QCOMPARE(h.text(u"Label5_6"), u"0"_s);
    QVERIFY(h.sentKeywordPages().isEmpty());
}

void TestSingle::singleStartEndsBatchRunCleanly() {
    FormHarness h;
    h.importDomains({u"a.com"_s, u"b.com"_s, u"c.com"_s, u"d.com"_s});
    h.http.setResponder(replicaResponder(35));
    h.setRowsPerBatch(u"2"_s).setPauseSeconds(u"5"_s).pressStart();
    QVERIFY(
        h.time.advanceUntil([&] { return h.runs->batch.paused(); }, 60'000));  // the automatic pause begins
    const QList<QStringList> before = {h.rowCells(1), h.rowCells(2), h.rowCells(3), h.rowCells(4)};
    const int batchSent = static_cast<int>(h.sentDomainQueries().size() + h.sentSiteQueries().size());
    h.querySingle(u"single.com"_s);
    h.time.advance(60'000);
    QCOMPARE((QList<QStringList>{h.rowCells(1), h.rowCells(2), h.rowCells(3), h.rowCells(4)}), before);
    QCOMPARE(static_cast<int>(h.sentDomainQueries().size() + h.sentSiteQueries().size()), batchSent);
    QCOMPARE(h.text(u"Label5_0"), replica::statsFiguresFor(u"single.com"_s).weight);
    // Start in the batch view runs the batch again, afresh from the first row.
    h.pressStart();
    QCOMPARE(h.text(u"Label2"), u"0"_s);
    QCOMPARE(h.rowCells(1).mid(1), QStringList(6, u"..."_s));
    h.time.advance(10'000);
    QVERIFY(h.allFilled());
    QCOMPARE(h.text(u"Label2"), u"4"_s);
}

void TestSingle::singleStartEndsProgressCount() {
    FormHarness h;
    h.importDomains({u"a.com"_s, u"b.com"_s, u"c.com"_s, u"d.com"_s, u"e.com"_s, u"f.com"_s});
    h.http.setResponder(replicaResponder(1));
    h.setRowsPerBatch(u"5"_s).pressStart();
    h.time.advance(20);  // every row fetched, the progress count still behind
    QVERIFY(h.runs->batch.progressRow() < 5);
    const QString counted = h.text(u"Label2");
    const QString domain = domainWithKeywords(100, 150);
    h.querySingle(domain);
    h.time.advance(10'000);
    // No pause boundary halts the keyword run, nor does a resume start the batch again.
    QCOMPARE(h.text(u"Label2"), counted);
    QCOMPARE(h.text(u"Label5_6"), h.text(u"Label5_5"));
    QCOMPARE(h.http.sentCount(u"http://stats.test/baidu/a.com/"_s), 1);
}

void TestSingle::singleQueryWorksAfterBatchStop() {
    FormHarness h;
    h.importDomains({u"alpha.com"_s, u"beta.com"_s});
    h.http.setResponder(replicaResponder(50));
    h.pressStart();
    h.time.advance(20);  // alpha.com's pages are in flight
    h.pressStop();
    const QString domain = domainWithKeywords(30, 45);
    h.querySingle(domain);
    h.time.advance(10'000);
    QCOMPARE(h.text(u"Label5_0"), replica::statsFiguresFor(domain).weight);
    QCOMPARE(h.text(u"Label5_6"), u"2"_s);
    QCOMPARE(h.rowCells(1).mid(1), QStringList(6, u"..."_s));  // the batch replies were let go
    QCOMPARE(h.sentSiteQueries().size(), 1);
}

void TestSingle::batchStartLeavesKeywordRunAlone() {
    FormHarness h;
    const QString domain = domainWithKeywords(100, 150);
    h.querySingle(domain);
    h.time.advance(70);  // a few pages in
    h.importDomains({u"a.com"_s});
    h.pressStart();
    h.time.advance(10'000);
    const int total = h.text(u"Label5_5").toInt();
    QCOMPARE(h.text(u"Label5_6"), QString::number(total));
    QCOMPARE(keywordCells(h, 1), figures(replica::keywordRowsFor(domain, 0).first()));
    QCOMPARE(keywordCells(h, 26), figures(replica::keywordRowsFor(domain, 1).first()));
    QCOMPARE(h.sentKeywordPages().size(), total + 1);
    QVERIFY(h.allFilled());
}

void TestSingle::domainGoesIntoAddressesAsTyped() {
    FormHarness h;
    h.http.setResponder(keywordSite(statsPage(u"3"_s), u"x.com"_s));
    h.querySingle(u" a b#.com "_s);
    h.time.advance(5000);
    QCOMPARE(h.sentStats(), QStringList{u"http://stats.test/baidu/%20a%20b%23.com%20"_s});
    QCOMPARE(h.sentKeywordPages().first(), u"http://stats.test/baidu/%20a%20b%23.com%20/0/"_s);
}

void TestSingle::textBoxPlaceholder() {
    FormHarness h;
    h.control<QLineEdit>(u"Text5").setFocus();  // focus alone leaves the sample
    QCOMPARE(h.text(u"Text5"), Form1::kSampleDomain);
    QTest::mouseClick(&h.control<QLineEdit>(u"Text5"), Qt::LeftButton);
    QCOMPARE(h.text(u"Text5"), QString());
    h.fill(u"Text5", u"x.com"_s);
    QTest::mouseClick(&h.control<QLineEdit>(u"Text5"), Qt::LeftButton);
    QCOMPARE(h.text(u"Text5"), u"x.com"_s);
    // An empty box requests the prefix alone.
    h.querySingle(QString());
    QCOMPARE(h.sentStats(), QStringList{u"http://stats.test/baidu/"_s});
}

void TestSingle::filter_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QStringList>("copied");  // numbers of the rows copied
    QTest::newRow("index 100, a grouped cell") << 1 << u"100"_s << QStringList{u"1"_s, u"7"_s, u"9"_s};
    QTest::newRow("index 1,000") << 1 << u"1,000"_s << QStringList{u"9"_s};
    QTest::newRow("indexed 0 takes all")
        << 2 << u"0"_s << QStringList{u"1"_s, u"3"_s, u"4"_s, u"7"_s, u"9"_s};
    QTest::newRow("indexed 1,000 by the locale") << 2 << u"1,000"_s << QStringList{u"7"_s};
    QTest::newRow("empty text: every keyword but an empty one")
        << 0 << QString() << QStringList{u"1"_s, u"3"_s, u"4"_s, u"9"_s};
    QTest::newRow("text") << 0 << u"百度"_s << QStringList{u"1"_s, u"9"_s};
    QTest::newRow("hint left in the box") << 0 << u"请输入关键词"_s << QStringList{};
}

void TestSingle::filter() {
    QFETCH(int, mode);
    QFETCH(QString, value);
    QFETCH(QStringList, copied);
    FormHarness h;
    fillKeywords(h, {{u"1"_s, u"百度"_s, u"1"_s, u"100"_s, u"5"_s, u"t1"_s},
                     {u"3"_s, u"地图"_s, u"2"_s, u"99"_s, u"0"_s, u"t3"_s},
                     {u"4"_s, u"..."_s, u"..."_s, u"..."_s, u"..."_s, u"..."_s},
                     {u"7"_s, u""_s, u"3"_s, u"150"_s, u"20000"_s, u"t7"_s},
                     {u"9"_s, u"百度地图"_s, u"4"_s, u"1,234"_s, u"abc"_s, u"t9"_s}});
    h.filter(mode, value);
    h.click(u"Command13");  // again: the filtered list is rebuilt, not added to
    QVERIFY(!h.list(u"ListView3").isHidden());
    const ListModel& list = h.list(u"ListView3").items();
    QCOMPARE(list.headerCount(), 6);
    QStringList numbers;
    const int tested = mode == 0 ? 1 : mode == 1 ? 3 : 4;
    for (int row = 1; row <= list.itemCount(); ++row) {
        numbers.append(list.itemText(row));
        for (int k = 1; k <= 5; ++k) {
            QCOMPARE(list.subItemForeColor(row, k) == QColor(255, 0, 0), k == tested);
        }
    }
    QCOMPARE(numbers, copied);
    if (!copied.isEmpty()) {
        QCOMPARE(list.subItem(1, 5), u"t"_s + copied.first());  // whole rows are copied
    }
    QCOMPARE(h.list(u"ListView2").items().itemCount(), 5);
    QVERIFY(!h.list(u"ListView2").items().subItemForeColor(1, tested).isValid());
    h.click(u"Command15");
    QVERIFY(h.list(u"ListView3").isHidden());
}

void TestSingle::filterAsksForANumber() {
    FormHarness h;
    fillKeywords(h, {{u"1"_s, u"百度"_s, u"1"_s, u"100"_s, u"5"_s, u"t1"_s}});
    h.filter(1, u"abc"_s);
    // Not an empty list, which would read as "no keyword reaches it".
    QCOMPARE(h.messages.texts(), QStringList{u"请输入数字！"_s});
    QVERIFY(h.list(u"ListView3").isHidden());
}

void TestSingle::keywordRunFillsItsRowsThroughASort() {
    FormHarness h;
    QVERIFY(h.showWindow());
    const QString domain = domainWithKeywords(60, 110);
    h.querySingle(domain);
    QVERIFY(h.time.advanceUntil([&] { return h.text(u"Label5_6") == u"1"_s; }, 10'000));
    h.clickHeader(u"ListView2", 1);  // "序号" descending, while the next pages are on their way
    h.time.advance(10'000);
    const ListModel& list = h.list(u"ListView2").items();
    QCOMPARE(list.itemText(1), h.text(u"Label5_1"));
    for (int row = 1; row <= list.itemCount(); ++row) {
        const int n = list.itemText(row).toInt();
        const replica::KeywordFigures k = replica::keywordRowsFor(domain, (n - 1) / 25).at((n - 1) % 25);
        QCOMPARE(keywordCells(h, row), figures(k));
    }
}

void TestSingle::lastPartPageIsRead() {
    FormHarness h;
    h.http.setResponder([](const QString& url) {
        if (url.endsWith(u"/0/"_s)) {
            return FakeReply{keywordPageOf(25), 20};
        }
        if (url.endsWith(u"/1/"_s)) {
            return FakeReply{keywordPageOf(1), 20};
        }
        return FakeReply{statsPage(u"26"_s), 20};
    });
    h.click(u"Command11");
    h.time.advance(10'000);
    QCOMPARE(h.text(u"Label5_5"), u"2"_s);
    QCOMPARE(h.list(u"ListView2").items().subItem(26, 1), u"k1"_s);
    QVERIFY(h.control<QPushButton>(u"Command11").isEnabled());
}

void TestSingle::filterOfEmptyListAsksForAQuery() {
    FormHarness h;
    h.click(u"Command13");
    QCOMPARE(h.messages.texts(), QStringList{u"当前数据为空，请先查询！"_s});
    QVERIFY(!h.list(u"ListView3").isHidden());
    // After a query without keywords, no filtered row of the domain before stays shown (or exported).
    fillKeywords(h, {{u"1"_s, u"百度"_s, u"1"_s, u"100"_s, u"5"_s, u"t1"_s}});
    h.fill(u"Text6", u"百度"_s);
    h.click(u"Command13");
    h.list(u"ListView2").items().clearItems();
    h.click(u"Command13");
    QCOMPARE(h.list(u"ListView3").items().itemCount(), 0);
}

void TestSingle::filterDefaultsAndHint() {
    FormHarness h;
    h.control<QLineEdit>(u"Text6").setFocus();
    QCOMPARE(h.text(u"Text6"), u"请输入关键词"_s);
    QTest::mouseClick(&h.control<QLineEdit>(u"Text6"), Qt::LeftButton);
    QCOMPARE(h.text(u"Text6"), QString());
    for (const auto& [index, value] : {std::pair{2, u"10000"_s}, {1, u"100"_s}, {0, u"请输入关键词"_s}}) {
        h.fill(u"Text6", u"x"_s);
        h.control<QComboBox>(u"Combo2").setCurrentIndex(index);
        Q_EMIT h.control<QComboBox>(u"Combo2").activated(index);
        QCOMPARE(h.text(u"Text6"), value);
    }
    h.fill(u"Text6", u"5"_s);
    QTest::mouseClick(&h.control<QLineEdit>(u"Text6"), Qt::LeftButton);
    QCOMPARE(h.text(u"Text6"), u"5"_s);
}

void TestSingle::pageThatStopsEarlyFailsWhatItLacks() {
    FormHarness h;
    h.querySingle(u"partial.com"_s);
    h.time.advance(3000);
    const replica::StatsFigures figures = replica::statsFiguresFor(u"partial.com"_s);
    QCOMPARE(h.text(u"Label5_0"), figures.weight);
    QCOMPARE(h.text(u"Label5_1"), figures.keywords);
    for (const std::size_t lacking : {2, 3, 4}) {
        QCOMPARE(strip(h, lacking).text(), u"失败"_s);
        QCOMPARE(strip(h, lacking).toolTip(), u"页面中没有该项"_s);
    }
    QVERIFY(!h.sentKeywordPages().isEmpty());  // the keyword count is there: its run goes on
}

QTEST_MAIN(TestSingle)
#include "tst_single.moc"
