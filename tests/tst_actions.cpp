// SPDX-License-Identifier: GPL-3.0-or-later
// Paths, the domain file import and the double-click actions of the result lists.
#include "fetch/addresses.h"
#include "form_harness.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QPushButton>
#include <QScrollBar>
#include <QStringEncoder>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace quorvane;
using namespace quorvane::testing;

namespace {

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        qFatal("cannot write %s", qPrintable(path));
    }
    return path;
}

// Numbers and domains of the domain list, "1 a.com".
QStringList listRows(const FormDriver& h) {
    const ListModel& list = h.list(u"ListView1").items();
    QStringList rows;
    for (int row = 1; row <= list.itemCount(); ++row) {
        rows.append(list.itemText(row) + u' ' + list.subItem(row, 1));
    }
    return rows;
}

}  // namespace

class TestActions final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void domainFileImport_data();
    void domainFileImport();
    void domainFileProblemsSayWhich_data();
    void domainFileProblemsSayWhich();
    void domainFileSizeCap_data();
    void domainFileSizeCap();
    void chooseKeepsBoxOnCancel();
    void chooseListsEveryFile();
    void viewOpensOnlyMatchingFiles();
    void domainListDoubleClick();
    void domainListDoubleClickScrolled();
    void keywordListsCopyKeywords();
    void failedCopyIsNoSuccess();
    void nothingToOpenWithIsSaid();
    void closeWithinFiveSecondsSendsNothing();
    void savedListResumesWithFigures();
};

void TestActions::domainFileImport_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("rows");
    QStringEncoder gbk("GBK");
    QTest::newRow("CR LF") << QByteArray("a.com\r\nb.com\r\n") << QStringList{u"1 a.com"_s, u"2 b.com"_s};
    QTest::newRow("LF, blank and dot-less lines")
        << QByteArray("a.com\n\nword\n b.com \n") << QStringList{u"1 a.com"_s, u"4  b.com "_s};
    QTest::newRow("CR only") << QByteArray("a.com\rb.com") << QStringList{u"1 a.com"_s, u"2 b.com"_s};
    QTest::newRow("GBK from a Chinese editor") << QByteArray(gbk.encode(u"中文.cn\r\n例子.com\r\n"_s))
                                               << QStringList{u"1 中文.cn"_s, u"2 例子.com"_s};
    QTest::newRow("UTF-8 with BOM") << QByteArray("\xEF\xBB\xBF" + u"中文.cn\n"_s.toUtf8())
                                    << QStringList{u"1 中文.cn"_s};
}

void TestActions::domainFileImport() {
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, rows);
    FormHarness h;
    const QString typed = h.text(u"Text1");
    h.fill(u"Text2", writeFile(h.folder, u"批量网址.txt"_s, bytes)).click(u"Command6");
    QCOMPARE(listRows(h), rows);
    QCOMPARE(h.text(u"Label3"), QString::number(rows.size()));
    QVERIFY(h.control<QPushButton>(u"Command3").isEnabled());
    QCOMPARE(h.text(u"Text1"), typed);  // what the user typed stays
    QVERIFY(h.messages.shown.isEmpty());
}

void TestActions::domainFileProblemsSayWhich_data() {
    QTest::addColumn<QString>("name");  // empty: the folder itself; absolute: that path
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing") << u"none.txt"_s << QByteArray() << u"找不到网址文件："_s;
    QTest::newRow("a folder") << QString() << QByteArray() << u"这不是一个文件："_s;
    QTest::newRow("not text") << u"x.png"_s << QByteArray("\x89PNG\r\n\x1a\n\0\0\0", 11)
                              << u"网址文件不是文本文件："_s;
    // Opens, then fails to read: no empty list in place of the user's.
    QTest::newRow("read fails") << u"/proc/self/mem"_s << QByteArray() << u"无法读取网址文件："_s;
}

