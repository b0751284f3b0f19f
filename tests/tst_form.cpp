// SPDX-License-Identifier: GPL-3.0-or-later
#include "form_harness.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace quorvane;
using quorvane::testing::FakeReply;
using quorvane::testing::FormHarness;

class TestForm final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void startState();
    void initialTexts();
    void layout_data();
    void layout();
    void stackingHidesBatchView();
    void domainColumns();
    void viewSwitches();
    void closeAsks();
    void updateNoticeOnce_data();
    void updateNoticeOnce();
    void updateCheckSurvivesRejectedAddress();
    void noUpdateSiteNoRequest();
    void startNoticeStandsBesideTheWindow();
};

void TestForm::startState() {
    FormHarness h;
    for (const auto* name : {u"Command2", u"Command3", u"Command9", u"Command10"}) {
        QVERIFY2(!h.control<QPushButton>(name).isEnabled(), qPrintable(QString::fromUtf16(name)));
    }
    QVERIFY(h.control<QPushButton>(u"Command12").isEnabled());
    QVERIFY(h.control(u"ListView3").isHidden());
    QVERIFY(!h.control(u"ListView2").isHidden());
    QVERIFY(!h.control(u"Frame2").isHidden());
    const BatchRun& run = h.runs->batch;
    for (const Chain chain : {Chain::Stats, Chain::DomainQuery, Chain::SiteQuery}) {
        QCOMPARE(run.cursor(chain), 1);
    }
    QCOMPARE(run.progressRow(), 1);
    QCOMPARE(run.pauseAt(), 0);
    QVERIFY(!run.halted() && !run.paused() && !run.singleMode() && !run.active());
    QCOMPARE(h.runs->keywords.rowCount(), 0);
    QVERIFY(!h.control<QCheckBox>(u"Check3").isChecked());
    QVERIFY(!h.control<QCheckBox>(u"Check5").isChecked());
    // Only the update check's timer runs: no count to show, no pause to end.
    QVERIFY(!run.resumePending());
    QCOMPARE(h.time.activeTimers(), 1);
    QCOMPARE(h.list(u"ListView1").items().itemCount(), 0);
    // Start cannot be clicked before an import.
    QTest::mouseClick(&h.control<QPushButton>(u"Command3"), Qt::LeftButton);
    QVERIFY(h.http.sent().isEmpty());
}

void TestForm::initialTexts() {
    FormHarness h;
    QVERIFY(h.form->windowTitle().startsWith(u"Vantorel6.0        "_s));
    const QStringList lines = h.text(u"Text1").split(u'\n');
    QCOMPARE(lines.size(), 4);  // three names, each followed by a line break
    QVERIFY(lines.last().isEmpty());
}

