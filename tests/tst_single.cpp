// SPDX-License-Identifier: GPL-3.0-or-later
// The single query and the keyword filter through the window, on virtual time; tst_keywordrun tests the run.
#include "form_harness.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace quorvane;
using namespace quorvane::testing;

namespace {

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
    void stripShowsTheRun();
    void textBoxPlaceholder();
    void filter();
    void filterOfEmptyListAsksForAQuery();
    void keywordRunFillsItsRowsThroughASort();
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

// The strip shows the run: its figures, "失败" and why where the page holds none, the page counts and
// why the keyword run halted; a new query shows "0" and no reasons again.
void TestSingle::stripShowsTheRun() {
    FormHarness h;
    h.querySingle(u"partial.com"_s);  // no traffic, snapshot or indexed count, no keyword pages
    h.time.advance(10'000);
    const replica::StatsFigures stats = replica::statsFiguresFor(u"partial.com"_s);
    QCOMPARE(h.text(u"Label5_0"), stats.weight);
    QCOMPARE(h.text(u"Label5_1"), stats.keywords);
    for (const int lacking : {2, 3, 4}) {
        QCOMPARE(strip(h, lacking).text(), u"失败"_s);
        QCOMPARE(strip(h, lacking).toolTip(), u"页面中没有该项"_s);
        QCOMPARE(strip(h, lacking).accessibleDescription(), u"页面中没有该项"_s);
    }
    QCOMPARE(h.text(u"Label5_5"), u"40"_s);  // the most pages the run reads
    QCOMPARE(h.text(u"Label5_6"), u"0"_s);
    QCOMPARE(strip(h, 6).toolTip(), u"第 1 页读取失败：HTTP 404"_s);
    h.querySingle(u"partial.com"_s);
    for (int i = 0; i <= 6; ++i) {
        QCOMPARE(strip(h, i).text(), u"0"_s);
        QCOMPARE(strip(h, i).toolTip(), QString());
    }
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

void TestSingle::filter() {
    FormHarness h;
    fillKeywords(h, {{u"1"_s, u"百度"_s, u"1"_s, u"100"_s, u"5"_s, u"t1"_s},
                     {u"3"_s, u"地图"_s, u"2"_s, u"99"_s, u"0"_s, u"t3"_s},
                     {u"4"_s, u"..."_s, u"..."_s, u"..."_s, u"..."_s, u"..."_s},
                     {u"7"_s, u""_s, u"3"_s, u"150"_s, u"20000"_s, u"t7"_s},
                     {u"9"_s, u"百度地图"_s, u"4"_s, u"1,234"_s, u"abc"_s, u"t9"_s}});
    h.filter(1, u"100"_s);  // search index 100 or more
    h.click(u"Command13");  // again: the filtered list is rebuilt, not added to
    QVERIFY(!h.list(u"ListView3").isHidden());
    const ListModel& list = h.list(u"ListView3").items();
    QCOMPARE(list.headerCount(), 6);
    QStringList numbers;
    for (int row = 1; row <= list.itemCount(); ++row) {
        numbers.append(list.itemText(row));
        QCOMPARE(list.subItem(row, 5), u"t"_s + numbers.last());  // whole rows are copied
        for (int k = 1; k <= 5; ++k) {
            QCOMPARE(list.subItemForeColor(row, k) == QColor(255, 0, 0), k == 3);  // the tested cell
        }
    }
    QCOMPARE(numbers, (QStringList{u"1"_s, u"7"_s, u"9"_s}));
    QCOMPARE(h.list(u"ListView2").items().itemCount(), 5);
    QVERIFY(!h.list(u"ListView2").items().subItemForeColor(1, 3).isValid());
    h.click(u"Command15");
    QVERIFY(h.list(u"ListView3").isHidden());
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

QTEST_MAIN(TestSingle)
#include "tst_single.moc"