void TestActions::domainFileProblemsSayWhich() {
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);
    FormHarness h;
    h.importDomains({u"keep.com"_s});
    QString path = name.isEmpty() ? h.folder.path() : name.startsWith(u'/') ? name : h.folder.filePath(name);
    if (!bytes.isEmpty()) {
        path = writeFile(h.folder, name, bytes);
    }
    h.fill(u"Text2", path).click(u"Command6");
    QCOMPARE(h.messages.texts(), QStringList{message + path});
    QCOMPARE(listRows(h), QStringList{u"1 keep.com"_s});
    QCOMPARE(h.text(u"Label3"), u"1"_s);
}

void TestActions::domainFileSizeCap_data() {
    QTest::addColumn<qint64>("size");
    QTest::addColumn<bool>("refused");
    QTest::newRow("at 64 MiB") << qint64{64} * 1024 * 1024 << false;
    QTest::newRow("just over") << qint64{64} * 1024 * 1024 + 1 << true;
}

void TestActions::domainFileSizeCap() {
    QFETCH(qint64, size);
    QFETCH(bool, refused);
    FormHarness h;
    h.importDomains({u"keep.com"_s});
    QFile file(writeFile(h.folder, u"big.txt"_s, "a.com\n"));
    QVERIFY(file.resize(size));  // sparse: the rest reads as zero bytes, which are no text
    h.fill(u"Text2", file.fileName()).click(u"Command6");
    QCOMPARE(h.messages.texts().contains(u"网址文件太大（超过 64 MB）："_s + file.fileName()), refused);
    QCOMPARE(h.messages.shown.size(), 1);
    QCOMPARE(listRows(h), QStringList{u"1 keep.com"_s});
}

void TestActions::chooseKeepsBoxOnCancel() {
    FormHarness h;
    h.fill(u"Text3", u"edited by hand"_s).click(u"Command4");
    QCOMPARE(h.text(u"Text3"), u"edited by hand"_s);
    QCOMPARE(h.dialogs.titles, QStringList{u"打开文件"_s});
    QCOMPARE(h.dialogs.folders, QStringList{h.folder.path()});
    h.dialogs.next = u"/tmp/chosen.txt"_s;
    for (const auto* choose : {u"Command1", u"Command4", u"Command18"}) {
        h.click(choose);
    }
    QCOMPARE(h.text(u"Text2"), u"/tmp/chosen.txt"_s);
    QCOMPARE(h.text(u"Text3"), u"/tmp/chosen.txt"_s);
    QCOMPARE(h.text(u"Text7"), u"/tmp/chosen.txt"_s);
}

void TestActions::chooseListsEveryFile() {
    FormHarness h;
    for (const auto* choose : {u"Command1", u"Command4", u"Command18"}) {
        h.click(choose);
    }
    QCOMPARE(h.dialogs.filters.size(), 3);
    for (const QString& filter : h.dialogs.filters) {
        QFileDialog dialog(nullptr, QString(), h.folder.path(), filter);
        const auto* files = dialog.findChild<QFileSystemModel*>();
        QVERIFY(files);
        for (const QString& name : {u"README"_s, u"批量网址.txt"_s, u".hidden"_s}) {
            QVERIFY2(QDir::match(files->nameFilters(), name), qPrintable(filter + u" hides "_s + name));
        }
    }
}