void TestForm::layout_data() {
    QTest::addColumn<QString>("container");
    QTest::addColumn<QRect>("twipsRect");  // labels size themselves: width and height 0
    QTest::addColumn<QString>("text");     // null: not set by the layout; %1 the default folder
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<double>("points");  // 0: the window's font, not bold
    const auto row = [](const char* name, const char* container, QRect rect, const QString& text,
                        double points = 0, const QStringList& entries = {}) {
        QTest::newRow(name) << QString::fromLatin1(container) << rect << text << entries << points;
    };
    const QString none;
    // On the window.
    row("Frame2", "Form1", {0, 0, 12375, 9615}, u"Frame2"_s);
    row("Command12", "Form1", {4560, 600, 1215, 375}, u"手动导入"_s, 9);
    row("Text1", "Form1", {0, 120, 4335, 2295}, none);
    row("Frame1", "Form1", {5880, 0, 6495, 2415}, u""_s);
    row("Command10", "Form1", {4560, 1080, 1215, 375}, u"停止"_s, 9);
    row("Command9", "Form1", {4560, 1560, 1215, 375}, u"暂停"_s, 9);
    row("Command3", "Form1", {4560, 2040, 1215, 375}, u"开始"_s, 9);
    row("Command2", "Form1", {4560, 120, 1215, 375}, u"清空地址"_s, 9);
    row("ListView1", "Form1", {0, 2520, 12375, 6585}, none);
    row("Label6", "Form1", {120, 9135, 12135, 255}, none);
    // In Frame1.
    row("Command19", "Frame1", {4560, 1920, 1575, 375}, u"单条详细查询"_s, 9);
    row("Check3", "Frame1", {4800, 1200, 1575, 255}, u"保存域名+结果"_s);
    row("Combo1", "Frame1", {2640, 1440, 735, 300}, u"1"_s, 0,
        {u"1"_s, u"10"_s, u"15"_s, u"20"_s, u"25"_s, u"30"_s, u"40"_s, u"50"_s, u"55"_s, u"59"_s});
    row("Text4", "Frame1", {1080, 1440, 855, 270}, u"10"_s);
    row("Command8", "Frame1", {5400, 840, 975, 270}, u"确认保存"_s);
    row("Command7", "Frame1", {4320, 840, 975, 270}, u"查看结果"_s);
    row("Command6", "Frame1", {5400, 240, 975, 270}, u"确认导入"_s);
    row("Command5", "Frame1", {4320, 240, 975, 270}, u"查看网址"_s);
    row("Command4", "Frame1", {3240, 840, 975, 270}, u"重选路径"_s);
    row("Text3", "Frame1", {1080, 840, 2175, 270}, u"%1/批量结果.txt"_s);
    row("Command1", "Frame1", {3240, 240, 975, 270}, u"重选路径"_s);
    row("Text2", "Frame1", {1080, 240, 2175, 270}, u"%1/批量网址.txt"_s);
    row("Label3", "Frame1", {1080, 2040, 0, 0}, u"0"_s, 9);
    row("Label1_3", "Frame1", {480, 1480, 0, 0}, u"查询:          条，停        秒"_s, 9);
    row("Label1_1", "Frame1", {120, 880, 0, 0}, u"保存路径:"_s, 9);
    row("Label1_0", "Frame1", {120, 280, 0, 0}, u"导入路径:"_s, 9);
    row("Label1_5", "Frame1", {240, 2040, 0, 0}, u"共导入       条"_s, 9);
    row("Label2", "Frame1", {3240, 2040, 0, 0}, u"0"_s, 9);
    row("Label1_6", "Frame1", {2400, 2040, 0, 0}, u"已查询       条"_s, 9);
    // In Frame2.
    row("ListView3", "Frame2", {0, 1800, 12375, 7575}, none);
    row("ListView2", "Frame2", {0, 1800, 12375, 7575}, none);
    row("Frame3", "Frame2", {0, 0, 12375, 1815}, u""_s);
    // In Frame3.
    row("Text7", "Frame3", {7200, 1400, 1815, 270}, u"%1/单条结果.txt"_s);
    row("Command18", "Frame3", {9120, 1400, 975, 300}, u"重选路径"_s);
    row("Command17", "Frame3", {10200, 1400, 975, 300}, u"查看结果"_s);
    row("Command16", "Frame3", {11280, 1400, 975, 300}, u"确认保存"_s);
    row("Command14", "Frame3", {9480, 240, 1215, 375}, u"批量查询"_s, 9);
    row("Command15", "Frame3", {5280, 1400, 855, 300}, u"返 回"_s, 9);
    row("Combo2", "Frame3", {1080, 1400, 1815, 300}, u"搜索包含关键词:"_s, 0,
        {u"搜索包含关键词:"_s, u"查看百度指数大于"_s, u"查看百度收录大于"_s});
    row("Command13", "Frame3", {4320, 1400, 855, 300}, u"开 始"_s, 9);
    row("Text6", "Frame3", {3000, 1400, 1215, 270}, u"请输入关键词"_s);
    row("Command11", "Frame3", {8040, 240, 1215, 375}, u"开  始"_s, 9);
    row("Text5", "Frame3", {3480, 240, 4455, 375}, Form1::kSampleDomain, 9);
    row("Frame4", "Frame3", {0, 720, 12375, 615}, u""_s);
    row("Label1_4", "Frame3", {6240, 1440, 0, 0}, u"保存路径:"_s, 9);
    row("Label4_8", "Frame3", {120, 1440, 0, 0}, u"结果过滤:"_s, 9);
    row("Label5_6", "Frame3", {870, 480, 0, 0}, u"0"_s, 10.5);
    row("Label5_5", "Frame3", {870, 180, 0, 0}, u"0"_s, 10.5);
    row("Label4_7", "Frame3", {120, 525, 0, 0}, u"完成:        页"_s, 9);
    row("Label4_1", "Frame3", {120, 240, 0, 0}, u"共有:        页"_s, 9);
    row("Label4_6", "Frame3", {2160, 290, 0, 0}, u"http://"_s, 14.25);
    // In Frame4. Check5 is 240 high, not 200: at 200 its caption and box were cut at the bottom.
    row("Check5", "Frame4", {10560, 360, 1695, 240}, u"保存关键词+结果"_s);
    row("Label5_4", "Frame4", {5160, 360, 0, 0}, u"0"_s, 10.5);
    row("Label5_3", "Frame4", {8640, 360, 0, 0}, u"0"_s, 10.5);
    row("Label5_2", "Frame4", {8640, 120, 0, 0}, u"0"_s, 10.5);
    row("Label5_1", "Frame4", {5160, 120, 0, 0}, u"0"_s, 10.5);
    row("Label5_0", "Frame4", {1920, 195, 0, 0}, u"0"_s, 14.25);
    row("Label4_5", "Frame4", {3960, 120, 0, 0}, u"关键字条数:"_s, 9);
    row("Label4_4", "Frame4", {6840, 120, 0, 0}, u"估计百度能带来IP:"_s, 9);
    row("Label4_3", "Frame4", {7680, 360, 0, 0}, u"百度快照:"_s, 9);
    row("Label4_2", "Frame4", {4080, 360, 0, 0}, u"百度收录:"_s, 9);
    row("Label4_0", "Frame4", {840, 240, 0, 0}, u"百度权重:"_s, 9);
}

