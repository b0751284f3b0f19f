// SPDX-License-Identifier: GPL-3.0-or-later
#include "list_model.h"
#include "list_view.h"
#include "text/app_error.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QHeaderView>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace quorvane;

namespace {

void fill(ListModel& model, const QStringList& keys) {
    model.clearColumns();
    model.addColumn(u"序号"_s, 600);
    model.addColumn(u"值"_s, 1500);
    int n = 0;
    for (const QString& key : keys) {
        model.addRow({QString::number(++n), key});
    }
}

QStringList column(const ListModel& model, int cell) {
    QStringList texts;
    for (int row = 1; row <= model.itemCount(); ++row) {
        texts.append(cell == 0 ? model.itemText(row) : model.subItem(row, cell));
    }
    return texts;
}

}  // namespace

class TestListModel final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void rowsAndCellsUnderTester();
    void outOfRangeThrows();
    void longCellIsShownCutButKeptWhole();
    void resetOfResultCellsUnderTester();
    void numberedRowsUnderTester();
    void sortsNumbersByValue_data();
    void sortsNumbersByValue();
    void entriesKeepTheirRowsThroughSorts();
    void sortIsStableAndOnce();
    void sortKeepsPersistentIndexes();
    void viewColumnsInTwipsAndHitTest();
};

void TestListModel::rowsAndCellsUnderTester() {
    ListModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.addColumn(u"序号"_s, 600);
    model.addColumn(u"查询域名地址"_s, 1500);
    QCOMPARE(model.column(1).subItemIndex, 0);
    QCOMPARE(model.column(2).subItemIndex, 1);
    QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), u"查询域名地址"_s);
    const int row = model.addItem(u"1"_s);
    QCOMPARE(row, 1);
    model.addSubItem(row, u"a.com"_s);
    model.addSubItem(row, u"..."_s);  // a cell beyond the headers is kept too
    QCOMPARE(model.subItemCount(row), 2);
    QCOMPARE(model.subItem(row, 2), u"..."_s);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    model.setSubItem(row, 1, u"b.com"_s);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(model.data(model.index(0, 1)).toString(), u"b.com"_s);
    model.setSubItemForeColor(row, 1, QColor(255, 0, 0));
    QCOMPARE(model.data(model.index(0, 1), Qt::ForegroundRole).value<QColor>(), QColor(255, 0, 0));
    model.addRows({{u"2"_s, u"c.com"_s}, {u"3"_s, u"d.com"_s}});
    QCOMPARE(model.itemCount(), 3);
    model.setColumnTag(2, u"1"_s);
    QCOMPARE(model.column(2).tag, u"1"_s);
    model.clearItems();
    model.clearColumns();
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(model.columnCount(), 0);
}

void TestListModel::longCellIsShownCutButKeptWhole() {
    ListModel model;
    model.addColumn(u"a"_s, 600);
    model.addColumn(u"b"_s, 600);
    const QString line(1'000'000, u'a');
    model.addRow({u"1"_s, line});
    const QString shown = model.data(model.index(0, 1)).toString();
    QCOMPARE(shown.size(), ListModel::kDisplayLimit + 1);
    QVERIFY(shown.endsWith(u'…'));
    QCOMPARE(model.subItem(1, 1), line);
}

void TestListModel::resetOfResultCellsUnderTester() {
    ListModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    for (const QString& title : {u"a"_s, u"b"_s, u"c"_s, u"d"_s}) {
        model.addColumn(title, 600);
    }
    model.addRow({u"1"_s, u"x.com"_s, u"5"_s, u"6"_s});
    model.addRow({u"2"_s, u"y.com"_s, u"7"_s});
    model.setSubItemsOfAllRows(2, 3, u"..."_s);
    QCOMPARE(model.subItem(1, 1), u"x.com"_s);
    QCOMPARE(model.subItem(1, 2), u"..."_s);
    QCOMPARE(model.subItem(1, 3), u"..."_s);
    QCOMPARE(model.subItem(2, 2), u"..."_s);
    QCOMPARE(model.subItemCount(2), 2);  // a row keeps its own length
}

