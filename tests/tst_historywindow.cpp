// SPDX-License-Identifier: GPL-3.0-or-later
// A domain's history window: its table, its chart and the table's export.
#include "form1.h"
#include "form_harness.h"
#include "history/history_window.h"
#include "list_view.h"
#include "scripted_services.h"
#include "virtual_time.h"

#include <QAbstractItemModelTester>
#include <QChartView>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineSeries>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace quorvane;
using Check = HistoryStore::Check;
using Range = HistoryModel::Range;

namespace {

constexpr qint64 kNow = 1'000'000'000;  // 2001-09-09 09:46:40 in UTC+8
constexpr qint64 kDay = 24 * 60 * 60;

// Checks at these times; Weight as given, "" for a failure, "?" for unknown.
std::vector<Check> checks(const QList<qint64>& times, const QStringList& weights = {}) {
    std::vector<Check> list;
    for (qsizetype i = 0; i < times.size(); ++i) {
        Check check;
        check.run = i + 1;
        check.time = times[i];
        const QString weight = i < weights.size() ? weights[i] : u"1"_s;
        check.figures[0] = weight.isEmpty() ? Figure::failed(u"超时"_s)
                           : weight == u"?" ? Figure{}
                                            : Figure::value(weight);
        list.push_back(check);
    }
    return list;
}

// The chart's points of one figure, a list a line piece.
QList<QList<QPointF>> drawn(const QChartView& view, const QString& title) {
    QList<QList<QPointF>> pieces;
    for (QAbstractSeries* series : view.chart()->series()) {
        if (series->name() == title) {
            pieces.append(qobject_cast<QLineSeries*>(series)->points());
        }
    }
    return pieces;
}

struct Window {
    testing::ScriptedMessageBoxes messages;
    testing::ScriptedDialogs dialogs;
    QTemporaryDir folder;
    HistoryWindow window;
    Window(std::vector<Check> list, const QString& domain = u"a.com"_s)
        : window(domain, std::move(list), kNow, messages, dialogs, folder.path(), nullptr) {}
    template <typename T>
    T& find(const QString& name) {
        return *window.findChild<T*>(name);
    }
};

}  // namespace

class TestHistoryWindow final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { qputenv("TZ", "UTC-8"); }
    void rangeKeepsRecentChecksNewestFirst_data();
    void rangeKeepsRecentChecksNewestFirst();
    void cellsReadAsTheStoreKeptThem();
    void chartLeavesGapsForFailures();
    void chartSaysWhenThereIsNothing();
    void exportWritesTheTableShown();
    void exportNameStaysInTheFolder_data();
    void exportNameStaysInTheFolder();
    void ctrlHShowsTheDomainOfTheViewShown();
};

void TestHistoryWindow::rangeKeepsRecentChecksNewestFirst_data() {
    QTest::addColumn<Range>("range");
    QTest::addColumn<QList<qint64>>("runs");
    QTest::newRow("week") << Range::Week << QList<qint64>{4, 5, 3};
    QTest::newRow("month") << Range::Month << QList<qint64>{4, 5, 3, 2, 6};
    QTest::newRow("all") << Range::All << QList<qint64>{4, 5, 3, 2, 6, 1};
}

void TestHistoryWindow::rangeKeepsRecentChecksNewestFirst() {
    QFETCH(Range, range);
    QFETCH(QList<qint64>, runs);
    // Out of order as a retry's later figure can leave them; a second past each bound, and one on it.
    HistoryModel model(checks({kNow - 30 * kDay - 1, kNow - 7 * kDay - 1, kNow - 7 * kDay, kNow, kNow - kDay,
                               kNow - 30 * kDay}),
                       kNow, Range::Week);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QSortFilterProxyModel view;  // which knows the rows from the model's signals alone
    view.setSourceModel(&model);
    QCOMPARE(view.rowCount(), 3);
    model.setRange(Range::All);
    model.setRange(range);
    QList<qint64> shown;
    for (const Check& check : model.shownChecks()) {
        shown.append(check.run);
    }
    QCOMPARE(shown, runs);
    QCOMPARE(view.rowCount(), runs.size());
}