void TestForm::layout() {
    QFETCH(QString, container);
    QFETCH(QRect, twipsRect);
    QFETCH(QString, text);
    QFETCH(QStringList, entries);
    QFETCH(double, points);
    FormHarness h;
    QCOMPARE(h.form->size(), QSize(12390 / 15, 9570 / 15));
    auto* widget = h.form->findChild<QWidget*>(QString::fromLatin1(QTest::currentDataTag()));
    QVERIFY(widget);
    QCOMPARE(widget->parentWidget()->objectName(), container);
    const QRect pixels(twipsRect.x() / 15, twipsRect.y() / 15, twipsRect.width() / 15,
                       twipsRect.height() / 15);
    if (pixels.isEmpty()) {
        QCOMPARE(widget->pos(), pixels.topLeft());
    } else {
        QCOMPARE(widget->geometry(), pixels);
    }
    QString shown;
    if (const auto* button = qobject_cast<QAbstractButton*>(widget)) {
        shown = button->text();
    } else if (const auto* label = qobject_cast<QLabel*>(widget)) {
        shown = label->text();
        // Value labels and the run's notice are red.
        QCOMPARE(label->palette().color(QPalette::WindowText) == QColor(255, 0, 0),
                 text == u"0"_s || widget->objectName() == u"Label6"_s);
    } else if (const auto* box = qobject_cast<QLineEdit*>(widget)) {
        shown = box->text();
    } else if (const auto* combo = qobject_cast<QComboBox*>(widget)) {
        shown = combo->currentText();
        QStringList items;
        for (int i = 0; i < combo->count(); ++i) {
            items.append(combo->itemText(i));
        }
        QCOMPARE(items, entries);
    } else if (const auto* group = qobject_cast<QGroupBox*>(widget)) {
        shown = group->title();
    }
    if (!text.isNull()) {
        QCOMPARE(shown, text.contains(u"%1"_s) ? text.arg(h.folder.path()) : text);
    }
    QCOMPARE(widget->font().bold(), points > 0);
    if (points > 0) {
        QCOMPARE(widget->font().pointSizeF(), points);
    }
}

void TestForm::stackingHidesBatchView() {
    FormHarness h;
    QWidget& frame2 = h.control(u"Frame2");
    QVERIFY(h.showWindow());
    // The single view lies above the whole batch view, and the filtered list above the keyword list.
    QVERIFY(frame2.isAncestorOf(h.form->childAt(QPoint(300, 50))) ||
            h.form->childAt(QPoint(300, 50)) == &frame2);
    QVERIFY(frame2.isAncestorOf(h.form->childAt(QPoint(400, 300))));
    const QObjectList siblings = frame2.children();
    QVERIFY(siblings.indexOf(&h.control(u"ListView3")) > siblings.indexOf(&h.control(u"ListView2")));
    h.click(u"Command14");
    QVERIFY(!frame2.isAncestorOf(h.form->childAt(QPoint(400, 300))));
}

void TestForm::domainColumns() {
    // At 120 DPI a pixel is 12 twips: widths must follow the screen, not a fixed 15.
    FormHarness h(120);
    const ListView& list = h.list(u"ListView1");
    const QStringList titles = {u"序号"_s,     u"查询域名地址"_s, u"百度权重"_s, u"关键字条数"_s,
                                u"百度来量"_s, u"百度收录"_s,     u"百度反链"_s, u"百度快照"_s};
    const QList<int> pixels = {40, 100, 65, 90, 150, 90, 90, 90};
    QCOMPARE(list.items().headerCount(), 8);
    for (int i = 1; i <= 8; ++i) {
        QCOMPARE(list.items().column(i).title, titles[i - 1]);
        QCOMPARE(list.items().column(i).widthTwips, pixels[i - 1] * 12.0);
        QCOMPARE(list.items().column(i).subItemIndex, i - 1);
    }
    QCOMPARE(list.columnWidth(1), 480.0);
    QVERIFY(list.fullRowSelect());
    // A report with its header, whose cells no click or key edits.
    QCOMPARE(list.editTriggers(), QAbstractItemView::NoEditTriggers);
    QVERIFY(!list.isHeaderHidden());
}