void TestActions::viewOpensOnlyMatchingFiles() {
    FormHarness h;
    QDir(h.folder.path()).mkdir(u"sub.txt"_s);
    const QString hidden = writeFile(h.folder, u".hidden.txt"_s, "x");
    writeFile(h.folder, u"z.txt"_s, "x");  // matches too, but comes later by name
    QStringList unopened;
    for (const QString& name : {u"missing.txt"_s, u"sub.txt"_s /* a folder */, u"*.csv"_s}) {
        h.fill(u"Text3", h.folder.filePath(name)).click(u"Command7");
        unopened.append(u"找不到要打开的文件："_s + h.folder.filePath(name));
    }
    QVERIFY(h.shell.files.isEmpty());
    QCOMPARE(h.messages.texts(), unopened);
    h.fill(u"Text3", h.folder.filePath(u"*.txt"_s)).click(u"Command7");  // the hidden file, never the folder
    h.fill(u"Text7", hidden).click(u"Command17");
    h.fill(u"Text2", h.folder.filePath(u"?hidden.txt"_s));
    h.fill(u"Text3", h.folder.filePath(u"z.txt"_s)).click(u"Command5");
    QCOMPARE(h.shell.files, (QStringList{hidden, hidden, hidden}));
}

void TestActions::domainListDoubleClick() {
    FormHarness h;
    QVERIFY(h.showWindow());
    h.importDomains({u"a.com"_s, u"b#?.com"_s});
    ListView& list = h.list(u"ListView1");
    const int left6 = leftPixels(list, 6);
    doubleClick(list, left6 + 1, 2);
    QCOMPARE(h.shell.urls, QStringList{u"http://search.test/s?wd=site%3Ab%23%3F.com"_s});
    doubleClick(list, left6 - 1, 2);  // column 5
    doubleClick(list, left6, 2);      // the edge itself belongs to column 5 too
    QCOMPARE(h.shell.urls.size(), 1);
    doubleClick(list, leftPixels(list, 7) + 1, 1, true);  // the row's first pixel line is the row's
    QCOMPARE(h.shell.urls.last(), u"http://search.test/s?wd=domain%3Aa.com"_s);
    for (const int column : {1, 3, 4, 5, 8}) {
        doubleClick(list, leftPixels(list, column) + 2, 1);
    }
    doubleClick(list, leftPixels(list, 7) + 1, 0);  // below the last row, a row still selected
    QCOMPARE(h.shell.urls.size(), 2);
    QVERIFY(h.messages.shown.isEmpty());
    doubleClick(list, leftPixels(list, 2) + 1, 2);
    QCOMPARE(h.clipboard.text(), u"b#?.com"_s);
    QCOMPARE(h.messages.texts(), QStringList{u"复制成功，您可以粘贴到任意处！"_s});
    QCOMPARE(h.messages.shown[0].buttons, MsgButtons::Ok);
}

void TestActions::domainListDoubleClickScrolled() {
    FormHarness h;
    h.form->resize(826, 638);
    QVERIFY(h.showWindow());
    h.importDomains({u"a.com"_s});
    ListView& list = h.list(u"ListView1");
    list.setFixedWidth(300);  // narrow enough to scroll
    QApplication::processEvents();
    list.horizontalScrollBar()->setValue(250);
    QApplication::processEvents();
    QVERIFY(list.columnLeft(6) / list.twipsPerPixelX() < 300);
    doubleClick(list, leftPixels(list, 6) + 1, 1);
    QCOMPARE(h.shell.urls, QStringList{u"http://search.test/s?wd=site%3Aa.com"_s});
}

void TestActions::keywordListsCopyKeywords() {
    FormHarness h;
    QVERIFY(h.showWindow());
    h.http.setResponder([](const QString&) { return FakeReply{std::nullopt, 0, true}; });
    ListView& keywords = h.list(u"ListView2");
    keywords.items().addRow({u"1"_s, u"百度 地图"_s, u"2"_s, u"100"_s, u"5"_s, u"t"_s});
    keywords.items().addRow({u"2"_s, u"天气 地图"_s, u"3"_s, u"100"_s, u"5"_s, u"t"_s});
    keywords.addColumn(u"序号"_s, 600);
    keywords.addColumn(u"关键字"_s, 2250);
    keywords.addColumn(u"百度排名"_s, 1350);
    doubleClick(keywords, leftPixels(keywords, 3) + 1, 1);
    QVERIFY(h.messages.shown.isEmpty());
    doubleClick(keywords, leftPixels(keywords, 2) + 1, 1);
    QCOMPARE(h.clipboard.text(), u"百度 地图"_s);
    h.filter(0, u"天气"_s);
    doubleClick(h.list(u"ListView3"), leftPixels(h.list(u"ListView3"), 2) + 1, 1);
    QCOMPARE(h.clipboard.text(), u"天气 地图"_s);
    QCOMPARE(h.messages.texts(), QStringList(2, u"关键词复制成功，您可以粘贴到任意处！"_s));
}