void TestListModel::numberedRowsUnderTester() {
    ListModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    for (const QString& title : {u"a"_s, u"b"_s, u"c"_s, u"d"_s}) {
        model.addColumn(title, 600);
    }
    const QString text = QString(u"b.com\nskip\n"_s) + QString(2000, u'a') + u".com"_s;
    model.addNumberedRows(text, domainLinesOfBox(text), 4, u"..."_s);
    QCOMPARE(model.itemCount(), 2);
    QCOMPARE(model.cells(1), (QStringList{u"1"_s, u"b.com"_s, u"..."_s, u"..."_s}));
    QCOMPARE(model.itemText(2), u"3"_s);
    QCOMPARE(model.data(model.index(1, 0)).toString(), u"3"_s);
    QCOMPARE(model.data(model.index(1, 1)).toString().size(), ListModel::kDisplayLimit + 1);
    QCOMPARE(model.subItem(2, 1).size(), 2004);
    QCOMPARE(model.data(model.index(0, 3)).toString(), u"..."_s);
    model.setSubItem(1, 3, u"7"_s);
    QCOMPARE(model.entryCells(1), (QStringList{u"1"_s, u"b.com"_s, u"..."_s, u"7"_s}));
    QCOMPARE(model.subItemView(1, 1).toString() + model.subItemView(1, 2) + model.subItemView(1, 3),
             u"b.com...7"_s);
    model.setSubItem(1, 1, u"c.com"_s);
    QCOMPARE(model.cells(1), (QStringList{u"1"_s, u"c.com"_s, u"..."_s, u"7"_s}));
    QCOMPARE(model.subItemView(1, 1).toString() + model.subItemView(1, 3), u"c.com7"_s);
    QVERIFY_THROWS_EXCEPTION(AppError, model.subItemView(1, 4));
    model.addSubItem(2, u"x"_s);
    QCOMPARE(model.subItemCount(2), 4);
    QCOMPARE(model.subItem(2, 4), u"x"_s);
    QCOMPARE(model.subItemCount(1), 3);
    // The number sorts by value, the text by collation; entries keep their rows.
    model.setSortKey(0);
    model.setSortOrder(1);
    model.setSorted(true);
    QCOMPARE(model.itemText(1), u"3"_s);
    QCOMPARE(model.positionOfEntry(1), 2);
    model.setSortKey(1);
    model.setSortOrder(0);
    model.setSorted(true);
    QCOMPARE(model.subItem(2, 1), u"c.com"_s);
    model.setSubItemsOfAllRows(2, 3, u"..."_s);
    QCOMPARE(model.entryCells(1), (QStringList{u"1"_s, u"c.com"_s, u"..."_s, u"..."_s}));
    QCOMPARE(model.entrySubItem(2, 4), u"x"_s);
    model.setSubItemsOfAllRows(3, 3, QString());
    QCOMPARE(model.entrySubItem(1, 3), QString());
    QCOMPARE(model.entrySubItem(1, 2), u"..."_s);
    QVERIFY_THROWS_EXCEPTION(AppError, model.subItem(model.positionOfEntry(1), 4));
    // Lines that are no part of the text given are copied: the rows outlive the lines' own text.
    {
        QString other = u"e.com\r\nf.com"_s;
        other.detach();
        model.addNumberedRows(QString(), domainLinesOfBox(other), 3, u"-"_s);
        other.fill(u'z');
    }
    QCOMPARE(model.entryCells(3), (QStringList{u"1"_s, u"e.com"_s, u"-"_s}));
    QCOMPARE(model.entryCells(4), (QStringList{u"2"_s, u"f.com"_s, u"-"_s}));
    QCOMPARE(model.entryCells(1).size(), 4);
}

void TestListModel::outOfRangeThrows() {
    ListModel model;
    fill(model, {u"a"_s});
    QVERIFY_THROWS_EXCEPTION(AppError, model.subItem(2, 1));
    QVERIFY_THROWS_EXCEPTION(AppError, model.subItem(0, 1));
    QVERIFY_THROWS_EXCEPTION(AppError, model.subItem(1, 2));
    QVERIFY_THROWS_EXCEPTION(AppError, model.setSubItem(1, 5, u"x"_s));
    QVERIFY_THROWS_EXCEPTION(AppError, model.column(3));
}

void TestListModel::sortsNumbersByValue_data() {
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<int>("order");
    QTest::addColumn<QStringList>("sorted");
    QTest::newRow("ascending by value") << QStringList{u"9"_s, u"10"_s, u"100"_s, u"2"_s} << 0
                                        << QStringList{u"2"_s, u"9"_s, u"10"_s, u"100"_s};
    QTest::newRow("descending, grouped") << QStringList{u"99"_s, u"995,657,486"_s, u"983,380"_s, u"10"_s} << 1
                                         << QStringList{u"995,657,486"_s, u"983,380"_s, u"99"_s, u"10"_s};
    QTest::newRow("no figure last, ascending") << QStringList{u"5"_s, u"..."_s, u"失败"_s, u""_s, u"3"_s} << 0
                                               << QStringList{u"3"_s, u"5"_s, u"..."_s, u"失败"_s, u""_s};
    QTest::newRow("no figure last, descending") << QStringList{u"..."_s, u"5"_s, u"失败"_s, u"3"_s} << 1
                                                << QStringList{u"5"_s, u"3"_s, u"..."_s, u"失败"_s};
    QTest::newRow("text by collation, case-insensitive")
        << QStringList{u"b.com"_s, u"A.com"_s, u"a.org"_s} << 0
        << QStringList{u"A.com"_s, u"a.org"_s, u"b.com"_s};
}