void TestHistoryWindow::cellsReadAsTheStoreKeptThem() {
    testing::VirtualTime time(kNow * 1000);
    QTemporaryDir dir;
    HistoryStore store(dir.path(), time, time);
    const HistoryStore::RunId run = store.beginSingle(u"a.com"_s);
    store.record(run, 1, DomainCell::Weight, Figure::value(u"3"_s));
    store.record(run, 1, DomainCell::Indexed, Figure::failed(u"页面里没有数字"_s));
    store.record(run, 1, DomainCell::Snapshot, Figure::failed({}));
    QVERIFY(store.flush());
    HistoryModel model(store.historyOf(u"a.com"_s), kNow);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QCOMPARE(model.rowTexts(0),
             QStringList({u"2001-09-09 09:46"_s, u"3"_s, {}, {}, u"失败"_s, {}, u"失败"_s}));
    QCOMPARE(model.data(model.index(0, 4), Qt::ToolTipRole), QVariant(u"页面里没有数字"_s));
    QVERIFY(!model.data(model.index(0, 6), Qt::ToolTipRole).isValid());  // an old failure gave no reason
}

void TestHistoryWindow::chartLeavesGapsForFailures() {
    Window w(checks({kNow - 5, kNow - 4, kNow - 3, kNow - 2, kNow - 1, kNow},
                    {u"1"_s, u""_s, u"3"_s, u"4"_s, u"?"_s, u"6"_s}));
    const auto& view = w.find<QChartView>(u"chart"_s);
    const auto at = [](qint64 seconds, qreal weight) {
        return QPointF(static_cast<qreal>(seconds) * 1000, weight);
    };
    QCOMPARE(drawn(view, u"百度权重"_s),
             QList<QList<QPointF>>({{at(kNow - 5, 1)}, {at(kNow - 3, 3), at(kNow - 2, 4)}, {at(kNow, 6)}}));
    QVERIFY(drawn(view, u"百度收录"_s).isEmpty());     // never known: no line, and no zero either
    w.find<QComboBox>(u"range"_s).setCurrentIndex(0);  // 7 天: the same checks, drawn anew
    QCOMPARE(drawn(view, u"百度权重"_s).size(), 3);
}

void TestHistoryWindow::chartSaysWhenThereIsNothing() {
    Window none({});
    QVERIFY(!none.find<QChartView>(u"chart"_s).isVisibleTo(&none.window));
    QCOMPARE(none.find<QLabel>(u"noChart"_s).text(), u"没有这个域名的历史记录"_s);
    Window old(checks({kNow - 40 * kDay}));
    auto& range = old.find<QComboBox>(u"range"_s);
    QCOMPARE(range.currentText(), u"全部"_s);
    QVERIFY(old.find<QChartView>(u"chart"_s).isVisibleTo(&old.window));
    range.setCurrentIndex(1);
    QCOMPARE(old.find<QLabel>(u"noChart"_s).text(), u"这段时间没有记录"_s);
    QVERIFY(old.find<QLabel>(u"noChart"_s).isVisibleTo(&old.window));
}