void TestActions::failedCopyIsNoSuccess() {
    FormHarness h;
    QVERIFY(h.showWindow());
    h.importDomains({u"a.com"_s});
    h.clipboard.busy = true;
    doubleClick(h.list(u"ListView1"), leftPixels(h.list(u"ListView1"), 2) + 1, 1);
    QCOMPARE(h.messages.shown.size(), 1);
    QVERIFY(!h.messages.shown[0].text.contains(u"成功"_s));
}

void TestActions::nothingToOpenWithIsSaid() {
    FormHarness h;
    QVERIFY(h.showWindow());
    h.shell.missing = true;
    h.fill(u"Text3", writeFile(h.folder, u"x.txt"_s, "x")).click(u"Command7");
    h.importDomains({u"a.com"_s});
    doubleClick(h.list(u"ListView1"), leftPixels(h.list(u"ListView1"), DomainCell::Indexed + 1) + 1, 1);
    QCOMPARE(
        h.messages.texts(),
        (QStringList{u"无法打开文件："_s + h.shell.files.value(0) + u"\n没有找到可以打开它的程序。"_s,
                     u"无法打开网页："_s + h.shell.urls.value(0) + u"\n没有找到可以打开它的浏览器。"_s}));
    QCOMPARE(h.messages.shown[1].icon, MsgIcon::Critical);
}

void TestActions::closeWithinFiveSecondsSendsNothing() {
    FormHarness h;
    h.form->show();
    h.time.advance(3000);
    h.messages.answer(MsgResult::Ok);
    QVERIFY(h.form->close());
    QCOMPARE(h.ended, 1);
    h.time.advance(10'000);
    QVERIFY(h.http.sent().isEmpty());
}

// A list saved whole rows at a time comes back with its figures; Ctrl+R then asks only for the rest.
void TestActions::savedListResumesWithFigures() {
    FormHarness h;
    h.importDomains({u"a.com"_s, u"b.com"_s});
    h.pressStart();
    h.time.advance(5000);
    const QString saved = h.folder.filePath(u"saved.txt"_s);
    h.fill(u"Text3", saved).click(u"Check3");
    h.messages.answer(MsgResult::Ok);
    h.click(u"Command8");
    QFile file(saved);
    QVERIFY(file.open(QIODevice::Append));
    file.write("c.com\r\nd.com|1|2\r\n");  // half done: c.com not queried yet
    file.close();
    h.fill(u"Text2", saved).click(u"Command6");
    QCOMPARE(h.list(u"ListView1").items().itemCount(), 4);
    QCOMPARE(h.rowCells(1), expectedCells(u"a.com"_s));
    QCOMPARE(h.rowCells(2), expectedCells(u"b.com"_s));
    QCOMPARE(h.rowCells(3).mid(1), QStringList(6, u"..."_s));
    QCOMPARE(h.rowCells(4).first(), u"d.com|1|2"_s);  // not a whole row: a domain line, as ever
    const int sent = static_cast<int>(h.http.sent().size());
    h.click(u"Command14");  // Ctrl+R retries in the batch view
    h.pressKey(Qt::Key_R);
    h.time.advance(5000);
    QCOMPARE(h.http.sent().size() - sent, 6);  // the pages of c.com and of "d.com|1|2"
    QCOMPARE(h.rowCells(3), expectedCells(u"c.com"_s));
}

QTEST_MAIN(TestActions)
#include "tst_actions.moc"