void TestListModel::sortsNumbersByValue() {
    QFETCH(QStringList, keys);
    QFETCH(int, order);
    QFETCH(QStringList, sorted);
    ListModel model;
    fill(model, keys);
    model.setSortKey(1);
    model.setSortOrder(order);
    model.setSorted(true);
    QCOMPARE(column(model, 1), sorted);
}

void TestListModel::entriesKeepTheirRowsThroughSorts() {
    ListModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    fill(model, {u"c"_s, u"a"_s, u"b"_s});
    model.setSortKey(1);
    model.setSorted(true);  // shown: a, b, c
    QCOMPARE(model.positionOfEntry(1), 3);
    QCOMPARE(model.entrySubItem(2, 1), u"a"_s);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    model.setEntrySubItem(1, 1, u"z"_s);
    QCOMPARE(model.subItem(3, 1), u"z"_s);
    QCOMPARE(changed.size(), 1);
    QCOMPARE(changed.first().first().toModelIndex().row(), 2);
    model.addRow({u"4"_s, u"0"_s});  // added last, whatever the order
    QCOMPARE(model.entrySubItem(4, 1), u"0"_s);
    QCOMPARE(model.positionOfEntry(4), 4);
}

void TestListModel::sortIsStableAndOnce() {
    ListModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    fill(model, {u"b"_s, u"a"_s, u"b"_s, u"a"_s});
    model.setSortKey(1);
    model.setSortOrder(0);
    model.setSorted(true);
    QCOMPARE(column(model, 0), (QStringList{u"2"_s, u"4"_s, u"1"_s, u"3"_s}));
    // Later changes do not move rows.
    model.setSubItem(1, 1, u"z"_s);
    model.addRow({u"5"_s, u"0"_s});
    QCOMPARE(column(model, 0), (QStringList{u"2"_s, u"4"_s, u"1"_s, u"3"_s, u"5"_s}));
    // The number column sorts by value.
    model.setSortKey(0);
    model.setSortOrder(1);
    model.setSorted(true);
    QCOMPARE(column(model, 0), (QStringList{u"5"_s, u"4"_s, u"3"_s, u"2"_s, u"1"_s}));
}

void TestListModel::sortKeepsPersistentIndexes() {
    ListModel model;
    fill(model, {u"c"_s, u"a"_s, u"b"_s});
    const QPersistentModelIndex first(model.index(0, 1));  // "c"
    model.setSortKey(1);
    model.setSorted(true);
    QCOMPARE(first.row(), 2);
    QCOMPARE(first.data().toString(), u"c"_s);
}

void TestListModel::viewColumnsInTwipsAndHitTest() {
    ListView view;
    view.setTwipsPerPixel(15, 15);
    view.resize(600, 300);
    view.addColumn(u"序号"_s, 40 * 15);
    view.addColumn(u"查询域名地址"_s, 100 * 15);
    view.items().addRows({{u"1"_s, u"a.com"_s}, {u"2"_s, u"b.com"_s}});
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QCOMPARE(view.columnWidth(1), 600.0);
    QCOMPARE(view.columnLeft(1), 0.0);
    QCOMPARE(view.columnLeft(2), 600.0);
    QSignalSpy clicks(&view, &ListView::ColumnClick);
    QTest::mouseClick(view.header()->viewport(), Qt::LeftButton, {}, QPoint(60, 5));
    QCOMPARE(clicks.count(), 1);
    QCOMPARE(clicks.first().first().toInt(), 2);
    // Row 1 lies just under the header.
    const int headerHeight = view.header()->height();
    QCOMPARE(view.hitTest(10 * 15, (headerHeight + 3) * 15), 1);
    QCOMPARE(view.hitTest(10 * 15, (headerHeight - 3) * 15), 0);  // on the header
    QCOMPARE(view.hitTest(10 * 15, 280 * 15), 0);                 // below the last row
    view.selectItem(2);
    QCOMPARE(view.selectedItem(), 2);
    view.setFullRowSelect(true);
    QCOMPARE(view.selectionBehavior(), QAbstractItemView::SelectRows);
}

QTEST_MAIN(TestListModel)
#include "tst_listmodel.moc"
