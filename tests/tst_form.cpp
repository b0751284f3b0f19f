#include "form_harness.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace quorvane;
using quorvane::testing::FakeReply;
using quorvane::testing::FormHarness;

namespace {

QRect twips(int left, int top, int width, int height) {
    return {left / 15, top / 15, width / 15, height / 15};
}

}  // namespace

class TestForm final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void startState();
    void captionsAndInitialTexts();
    void geometryInTwips_data();
    void geometryInTwips();
    void stackingHidesBatchView();
    void domainColumns();
    void viewSwitches();
    void closeAsks();
    void updateNoticeOnce_data();
    void updateNoticeOnce();
    void updateCheckSurvivesRejectedAddress();
    void noUpdateSiteNoRequest();
};

void TestForm::startState() {
    FormHarness h;
    Form1& f = *h.form;
    for (QPushButton* b : {f.Command2, f.Command3, f.Command9, f.Command10}) {
        QVERIFY2(!b->isEnabled(), qPrintable(b->objectName()));
    }
    QVERIFY(f.Command12->isEnabled());
    QVERIFY(f.ListView3->isHidden());
    QVERIFY(!f.ListView2->isHidden());
    QVERIFY(!f.Frame2->isHidden());
    QCOMPARE(f.StatsRow(), 1);
    QCOMPARE(f.DomainQueryRow(), 1);
    QCOMPARE(f.SiteQueryRow(), 1);
    QCOMPARE(f.ProgressRow, 1);
    QCOMPARE(f.KeywordRow(), 0);
    QCOMPARE(f.PauseAt, 0);
    QCOMPARE(f.Check1 + f.Check2 + f.Check4, 0);
    QVERIFY(!f.Check3->isChecked());
    QVERIFY(!f.Check5->isChecked());
    QVERIFY(!f.Timer1.Enabled());
    QCOMPARE(f.Timer1.Interval(), 10);
    QVERIFY(f.Timer2.Enabled());
    QCOMPARE(f.Timer2.Interval(), 0);
    QVERIFY(!f.Timer2.isRunning());
    QVERIFY(f.Timer3.Enabled());
    QCOMPARE(f.Timer3.Interval(), 5000);
    QCOMPARE(f.ListView1->items().itemCount(), 0);
    // Start cannot be clicked before an import.
    QTest::mouseClick(f.Command3, Qt::LeftButton);
    QVERIFY(h.http.sent().isEmpty());
}

void TestForm::captionsAndInitialTexts() {
    FormHarness h;
    Form1& f = *h.form;
    QVERIFY(f.windowTitle().startsWith(u"Vantorel6.0        "_s));
    const QList<std::pair<QPushButton*, QString>> buttons = {
        {f.Command1, u"重选路径"_s},     {f.Command2, u"清空地址"_s},  {f.Command3, u"开始"_s},
        {f.Command4, u"重选路径"_s},     {f.Command5, u"查看网址"_s},  {f.Command6, u"确认导入"_s},
        {f.Command7, u"查看结果"_s},     {f.Command8, u"确认保存"_s},  {f.Command9, u"暂停"_s},
        {f.Command10, u"停止"_s},        {f.Command11, u"开  始"_s},   {f.Command12, u"手动导入"_s},
        {f.Command13, u"开 始"_s},       {f.Command14, u"批量查询"_s}, {f.Command15, u"返 回"_s},
        {f.Command16, u"确认保存"_s},    {f.Command17, u"查看结果"_s}, {f.Command18, u"重选路径"_s},
        {f.Command19, u"单条详细查询"_s}};
    for (const auto& [button, caption] : buttons) {
        QCOMPARE(button->text(), caption);
    }
    QCOMPARE(f.Command12->font().bold(), true);
    QCOMPARE(f.Command8->font().bold(), false);
    const QStringList lines = f.Text1->toPlainText().split(u'\n');
    QCOMPARE(lines.size(), 4);  // three names, each followed by a line break
    QVERIFY(lines.last().isEmpty());
    QCOMPARE(f.Text4->text(), u"10"_s);
    QCOMPARE(f.Combo1->currentText(), u"1"_s);
    QCOMPARE(f.Combo1->count(), 10);
    QCOMPARE(f.Combo1->itemText(9), u"59"_s);
    QCOMPARE(f.Combo2->currentText(), u"搜索包含关键词:"_s);
    QCOMPARE(f.Combo2->itemText(2), u"查看百度收录大于"_s);
    QCOMPARE(f.Text6->text(), u"请输入关键词"_s);
    QCOMPARE(f.Text5->text(), Form1::kSampleDomain);
    QVERIFY(f.Text3->text().endsWith(u"/批量结果.txt"_s));
    QVERIFY(f.Text2->text().endsWith(u"/批量网址.txt"_s));
    QVERIFY(f.Text7->text().endsWith(u"/单条结果.txt"_s));
    QCOMPARE(f.Label1[3]->text(), u"查询:          条，停        秒"_s);
    QCOMPARE(f.Label1[5]->text(), u"共导入       条"_s);
    QCOMPARE(f.Label1[6]->text(), u"已查询       条"_s);
    QCOMPARE(f.Label4[1]->text(), u"共有:        页"_s);
    QCOMPARE(f.Label4[4]->text(), u"估计百度能带来IP:"_s);
    QCOMPARE(f.Label4[6]->text(), u"http://"_s);
    QCOMPARE(f.Label4[6]->font().pointSizeF(), 14.25);
    for (QLabel* value : f.Label5) {
        QCOMPARE(value->text(), u"0"_s);
        QCOMPARE(value->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    }
    QCOMPARE(f.Label5[0]->font().pointSizeF(), 14.25);
    QCOMPARE(f.Label5[1]->font().pointSizeF(), 10.5);
    QCOMPARE(f.Label2->text(), u"0"_s);
    QCOMPARE(f.Label3->palette().color(QPalette::WindowText), QColor(255, 0, 0));
}

void TestForm::geometryInTwips_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");
    QTest::newRow("Frame2") << u"Frame2"_s << twips(0, 0, 12375, 9615);
    QTest::newRow("Command12") << u"Command12"_s << twips(4560, 600, 1215, 375);
    QTest::newRow("Text1") << u"Text1"_s << twips(0, 120, 4335, 2295);
    QTest::newRow("ListView1") << u"ListView1"_s << twips(0, 2520, 12375, 6855);
    QTest::newRow("Command19 in Frame1") << u"Command19"_s << twips(4560, 1920, 1575, 375);
    QTest::newRow("Text3") << u"Text3"_s << twips(1080, 840, 2175, 270);
    QTest::newRow("ListView2") << u"ListView2"_s << twips(0, 1800, 12375, 7575);
    QTest::newRow("Text5") << u"Text5"_s << twips(3480, 240, 4455, 375);
    QTest::newRow("Frame4") << u"Frame4"_s << twips(0, 720, 12375, 615);
    QTest::newRow("Check5") << u"Check5"_s << twips(10560, 360, 1695, 240);
}

