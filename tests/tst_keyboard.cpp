// SPDX-License-Identifier: GPL-3.0-or-later
// The window by keyboard: which controls Tab reaches in each view, Enter in the boxes, the window's keys
// from every box under a Linux desktop's key bindings, and copying rows out of the lists.
#include "form_harness.h"

#include <QApplication>
#include <QTest>
#include <QtPlugin>

Q_IMPORT_PLUGIN(DesktopKeysThemePlugin)

using namespace Qt::StringLiterals;
using namespace quorvane;
using quorvane::testing::FormHarness;

namespace {

// The object names Tab visits from the focused control, until it comes round again.
QStringList tabWalk(QWidget* from) {
    from->setFocus();
    QStringList names{from->objectName()};
    for (int i = 0; i < 40; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* now = QApplication::focusWidget();
        if (now == from) {
            break;
        }
        // A combo box's line edit stands for the combo box.
        names.append(now->objectName().isEmpty() ? now->parentWidget()->objectName() : now->objectName());
    }
    return names;
}

}  // namespace

class TestKeyboard final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void tabStaysInTheShownView();
    void enterInBoxesPressesTheirButton();
    void windowKeysFromEveryBox_data();
    void windowKeysFromEveryBox();
    void listsSelectAllAndCopyRows();
};

void TestKeyboard::tabStaysInTheShownView() {
    FormHarness h;
    QVERIFY(h.showActive());
    QCOMPARE(tabWalk(&h.control(u"Text5")),
             (QStringList{u"Text5"_s, u"Command11"_s, u"Command14"_s, u"Check5"_s, u"Combo2"_s, u"Text6"_s,
                          u"Command13"_s, u"Command15"_s, u"Text7"_s, u"Command18"_s, u"Command17"_s,
                          u"Command16"_s, u"ListView2"_s}));
    h.importDomains({u"a.com"_s});
    h.click(u"Command14");
    // Tab in the domain box moves on instead of typing a tab into a domain line.
    const QString domains = h.text(u"Text1");
    QCOMPARE(tabWalk(&h.control(u"Text1")),
             (QStringList{u"Text1"_s, u"Command2"_s, u"Command12"_s, u"Command10"_s, u"Command9"_s,
                          u"Command3"_s, u"Text2"_s, u"Command1"_s, u"Command5"_s, u"Command6"_s, u"Text3"_s,
                          u"Command4"_s, u"Command7"_s, u"Command8"_s, u"Check3"_s, u"Text4"_s, u"Combo1"_s,
                          u"Command19"_s, u"ListView1"_s}));
    QCOMPARE(h.text(u"Text1"), domains);
    // Back in the single view, the covered batch controls take no keys.
    h.click(u"Command19");
    QVERIFY(!tabWalk(&h.control(u"Text5")).contains(u"Command12"_s));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    QTest::keyClicks(QApplication::focusWidget(), u"x"_s);
    QCOMPARE(h.text(u"Text1"), domains);
    QCOMPARE(h.cell(1, 1), u"a.com"_s);
    for (const auto* covered : {u"Command12", u"Text1", u"Command2", u"ListView1"}) {
        QVERIFY2(!h.control(covered).isVisibleTo(h.form.get()), qPrintable(QString::fromUtf16(covered)));
    }
}

void TestKeyboard::enterInBoxesPressesTheirButton() {
    FormHarness h;
    QVERIFY(h.showActive());
    h.fill(u"Text5", u"enter.com"_s);
    QTest::keyClick(&h.control(u"Text5"), Qt::Key_Return);
    QCOMPARE(h.sentStats(), QStringList{u"http://stats.test/baidu/enter.com"_s});
    h.list(u"ListView2").items().addRow({u"1"_s, u"百度"_s, u"1"_s, u"1"_s, u"1"_s, u"t"_s});
    h.fill(u"Text6", u"百度"_s);
    QTest::keyClick(&h.control(u"Text6"), Qt::Key_Enter);
    QVERIFY(!h.list(u"ListView3").isHidden());
    QCOMPARE(h.list(u"ListView3").items().itemCount(), 1);
}

void TestKeyboard::windowKeysFromEveryBox_data() {
    QTest::addColumn<QByteArray>("desktop");
    QTest::addColumn<QString>("box");
    QTest::addColumn<int>("key");  // Ctrl+R only in the batch view, which has rows to retry
    const QStringList batchBoxes{u"Text1"_s, u"Text2"_s, u"Text3"_s, u"Text4"_s, u"Combo1"_s};
    for (const QByteArray desktop : {"x11", "kde", "gnome"}) {
        for (const QString& box : batchBoxes + QStringList{u"Text5"_s, u"Text6"_s, u"Text7"_s, u"Combo2"_s}) {
            for (const int key : {int(Qt::Key_E), int(Qt::Key_R)}) {
                if (key == Qt::Key_E || batchBoxes.contains(box)) {
                    QTest::addRow("%s, Ctrl+%c in %s", desktop.data(), char(key), qPrintable(box))
                        << desktop << box << key;
                }
            }
        }
    }
}

void TestKeyboard::windowKeysFromEveryBox() {
    QFETCH(QByteArray, desktop);
    QFETCH(QString, box);
    QFETCH(int, key);
    qputenv("QUORVANE_TEST_KEYS", desktop);
    // Under these bindings a line edit takes Ctrl+E for itself, or this test would show nothing.
    QVERIFY(QKeySequence::keyBindings(QKeySequence::MoveToEndOfLine).contains(QKeySequence(u"Ctrl+E"_s)));
    FormHarness h;
    QVERIFY(h.showActive());
    QWidget* target = &h.control(box);
    if (!target->isVisible()) {
        h.click(u"Command14");
    }
    target->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), Qt::ControlModifier);
    // What each key's action says of the empty list.
    QCOMPARE(h.messages.texts(), QStringList{key == Qt::Key_E ? u"列表中没有数据，无需导出。"_s
                                                              : u"没有失败或未完成的行，无需重新查询。"_s});
}

void TestKeyboard::listsSelectAllAndCopyRows() {
    FormHarness h;
    QVERIFY(h.showActive());
    h.click(u"Command14");
    h.importDomains({u"b.com"_s, u"a.com"_s});
    h.clickHeader(u"ListView1", 2);  // shown: b.com, a.com
    ListView& domains = h.list(u"ListView1");
    domains.setFocus();
    QTest::keyClick(&domains, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(&domains, Qt::Key_C, Qt::ControlModifier);
    const QString dots = u"\t...\t...\t...\t...\t...\t...\n"_s;
    QCOMPARE(h.clipboard.text(), u"1\tb.com"_s + dots + u"2\ta.com"_s + dots);
    QVERIFY(h.messages.shown.isEmpty());
    // Right moves the current cell along its row: the column of the menu key's 升序 and 降序.
    domains.setCurrentIndex(domains.items().index(0, 0));
    QTest::keyClick(&domains, Qt::Key_Right);
    QCOMPARE(domains.currentIndex(), domains.items().index(0, 1));
    // The keyword lists copy the same way: one selected row, in its cells.
    h.click(u"Command19");
    h.querySingle(u"kw.com"_s);
    h.time.advance(5000);
    ListView& keywords = h.list(u"ListView2");
    keywords.setFocus();
    keywords.selectItem(2);
    QTest::keyClick(&keywords, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(h.clipboard.text(), keywords.items().cells(2).join(u'\t') + u'\n');
    QVERIFY(keywords.items().subItem(2, 1) != u"..."_s);
}

QTEST_MAIN(TestKeyboard)
#include "tst_keyboard.moc"