void TestHistoryWindow::exportWritesTheTableShown() {
    Window w(checks({kNow - 40 * kDay, kNow}, {u""_s, u"2"_s}), u"b.com"_s);
    const QString chosen = w.folder.filePath(u"h"_s);
    w.dialogs.nextSave = SaveChoice{chosen, u"CSV 文件 (*.csv)"_s};
    w.window.show();
    QVERIFY(QTest::qWaitForWindowActive(&w.window));
    QTest::keyClick(&w.window, Qt::Key_E, Qt::ControlModifier);
    QCOMPARE(w.dialogs.folders, QStringList{w.folder.filePath(u"b.com-历史.csv"_s)});
    QFile file(chosen + u".csv"_s);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(),
             u"\uFEFF时间,百度权重,关键字条数,百度来量,百度收录,百度反链,百度快照\r\n"
             "2001-09-09 09:46,2,,,,,\r\n2001-07-31 09:46,失败,,,,,\r\n"_s.toUtf8());
    QCOMPARE(w.messages.texts(), QStringList{u"导出成功！共 2 行，已写入 "_s + chosen + u".csv"_s});
    w.find<QComboBox>(u"range"_s).setCurrentIndex(0);  // 7 天: the older check is not exported
    w.dialogs.nextSave = SaveChoice{chosen + u".csv"_s, u"CSV 文件 (*.csv)"_s};
    w.window.exportTable();
    QCOMPARE(w.messages.texts().last(), u"导出成功！共 1 行，已写入 "_s + chosen + u".csv"_s);
}

void TestHistoryWindow::exportNameStaysInTheFolder_data() {
    QTest::addColumn<QString>("domain");
    QTest::addColumn<QString>("name");
    QTest::newRow("up") << u"../../etc/x"_s << u"______etc_x-历史.csv"_s;
    QTest::newRow("backslash, dot first") << u".a\\b"_s << u"_a_b-历史.csv"_s;
    QTest::newRow("control") << u"a\nb\u0000c\u202e"_s << u"a_b_c_-历史.csv"_s;
    QTest::newRow("long") << QString(300, u'中') << QString(66, u'中') + u"-历史.csv"_s;
}

void TestHistoryWindow::exportNameStaysInTheFolder() {
    QFETCH(QString, domain);
    QFETCH(QString, name);
    QCOMPARE(historyFileName(domain), name);
    Window w(checks({kNow}), domain);
    w.window.exportTable();
    const QString proposed = w.dialogs.folders.value(0);
    QCOMPARE(QFileInfo(proposed).absolutePath(), w.folder.path());
    QVERIFY(QFile(proposed).open(QIODevice::WriteOnly));  // a name the file system takes
}

void TestHistoryWindow::ctrlHShowsTheDomainOfTheViewShown() {
    testing::FormHarness h;
    const auto opened = [&h] {
        const QList<HistoryWindow*> windows = h.form->findChildren<HistoryWindow*>();
        return windows.size() == 1 ? windows[0]->windowTitle() : u"%1 windows"_s.arg(windows.size());
    };
    h.fill(u"Text5", u" "_s).pressKey(Qt::Key_H);  // the single view, with no domain
    QCOMPARE(h.messages.texts(), QStringList{u"请先输入要查看历史的域名。"_s});
    QVERIFY(h.showBatchView());
    h.importDomains({u"a.com"_s, u"b.com"_s});
    h.pressKey(Qt::Key_H);
    QCOMPARE(h.messages.texts().last(), u"请先在列表中选择一个域名。"_s);
    h.pressStart();
    QVERIFY(h.time.advanceUntil([&h] { return h.allFilled(); }, 60'000));
    ListView& list = h.list(u"ListView1");
    list.setCurrentIndex(list.model()->index(1, 0));
    h.pressKey(Qt::Key_H);
    QCOMPARE(opened(), u"历史：b.com"_s);
    QCOMPARE(h.form->findChild<HistoryWindow*>()->findChild<QTableView*>(u"table"_s)->model()->rowCount(), 1);
    auto* history = h.form->findChild<HistoryWindow*>();
    history->activateWindow();
    QVERIFY(QTest::qWaitFor([history] { return QApplication::activeWindow() == history; }));
    QTest::keyClick(history, Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(opened(), u"0 windows"_s);
    h.click(u"Command19");
    h.querySingle(u"c.com"_s);
    h.fill(u"Text5", u"d.com"_s);  // typed after the query: the figures shown are still c.com's
    h.pressKey(Qt::Key_H);
    QCOMPARE(opened(), u"历史：c.com"_s);
}

QTEST_MAIN(TestHistoryWindow)
#include "tst_historywindow.moc"