void TestForm::geometryInTwips() {
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    FormHarness h;
    auto* widget = h.form->findChild<QWidget*>(name);
    QVERIFY(widget);
    QCOMPARE(widget->geometry(), geometry);
    QCOMPARE(h.form->size(), QSize(826, 638));
}

void TestForm::stackingHidesBatchView() {
    FormHarness h;
    Form1& f = *h.form;
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    // The single view lies above the whole batch view, and the filtered list above the keyword list.
    QVERIFY(f.Frame2->isAncestorOf(f.childAt(QPoint(300, 50))) || f.childAt(QPoint(300, 50)) == f.Frame2);
    QVERIFY(f.Frame2->isAncestorOf(f.childAt(QPoint(400, 300))));
    const QObjectList siblings = f.Frame2->children();
    QVERIFY(siblings.indexOf(f.ListView3) > siblings.indexOf(f.ListView2));
    f.Command14_Click();
    QVERIFY(!f.Frame2->isAncestorOf(f.childAt(QPoint(400, 300))));
}

void TestForm::domainColumns() {
    // At 120 DPI a pixel is 12 twips: widths must follow the screen, not a fixed 15.
    FormHarness h(120);
    const ListView& list = *h.form->ListView1;
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
    QCOMPARE(list.labelEdit(), 1);
    QCOMPARE(list.viewMode(), 3);
}

void TestForm::viewSwitches() {
    FormHarness h;
    Form1& f = *h.form;
    f.Command14->click();
    QVERIFY(f.Frame2->isHidden());
    QVERIFY(!f.Frame1->isHidden());
    f.Command19->click();
    QVERIFY(!f.Frame2->isHidden());
    QVERIFY(f.Frame1->isHidden());
}

void TestForm::closeAsks() {
    FormHarness h;
    Form1& f = *h.form;
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
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
    QCOMPARE(f.ListView1->items().itemCount(), 1);
    h.messages.answer(MsgResult::Ok);
    QVERIFY(f.close());
    QCOMPARE(h.ended, 1);
}

void TestForm::updateNoticeOnce_data() {
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<int>("messages");
    QTest::newRow("marker twice") << QByteArray("<p>Vantorel12</p><p>Vantorel12</p>") << 1;
    QTest::newRow("no marker") << QByteArray("<p>Vantorel6</p>") << 0;
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
    QVERIFY(!h.form->Timer3.Enabled());
}

void TestForm::noUpdateSiteNoRequest() {
    FormHarness h(0, QString());
    h.time.advance(10'000);
    QVERIFY(h.http.sent().isEmpty());
    QVERIFY(!h.form->Timer3.Enabled());
}

QTEST_MAIN(TestForm)
#include "tst_form.moc"