void TestForm::viewSwitches() {
    FormHarness h;
    h.click(u"Command14");
    QVERIFY(h.control(u"Frame2").isHidden());
    QVERIFY(!h.control(u"Frame1").isHidden());
    h.click(u"Command19");
    QVERIFY(!h.control(u"Frame2").isHidden());
    QVERIFY(h.control(u"Frame1").isHidden());
    h.click(u"Command14");  // shows the batch view again
    QVERIFY(!h.control(u"Frame1").isHidden());
}

void TestForm::closeAsks() {
    FormHarness h;
    Form1& f = *h.form;
    QVERIFY(h.showWindow());
    h.importDomains({u"a.com"_s});
    h.messages.answer(MsgResult::Cancel);
    QVERIFY(!f.close());
    QCOMPARE(h.messages.shown.size(), 1);
    QCOMPARE(h.messages.shown[0].text, u"真的退出吗?"_s);
    QCOMPARE(h.messages.shown[0].title, u"退出"_s);
    QCOMPARE(h.messages.shown[0].buttons, MsgButtons::OkCancel);
    QCOMPARE(h.messages.shown[0].icon, MsgIcon::Question);
    QVERIFY(f.isVisible());
    QCOMPARE(h.ended, 0);
    QCOMPARE(h.list(u"ListView1").items().itemCount(), 1);
    h.messages.answer(MsgResult::Ok);
    QVERIFY(f.close());
    QCOMPARE(h.ended, 1);
}

void TestForm::updateNoticeOnce_data() {
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<int>("messages");
    QTest::newRow("marker twice") << QByteArray("<p>Vantorel12</p><p>Vantorel12</p>") << 1;
    QTest::newRow("no marker") << QByteArray("<p>Vantorel6</p>") << 0;
    QTest::newRow("marker without its end") << QByteArray("<p>Vantorel1</p>") << 0;
    QTest::newRow("marker without its start") << QByteArray("<p>antorel12</p>") << 0;
    QTest::newRow("lower case") << QByteArray("<p>vantorel12</p>") << 0;
    QTest::newRow("empty") << QByteArray() << 0;
    QTest::newRow("failed fetch") << QByteArray("\x01") << 0;
}

void TestForm::updateNoticeOnce() {
    QFETCH(QByteArray, page);
    QFETCH(int, messages);
    FormHarness h;
    h.http.setResponder([&](const QString&) { return FakeReply{page, 50}; });
    h.time.advance(4990);
    QVERIFY(h.http.sent().isEmpty());
    h.time.advance(10);
    QCOMPARE(h.http.sent(), QStringList{u"http://update.test/article/html/14916.html"_s});
    h.time.advance(60'000);
    QCOMPARE(h.http.sent().size(), 1);
    QCOMPARE(h.messages.shown.size(), messages);
    if (messages) {
        QCOMPARE(h.messages.shown[0].text,
                 u"有最新版本更新，功能更强大。请联系"_s + Form1::kSupportContact + u" 免费索取！"_s);
        QCOMPARE(h.messages.shown[0].title, u"Quorvane"_s);
        QCOMPARE(h.messages.shown[0].buttons, MsgButtons::Ok);
    }
}

void TestForm::updateCheckSurvivesRejectedAddress() {
    FormHarness h;
    h.http.rejectUrlsContaining(u"update.test"_s);
    h.time.advance(10'000);
    QVERIFY(h.messages.shown.isEmpty());
    QCOMPARE(h.time.activeTimers(), 0);  // no timer left to try the check again
}

void TestForm::noUpdateSiteNoRequest() {
    FormHarness h(0, QString());
    h.time.advance(10'000);
    QVERIFY(h.http.sent().isEmpty());
    QCOMPARE(h.time.activeTimers(), 0);  // nor one to ask later
}

void TestForm::startNoticeStandsBesideTheWindow() {
    FormHarness h;
    h.form->sayAtStart({});
    QVERIFY(!h.form->findChild<QMessageBox*>());
    h.form->sayAtStart({u"设置 a 无效"_s, u"统计站点尚未设置"_s});
    auto* notice = h.form->findChild<QMessageBox*>(u"startNotice"_s);
    QVERIFY(notice && notice->isVisible() && !notice->isModal());
    QCOMPARE(notice->text(), u"设置 a 无效\n\n统计站点尚未设置"_s);
    QVERIFY(h.messages.shown.isEmpty());  // no modal box: the window can be used at once
    h.click(u"Command14");
    QVERIFY(!h.form->findChild<QGroupBox*>(u"Frame2"_s)->isVisible());
}

QTEST_MAIN(TestForm)
#include "tst_form.moc"
