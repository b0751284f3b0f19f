// SPDX-License-Identifier: GPL-3.0-or-later
// The window by keyboard: which controls Tab reaches in each view, Enter in the boxes, the window's keys
// from every box under a Linux desktop's key bindings, and copying rows out of the lists.
#include "form_harness.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
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

void showActive(Form1& f) {
    f.show();
    f.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&f));
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
    Form1& f = *h.form;
    showActive(f);
    QCOMPARE(tabWalk(f.Text5),
             (QStringList{u"Text5"_s, u"Command11"_s, u"Command14"_s, u"Check5"_s, u"Combo2"_s, u"Text6"_s,
                          u"Command13"_s, u"Command15"_s, u"Text7"_s, u"Command18"_s, u"Command17"_s,
                          u"Command16"_s, u"ListView2"_s}));
    h.importDomains({u"a.com"_s});
    f.Command14->click();
    // Tab in the domain box moves on instead of typing a tab into a domain line.
    const QString domains = f.Text1->toPlainText();
    QCOMPARE(tabWalk(f.Text1),
             (QStringList{u"Text1"_s, u"Command2"_s, u"Command12"_s, u"Command10"_s, u"Command9"_s,
                          u"Command3"_s, u"Text2"_s, u"Command1"_s, u"Command5"_s, u"Command6"_s, u"Text3"_s,
                          u"Command4"_s, u"Command7"_s, u"Command8"_s, u"Check3"_s, u"Text4"_s, u"Combo1"_s,
                          u"Command19"_s, u"ListView1"_s}));
    QCOMPARE(f.Text1->toPlainText(), domains);
    // Back in the single view, the covered batch controls take no keys.
    f.Command19->click();
    QVERIFY(!tabWalk(f.Text5).contains(u"Command12"_s));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    QTest::keyClicks(QApplication::focusWidget(), u"x"_s);
    QCOMPARE(f.Text1->toPlainText(), domains);
    QCOMPARE(f.ListView1->items().subItem(1, 1), u"a.com"_s);
    for (QWidget* covered : {static_cast<QWidget*>(f.Command12), static_cast<QWidget*>(f.Text1),
                             static_cast<QWidget*>(f.Command2), static_cast<QWidget*>(f.ListView1)}) {
        QVERIFY2(!covered->isVisibleTo(&f), qPrintable(covered->objectName()));
    }
}

void TestKeyboard::enterInBoxesPressesTheirButton() {
    FormHarness h;
    Form1& f = *h.form;
    showActive(f);
    f.Text5->setText(u"enter.com"_s);
    QTest::keyClick(f.Text5, Qt::Key_Return);
    QCOMPARE(h.sentStats(), QStringList{u"http://stats.test/baidu/enter.com"_s});
    f.ListView2->items().addRow({u"1"_s, u"百度"_s, u"1"_s, u"1"_s, u"1"_s, u"t"_s});
    f.Text6->setText(u"百度"_s);
    QTest::keyClick(f.Text6, Qt::Key_Enter);
    QVERIFY(!f.ListView3->isHidden());
    QCOMPARE(f.ListView3->items().itemCount(), 1);
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
    showActive(*h.form);
    auto* target = h.form->findChild<QWidget*>(box);
    if (!target->isVisible()) {
        h.form->Command14->click();
    }
    target->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), Qt::ControlModifier);
    // What each key's action says of the empty list.
    QCOMPARE(h.messages.texts(), QStringList{key == Qt::Key_E ? u"列表中没有数据，无需导出。"_s
                                                              : u"没有失败或未完成的行，无需重新查询。"_s});
}

void TestKeyboard::listsSelectAllAndCopyRows() {
    FormHarness h;
    Form1& f = *h.form;
    showActive(f);
    f.Command14->click();
    h.importDomains({u"b.com"_s, u"a.com"_s});
    f.ListView1_ColumnClick(2);  // shown: b.com, a.com
    f.ListView1->setFocus();
    QTest::keyClick(f.ListView1, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(f.ListView1, Qt::Key_C, Qt::ControlModifier);
    const QString dots = u"\t...\t...\t...\t...\t...\t...\n"_s;
    QCOMPARE(h.clipboard.text(), u"1\tb.com"_s + dots + u"2\ta.com"_s + dots);
    QVERIFY(h.messages.shown.isEmpty());
    // Right moves the current cell along its row: the column of the menu key's 升序 and 降序.
    f.ListView1->setCurrentIndex(f.ListView1->items().index(0, 0));
    QTest::keyClick(f.ListView1, Qt::Key_Right);
    QCOMPARE(f.ListView1->currentIndex(), f.ListView1->items().index(0, 1));
    // The keyword lists copy the same way: one selected row, in its cells.
    f.Command19->click();
    h.querySingle(u"kw.com"_s);
    h.time.advance(5000);
    f.ListView2->setFocus();
    f.ListView2->selectItem(2);
    QTest::keyClick(f.ListView2, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(h.clipboard.text(), f.ListView2->items().cells(2).join(u'\t') + u'\n');
    QVERIFY(f.ListView2->items().subItem(2, 1) != u"..."_s);
}

QTEST_MAIN(TestKeyboard)
#include "tst_keyboard.moc"
