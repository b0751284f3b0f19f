// SPDX-License-Identifier: GPL-3.0-or-later
#include "form_harness.h"
#include "list_model.h"
#include "list_view.h"
#include "runs.h"
#include "text/app_error.h"

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QIcon>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>

using namespace Qt::StringLiterals;
using namespace quorvane;
using namespace quorvane::testing;
using Tester = QAbstractItemModelTester;

namespace {

void fill(ListModel& model, const QStringList& keys) {
    model.addColumn(u"序号"_s, 600);
    model.addColumn(u"值"_s, 1500);
    for (qsizetype n = 0; n < keys.size(); ++n) {
        model.addRow({QString::number(n + 1), keys.at(n)});
    }
}

QStringList column(const ListModel& model, int cell) {
    QStringList texts;
    for (int row = 1; row <= model.itemCount(); ++row) {
        texts.append(cell == 0 ? model.itemText(row) : model.subItem(row, cell));
    }
    return texts;
}

QStringList split(QStringView cells) {
    return cells.toString().split(u'|');
}

void sortBy(ListModel& model, int key, int order = 0) {
    model.setSortKey(key);
    model.setSortOrder(order);
    model.setSorted(true);
}

const QStringList kNoFigures(kDomainFigures, u"..."_s);

// A batch run on virtual time, answered like the replica site, shown by a list of the domain columns.
struct ShownRun {
    VirtualTime time;
    FakeHttp http{time, replicaResponder()};
    QTemporaryDir history;
    Runs runs{time, time, http, {u"http://stats.test"_s, u"http://search.test"_s}, history.path()};
    ListModel model;
    Tester tester{&model, Tester::FailureReportingMode::QtTest};
    explicit ShownRun(const QString& text) {
        for (int cell = 0; cell < DomainCell::Count; ++cell) {
            model.addColumn(QString::number(cell), 600);
        }
        model.showRun(runs.batch);
        runs.batch.import(text, false);
    }
    bool run() {  // afresh, until nothing can change
        runs.batch.start();
        return time.advanceUntil([this] { return !runs.batch.active(); }, 600'000);
    }
};

}  // namespace

class TestListModel final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void rowsAndCellsUnderTester() {
        ListModel model;
        Tester tester(&model, Tester::FailureReportingMode::QtTest);
        model.addColumn(u"序号"_s, 600);
        model.addColumn(u"查询域名地址"_s, 1500);
        QCOMPARE(model.column(1).subItemIndex, 0);
        QCOMPARE(model.column(2).subItemIndex, 1);
        QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), u"查询域名地址"_s);
        QCOMPARE(model.addRow({u"1"_s, u"a.com"_s, u"..."_s}), 1);  // a cell beyond the headers is kept too
        QCOMPARE(model.subItemCount(1), 2);
        QCOMPARE(model.subItem(1, 2), u"..."_s);
        QCOMPARE(model.data(model.index(0, 1)).toString(), u"a.com"_s);
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        model.setSubItemForeColor(1, 1, QColor(255, 0, 0));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(model.data(model.index(0, 1), Qt::ForegroundRole).value<QColor>(), QColor(255, 0, 0));
        QCOMPARE(model.subItemForeColor(1, 1), QColor(255, 0, 0));
        const QString line(1'000'000, u'a');
        model.addRows({{u"2"_s, line}, {u"3"_s}});
        QCOMPARE(model.itemCount(), 3);
        QCOMPARE(model.subItemCount(3), 0);  // a row keeps its own length
        const QString shown = model.data(model.index(1, 1)).toString();
        QCOMPARE(shown.size(), ListModel::kDisplayLimit + 1);
        QVERIFY(shown.endsWith(u'…'));  // a long cell is shown cut, but kept whole
        QCOMPARE(model.subItem(2, 1), line);
        model.setColumnTag(2, u"1"_s);
        QCOMPARE(model.column(2).tag, u"1"_s);
        QVERIFY_THROWS_EXCEPTION(AppError, model.subItem(4, 1));  // out of range
        QVERIFY_THROWS_EXCEPTION(AppError, model.subItem(0, 1));
        QVERIFY_THROWS_EXCEPTION(AppError, model.subItem(2, 2));
        QVERIFY_THROWS_EXCEPTION(AppError, model.setSubItemForeColor(3, 1, Qt::red));
        QVERIFY_THROWS_EXCEPTION(AppError, model.positionOfEntry(4));
        QVERIFY_THROWS_EXCEPTION(AppError, model.column(3));
        model.clearItems();
        model.clearColumns();
        QCOMPARE(model.rowCount(), 0);
        QCOMPARE(model.columnCount(), 0);
    }

    void numberedRowsUnderTester() {
        const QString text = QString(u"b.com\nskip\n"_s) + QString(2000, u'a') + u".com"_s;
        ShownRun s(text);
        QCOMPARE(s.model.itemCount(), 2);
        QCOMPARE(s.model.cells(1), (QStringList{u"1"_s, u"b.com"_s} + kNoFigures));
        QCOMPARE(s.model.itemText(2), u"3"_s);
        QCOMPARE(s.model.data(s.model.index(1, 0)).toString(), u"3"_s);
        QCOMPARE(s.model.data(s.model.index(1, 1)).toString().size(), ListModel::kDisplayLimit + 1);
        QCOMPARE(s.model.subItem(2, 1).size(), 2004);
        QCOMPARE(s.model.data(s.model.index(0, 3)).toString(), u"..."_s);
        QVERIFY_THROWS_EXCEPTION(AppError, s.model.subItemView(1, DomainCell::Count));
        QVERIFY(s.run());
        const QStringList b = expectedCells(u"b.com"_s);
        QCOMPARE(s.model.cells(1).mid(1), b);
        QCOMPARE(s.model.subItemView(1, 1).toString() + s.model.subItemView(1, 7), b.at(0) + b.at(6));
        sortBy(s.model, 0, 1);  // the number by value, then the text by collation; entries keep their rows
        QCOMPARE(s.model.itemText(1), u"3"_s);
        QCOMPARE(s.model.positionOfEntry(1), 2);
        sortBy(s.model, 1);
        QCOMPARE(s.model.subItem(2, 1), u"b.com"_s);
        QVERIFY_THROWS_EXCEPTION(AppError, s.model.subItem(s.model.positionOfEntry(1), DomainCell::Count));
        // A fresh start makes every figure unknown, in one change, and keeps the domains.
        s.model.setSubItemForeColor(2, 1, Qt::red);  // entry 1
        QSignalSpy changed(&s.model, &QAbstractItemModel::dataChanged);
        s.runs.batch.start();
        QCOMPARE(s.model.cells(2), (QStringList{u"1"_s, u"b.com"_s} + kNoFigures));
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed.first().at(0).toModelIndex(), s.model.index(0, DomainCell::Weight));
        QCOMPARE(changed.first().at(1).toModelIndex(), s.model.index(1, DomainCell::Snapshot));
        // A new list mid-run: its rows in their own order, without colours, and no page of the old one.
        QVERIFY(s.time.advanceUntil([&] { return changed.size() > 1; }, 60'000));
        s.runs.batch.import(u"d.com\ne.com\nf.com"_s, false);
        QVERIFY(!s.model.subItemForeColor(1, 1).isValid());
        s.time.advance(60'000);
        QCOMPARE(s.model.cells(1), (QStringList{u"1"_s, u"d.com"_s} + kNoFigures));
        QVERIFY(s.run());
        QCOMPARE(s.model.cells(3).mid(1), expectedCells(u"f.com"_s));
    }

    void sortsNumbersByValue_data() {
        QTest::addColumn<QStringList>("keys");
        QTest::addColumn<int>("order");
        QTest::addColumn<QStringList>("sorted");
        QTest::newRow("ascending by value") << split(u"9|10|100|2") << 0 << split(u"2|9|10|100");
        QTest::newRow("descending, grouped")
            << split(u"99|995,657,486|983,380|10") << 1 << split(u"995,657,486|983,380|99|10");
        QTest::newRow("no figure last, ascending") << split(u"5|...|失败||3") << 0 << split(u"3|5|...|失败|");
        QTest::newRow("no figure last, descending") << split(u"...|5|失败|3") << 1 << split(u"5|3|...|失败");
        QTest::newRow("text by collation, case-insensitive")
            << split(u"b.com|A.com|a.org") << 0 << split(u"A.com|a.org|b.com");
        QTest::newRow("stable") << split(u"b|a|...|"_s.repeated(9).chopped(1)) << 1
                                << QStringList(9, u"b"_s) + QStringList(9, u"a"_s) + QStringList(9, u"..."_s);
    }
    void sortsNumbersByValue() {
        QFETCH(QStringList, keys);
        QFETCH(int, order);
        QFETCH(QStringList, sorted);
        ListModel model;
        Tester tester(&model, Tester::FailureReportingMode::QtTest);
        fill(model, keys);
        const QPersistentModelIndex first(model.index(0, 1));
        sortBy(model, 1, order);
        QCOMPARE(column(model, 1), sorted);
        for (int row = 2; row <= model.itemCount(); ++row) {  // equal keys keep their order
            QVERIFY(model.subItem(row - 1, 1) != model.subItem(row, 1) ||
                    model.itemText(row - 1).toInt() < model.itemText(row).toInt());
        }
        QCOMPARE(model.itemText(first.row() + 1), u"1"_s);  // persistent indexes move with their rows
        QStringList numbers = column(model, 0);
        QCOMPARE(model.addRow({u"10"_s, u"0"_s}), keys.size() + 1);
        QCOMPARE(column(model, 0), numbers << u"10"_s);  // sorted once: a row added later comes last
        sortBy(model, 0, 1);                             // the number column by value
        std::sort(numbers.begin(), numbers.end(),
                  [](const QString& a, const QString& b) { return a.toInt() > b.toInt(); });
        QCOMPARE(column(model, 0), numbers);
    }

    // Figures land in the rows of their entries, wherever a sort put them; a failure's reason is the tip.
    void entriesKeepTheirRowsThroughSorts() {
        ShownRun s(u"notfound.com\na.com\nb.com"_s);
        s.model.showRun(s.runs.batch);  // shown again, it is still shown once
        sortBy(s.model, DomainCell::Domain);
        const QStringList shown{u"a.com"_s, u"b.com"_s, u"notfound.com"_s};
        QCOMPARE(column(s.model, 1), shown);
        QCOMPARE(s.model.positionOfEntry(1), 3);
        QSignalSpy figures(&s.runs.batch, &BatchRun::figureChanged);
        QSignalSpy changed(&s.model, &QAbstractItemModel::dataChanged);
        QVERIFY(s.run());
        QCOMPARE(figures.size(), 3 * kDomainFigures);
        QCOMPARE(changed.size(), figures.size() + 1);  // the fresh start's change, then one a figure
        for (qsizetype i = 0; i < figures.size(); ++i) {
            const int row = s.model.positionOfEntry(figures.at(i).at(0).toInt()) - 1;
            const QVariant at = s.model.index(row, figures.at(i).at(1).toInt());
            QCOMPARE(changed.at(i + 1).mid(0, 2), (QVariantList{at, at}));
        }
        QCOMPARE(column(s.model, 1), shown);  // figures do not move rows
        QCOMPARE(s.model.cells(1).mid(1), expectedCells(u"a.com"_s));
        QCOMPARE(s.model.cells(2).mid(1), expectedCells(u"b.com"_s));
        for (int cell = DomainCell::Weight; cell < DomainCell::Count; ++cell) {
            const QString reason = s.runs.batch.figure(1, cell).reason;
            QVERIFY(!reason.isEmpty());
            QCOMPARE(s.model.subItem(3, cell), kFailureText);
            QCOMPARE(s.model.subItemTip(3, cell), reason);
            QCOMPARE(s.model.data(s.model.index(2, cell), Qt::ToolTipRole).toString(), reason);
            QCOMPARE(s.model.data(s.model.index(2, cell), Qt::AccessibleDescriptionRole).toString(), reason);
            QVERIFY(!s.model.data(s.model.index(0, cell), Qt::ToolTipRole).isValid());
        }
        fill(s.model, {u"b"_s, u"a"_s});  // rows of its own now, which the run reaches no more
        sortBy(s.model, 1);
        s.runs.batch.import(u"c.com"_s, false);
        QCOMPARE(column(s.model, 1), split(u"a|b"));
    }

    void viewColumnsInTwipsAndHitTest() {
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

    // --- The run's storage, until it has a test of its own: its domains are pieces of the text imported
    // when they fill most of it and it owns its characters, else of a copy, which outlives the text given.
    void figuresShowTheirChangeSinceTheLastRun() {
        using Trend = FigureChange::Trend;
        ShownRun s(u"a.com"_s);
        int lookups = 0;
        s.model.showRun(s.runs.batch, [&](const QString& domain) {
            ++lookups;
            return s.runs.history.previousGood(domain, s.runs.journal.listRun());
        });
        connect(&s.runs.journal, &Journal::listRunChanged, &s.model, &ListModel::forgetPast);
        QVERIFY(s.run());
        QCOMPARE(s.model.subItemTrend(1, DomainCell::Weight), Trend::None);  // nothing before the first
        QVERIFY(s.model.subItemTip(1, DomainCell::Weight).isEmpty());
        // A check in between with other figures, then the list once more.
        const double weight = s.runs.batch.figure(1, DomainCell::Weight).number().value();
        const double indexed = s.runs.batch.figure(1, DomainCell::Indexed).number().value();
        const HistoryStore::RunId between =
            s.runs.history.beginRun(HistoryStore::RunKind::Batch, s.runs.batch);
        s.runs.history.record(between, 1, DomainCell::Weight, Figure::value(QString::number(weight + 1)));
        s.runs.history.record(between, 1, DomainCell::Indexed, Figure::value(QString::number(indexed - 5)));
        s.runs.history.record(between, 1, DomainCell::Keywords, Figure::failed(u"超时"_s));
        QVERIFY(s.run());
        QCOMPARE(s.model.subItemTrend(1, DomainCell::Weight), Trend::Down);
        QVERIFY(s.model.subItemTip(1, DomainCell::Weight).endsWith(u"（-1）"_s));
        QCOMPARE(s.model.subItemTrend(1, DomainCell::Indexed), Trend::Up);
        // The failure in between is passed over for the first run's figure.
        QCOMPARE(s.model.subItemTrend(1, DomainCell::Keywords), Trend::Same);
        QVERIFY(s.model.subItemTip(1, DomainCell::Traffic).isEmpty());
        const QModelIndex row = s.model.index(0, 0);
        QVERIFY(!row.siblingAtColumn(DomainCell::Weight).data(Qt::DecorationRole).value<QIcon>().isNull());
        QVERIFY(!row.siblingAtColumn(DomainCell::Keywords).data(Qt::DecorationRole).isValid());
        QCOMPARE(s.model.subItem(1, DomainCell::Weight), QString::number(weight));  // the text stays
        QCOMPARE(lookups, 2);                                                       // once a run
    }

    void importKeepsDomainsAsPiecesOfOneText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("shared");
        QTest::newRow("owned") << u"b.com\nskip\nc.com"_s << true;
        QTest::newRow("raw") << u"b.com\r\nc.com"_s << false;
        QTest::newRow("mostly skipped") << u"b.com\n"_s + QString(40, u'-') + u"\nc.com"_s << false;
    }
    void importKeepsDomainsAsPiecesOfOneText() {
        QFETCH(QString, text);
        const bool raw = QByteArrayView(QTest::currentDataTag()) == "raw";
        QFETCH(bool, shared);
        ShownRun s(QString{});
        std::u16string chars = text.toStdU16String();
        QString given = raw ? QString::fromRawData(reinterpret_cast<const QChar*>(chars.data()), text.size())
                            : QString(text.constData(), text.size());
        s.runs.batch.import(given, false);
        const QStringView one = s.runs.batch.domain(1);
        QCOMPARE(one.data() == given.constData(), shared);                            // the text itself
        QCOMPARE(s.runs.batch.domain(2).data() == one.data() + one.size(), !shared);  // the domains alone
        given.fill(u'z');
        std::fill(chars.begin(), chars.end(), u'z');
        QCOMPARE(column(s.model, 1), split(u"b.com|c.com"));
    }
};

QTEST_MAIN(TestListModel)
#include "tst_listmodel.moc"
