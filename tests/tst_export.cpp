// SPDX-License-Identifier: GPL-3.0-or-later
// Exporting the lists to CSV files, and the lists' context menus.
#include "batch/batch_command.h"
#include "form_harness.h"

#include <sys/resource.h>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <tuple>

using namespace Qt::StringLiterals;
using namespace quorvane;
using namespace quorvane::testing;

namespace {

const QString kCsv = u"CSV 文件 (*.csv)"_s;
const QString kAll = u"所有文件 (*)"_s;
const QByteArray kKeywordHeader =
    u"\uFEFF序号,关键字,百度排名,百度搜索指数,百度收录量,网页标题\r\n"_s.toUtf8();
const QByteArray kKeyword2 = u"2,\"天气, 预报\",3,\"1,200\",6,\"\"\"天气\"\"\"\r\n"_s.toUtf8();

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void showActive(FormDriver& h, bool batchView) {
    QVERIFY(h.showActive());
    if (batchView) {
        h.click(u"Command14");
    }
}

// Two keyword rows under the keyword columns, as a keyword run leaves them.
void addKeywords(const FormDriver& h) {
    ListView& list = h.list(u"ListView2");
    for (const auto* title : {u"序号", u"关键字", u"百度排名", u"百度搜索指数", u"百度收录量", u"网页标题"}) {
        list.addColumn(QString::fromUtf16(title), 1200);
    }
    list.items().addRow({u"1"_s, u"百度 地图"_s, u"2"_s, u"100"_s, u"5"_s, u"标题"_s});
    list.items().addRow({u"2"_s, u"天气, 预报"_s, u"3"_s, u"1,200"_s, u"6"_s, u"\"天气\""_s});
}

// The middle of a row's first cell, in the list's client pixels.
QPoint clientPoint(ListView& list, int row) {
    const QPoint inViewport = list.visualRect(list.items().index(row - 1, 0)).center();
    return list.viewport()->mapTo(&list, inViewport) - list.contentsRect().topLeft();
}

// The entries' texts, "-" before a disabled one.
QStringList entries(const QMenu& menu) {
    QStringList texts;
    for (const QAction* entry : menu.actions()) {
        if (!entry->isSeparator()) {
            texts.append((entry->isEnabled() ? u""_s : u"-"_s) + entry->text());
        }
    }
    return texts;
}

// The context menu a right-click at a point of list's client pixels opens.
QMenu& menuAt(ListView& list, QPoint client) {
    const QPoint inViewport = list.viewport()->mapFrom(&list, client + list.contentsRect().topLeft());
    QContextMenuEvent click(QContextMenuEvent::Mouse, inViewport, list.viewport()->mapToGlobal(inViewport));
    QApplication::sendEvent(list.viewport(), &click);
    const QList<QMenu*> menus = list.findChildren<QMenu*>(Qt::FindDirectChildrenOnly);
    if (menus.isEmpty()) {
        qFatal("no context menu");
    }
    return *menus.last();  // the newest
}

QAction* entry(const QMenu& menu, const QString& text) {
    for (QAction* action : menu.actions()) {
        if (action->text() == text) {
            return action;
        }
    }
    qFatal("no entry %s", qPrintable(text));
}

}  // namespace

class TestExport final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void batchExportWritesTheSortedList();
    void commandLineWritesTheSameCsv();
    void keywordExportWritesTheListShown();
    void cancelAndEmptyListWriteNothing();
    void failedWriteKeepsTheOldFile();
    void menuEntriesEnabledByRowAndSelection();
    void menuEntriesDoWhatTheDoubleClickDoes();
    void menuIsForTheRowUnderTheMouseOrTheCurrentRow();
    void menuSortsAsTheHeaderDoes();
    void saveDialogAddsTheSelectedFiltersSuffix_data();
    void saveDialogAddsTheSelectedFiltersSuffix();
};

void TestExport::batchExportWritesTheSortedList() {
    FormHarness h;
    showActive(h, true);
    h.importDomains({u"a\"q,x.com"_s, u"b.com"_s});
    h.clickHeader(u"ListView1", 2);  // descending by domain: b.com first
    const QString chosen = h.folder.filePath(u"导出"_s);
    h.dialogs.nextSave = SaveChoice{chosen, kCsv};
    h.pressKey(Qt::Key_E);
    QCOMPARE(h.dialogs.titles, QStringList{u"导出为 CSV"_s});
    QCOMPARE(h.dialogs.filters, QStringList{kCsv + u";;"_s + kAll});
    QCOMPARE(h.dialogs.folders, QStringList{h.folder.filePath(u"批量结果.csv"_s)});
    const QByteArray dots = ",...,...,...,...,...,...\r\n";
    QCOMPARE(
        readAll(chosen + u".csv"_s),
        u"\uFEFF序号,查询域名地址,百度权重,关键字条数,百度来量,百度收录,百度反链,百度快照\r\n"_s.toUtf8() +
            "2,b.com" + dots + "1,\"a\"\"q,x.com\"" + dots);
    QCOMPARE(h.messages.texts(), QStringList{u"导出成功！共 2 行，已写入 "_s + chosen + u".csv"_s});
}

void TestExport::commandLineWritesTheSameCsv() {
    // Figures, failures with reasons and a line number that is no row number, from the same pages.
    const QString list = u"a.com\n\nnotfound.b.com\npartial.c.com\n"_s;
    FormHarness h;
    showActive(h, true);
    h.importBox(list);
    h.pressStart();
    QVERIFY(h.time.advanceUntil([&h] { return h.allFilled(); }, 60'000));
    h.dialogs.nextSave = SaveChoice{h.folder.filePath(u"window.csv"_s), kCsv};
    h.pressKey(Qt::Key_E);
    QFile file(h.folder.filePath(u"list.txt"_s));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(list.toUtf8()) > 0);
    file.close();
    testing::RunHarness r;
    BatchOptions options;
    options.input = file.fileName();
    options.csv = h.folder.filePath(u"command.csv"_s);
    int status = -1;
    BatchCommand command(
        r.batch, r.time, r.time, options, [](const QString&) {}, false);
    QObject::connect(&command, &BatchCommand::finished, [&status](int code) { status = code; });
    command.start();
    QVERIFY(r.time.advanceUntil([&status] { return status >= 0; }, 60'000));
    QCOMPARE(status, int(BatchExit::SomeFailed));
    const QByteArray window = readAll(h.folder.filePath(u"window.csv"_s));
    QVERIFY(window.contains("\r\n3,notfound.b.com,失败,") && window.endsWith(",失败\r\n"));
    QCOMPARE(readAll(options.csv), window);
}

void TestExport::keywordExportWritesTheListShown() {
    FormHarness h;
    showActive(h, false);
    addKeywords(h);
    h.fill(u"Text6", u"天气"_s).click(u"Command13");
    const QString filtered = h.folder.filePath(u"filtered"_s);
    h.dialogs.nextSave = SaveChoice{filtered, kAll};  // all files: a bare name stays bare
    h.pressKey(Qt::Key_E);
    QCOMPARE(readAll(filtered), kKeywordHeader + kKeyword2);
    h.click(u"Command15");  // 返 回: the whole list again
    h.dialogs.nextSave = SaveChoice{h.folder.filePath(u"whole.csv"_s), kCsv};
    h.pressKey(Qt::Key_E);
    QCOMPARE(readAll(h.folder.filePath(u"whole.csv"_s)),
             kKeywordHeader + u"1,百度 地图,2,100,5,标题\r\n"_s.toUtf8() + kKeyword2);
    QCOMPARE(h.dialogs.folders.last(), h.folder.filePath(u"单条结果.csv"_s));
}

void TestExport::cancelAndEmptyListWriteNothing() {
    FormHarness h;
    h.pressKey(Qt::Key_E);  // the keyword list is empty: said so, no dialog
    QCOMPARE(h.messages.texts(), QStringList{u"列表中没有数据，无需导出。"_s});
    QVERIFY(h.dialogs.titles.isEmpty());
    addKeywords(h);
    h.pressKey(Qt::Key_E);  // cancelled
    QCOMPARE(h.dialogs.titles.size(), 1);
    QCOMPARE(h.messages.shown.size(), 1);
    QCOMPARE(QDir(h.folder.path()).entryList(QDir::Files), QStringList{});
}

void TestExport::failedWriteKeepsTheOldFile() {
    FormHarness h;
    showActive(h, true);
    h.importDomains(numberedDomains(500, u"www.domain"_s));
    const QString path = h.folder.filePath(u"old.csv"_s);
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old\r\n") == 5);
    old.close();
    h.dialogs.nextSave = SaveChoice{path, kCsv};
    // Files may grow to 4 KB only: the export's 20 KB fail part way.
    rlimit saved{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    h.pressKey(Qt::Key_E);
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &saved), 0);
    std::signal(SIGXFSZ, previous);
    QCOMPARE(h.messages.shown.size(), 1);
    QVERIFY(h.messages.shown[0].text.startsWith(u"导出失败！"_s));
    QVERIFY(h.messages.shown[0].text.contains(path));
    QCOMPARE(h.messages.shown[0].icon, MsgIcon::Critical);
    QCOMPARE(readAll(path), QByteArray("old\r\n"));
    QCOMPARE(QDir(h.folder.path()).entryList(QDir::Files),
             QStringList{u"old.csv"_s});  // no half file beside it
}

void TestExport::menuEntriesEnabledByRowAndSelection() {
    FormHarness h;
    showActive(h, true);
    ListView& list = h.list(u"ListView1");
    const QMenu& empty = menuAt(list, QPoint(20, 40));
    QCOMPARE(entries(empty),
             (QStringList{u"-复制所选行"_s, u"-复制域名"_s, u"-在浏览器中打开 site: 结果"_s,
                          u"-在浏览器中打开 domain: 结果"_s, u"-重新查询失败和未完成的行"_s, u"-查看历史…"_s,
                          u"-升序"_s, u"-降序"_s, u"-导出为 CSV…"_s, u"设置…"_s}));
    h.importDomains({u"a.com"_s, u"b.com"_s});
    const QMenu& onRow = menuAt(list, clientPoint(list, 2));
    QCOMPARE(entries(onRow),
             (QStringList{u"-复制所选行"_s, u"复制域名"_s, u"在浏览器中打开 site: 结果"_s,
                          u"在浏览器中打开 domain: 结果"_s, u"重新查询失败和未完成的行"_s, u"查看历史…"_s,
                          u"升序"_s, u"降序"_s, u"导出为 CSV…"_s, u"设置…"_s}));
    QCOMPARE(entry(onRow, u"重新查询失败和未完成的行"_s)->shortcut(), QKeySequence(u"Ctrl+R"_s));
    h.pressStart();
    h.time.advance(5000);
    const QMenu& allFilled = menuAt(list, clientPoint(list, 2));  // nothing failed: nothing to retry
    QVERIFY(!entry(allFilled, u"重新查询失败和未完成的行"_s)->isEnabled());
    QCOMPARE(entry(onRow, u"复制所选行"_s)->shortcut(), QKeySequence(u"Ctrl+C"_s));
    QCOMPARE(entry(onRow, u"导出为 CSV…"_s)->shortcut(), QKeySequence(u"Ctrl+E"_s));
    h.click(u"Command19");
    addKeywords(h);
    const QMenu& keywords = menuAt(h.list(u"ListView2"), clientPoint(h.list(u"ListView2"), 1));
    QCOMPARE(entries(keywords), (QStringList{u"-复制所选行"_s, u"复制关键词"_s, u"查看历史…"_s, u"升序"_s,
                                             u"降序"_s, u"导出为 CSV…"_s, u"设置…"_s}));
}

void TestExport::menuEntriesDoWhatTheDoubleClickDoes() {
    FormHarness h;
    showActive(h, true);
    h.importDomains({u"a.com"_s, u"b#?.com"_s});
    ListView& list = h.list(u"ListView1");
    list.selectItem(1);
    const QMenu& menu = menuAt(list, clientPoint(list, 2));
    list.selectItem(2);  // the double-click's row is the selected one
    for (const int cell : {DomainCell::Domain, DomainCell::Indexed, DomainCell::Backlinks}) {
        doubleClick(list, leftPixels(list, cell + 1) + 2, 2);
    }
    list.clearSelection();
    list.selectItem(1);  // the menu's row is the one under the mouse
    for (const QString& text :
         {u"复制域名"_s, u"在浏览器中打开 site: 结果"_s, u"在浏览器中打开 domain: 结果"_s}) {
        entry(menu, text)->trigger();
    }
    QCOMPARE(h.shell.urls.size(), 4);
    QCOMPARE(h.shell.urls.mid(2), h.shell.urls.first(2));
    QCOMPARE(h.shell.urls[0], u"http://search.test/s?wd=site%3Ab%23%3F.com"_s);
    QCOMPARE(h.messages.texts(), QStringList(2, u"复制成功，您可以粘贴到任意处！"_s));
    QCOMPARE(h.clipboard.text(), u"b#?.com"_s);
    entry(menu, u"复制所选行"_s)->trigger();
    QCOMPARE(h.clipboard.text(), u"1\ta.com\t...\t...\t...\t...\t...\t...\n"_s);
    entry(menu, u"查看历史…"_s)->trigger();
    QCOMPARE(h.form->findChild<QWidget*>(u"HistoryWindow"_s)->windowTitle(), u"历史：b#?.com"_s);

    h.click(u"Command19");
    addKeywords(h);
    const QMenu& keywords = menuAt(h.list(u"ListView2"), clientPoint(h.list(u"ListView2"), 2));
    entry(keywords, u"复制关键词"_s)->trigger();
    QCOMPARE(h.clipboard.text(), u"天气, 预报"_s);
    QCOMPARE(h.messages.texts().last(), u"关键词复制成功，您可以粘贴到任意处！"_s);
    h.dialogs.nextSave = SaveChoice{h.folder.filePath(u"k.csv"_s), kCsv};
    entry(keywords, u"导出为 CSV…"_s)->trigger();
    QVERIFY(readAll(h.folder.filePath(u"k.csv"_s)).endsWith(kKeyword2));
}

void TestExport::menuIsForTheRowUnderTheMouseOrTheCurrentRow() {
    FormHarness h;
    showActive(h, true);
    h.importDomains({u"a.com"_s, u"b.com"_s});
    ListView& list = h.list(u"ListView1");
    const QPoint inViewport = list.visualRect(list.items().index(1, 1)).center();
    QContextMenuEvent click(QContextMenuEvent::Mouse, inViewport, list.viewport()->mapToGlobal(inViewport));
    QApplication::sendEvent(list.viewport(), &click);
    QPointer<QMenu> menu = list.findChild<QMenu*>();
    QVERIFY(menu && menu->isVisible());
    entry(*menu, u"复制域名"_s)->trigger();
    QCOMPARE(h.clipboard.text(), u"b.com"_s);
    menu->close();
    QTRY_VERIFY(!menu);  // a closed menu goes
    // The menu key, wherever the event says it is.
    list.selectItem(1);
    QContextMenuEvent key(QContextMenuEvent::Keyboard, inViewport, list.mapToGlobal(inViewport));
    QApplication::sendEvent(&list, &key);
    menu = list.findChild<QMenu*>();
    QVERIFY(menu);
    entry(*menu, u"复制域名"_s)->trigger();
    QCOMPARE(h.clipboard.text(), u"a.com"_s);
}

void TestExport::menuSortsAsTheHeaderDoes() {
    FormHarness h;
    showActive(h, true);
    h.importFile(
        u"a.com|9|...|...|...|...|...\nb.com|1,200|...|...|...|...|...\nc.com|失败|...|...|...|...|..."_s);
    ListView& list = h.list(u"ListView1");
    const int column = DomainCell::Weight + 1;
    const auto top = [&list, column] { return list.items().subItem(1, column - 1); };
    const auto sortBy = [&](const QString& text) {
        entry(menuAt(list, {leftPixels(list, column) + 2, clientPoint(list, 1).y()}), text)->trigger();
    };
    h.clickHeader(u"ListView1", column);
    const QString down = top();
    h.clickHeader(u"ListView1", column);
    const QString up = top();
    QVERIFY(down != up);
    // From the other order each time; the header then turns the menu's order round.
    for (const auto& [text, sorted, clicked] :
         {std::tuple{u"降序"_s, down, up}, std::tuple{u"升序"_s, up, down}}) {
        sortBy(text);
        QCOMPARE(top(), sorted);
        h.clickHeader(u"ListView1", column);
        QCOMPARE(top(), clicked);
        h.clickHeader(u"ListView1", column);
    }
}

void TestExport::saveDialogAddsTheSelectedFiltersSuffix_data() {
    QTest::addColumn<bool>("allFiles");
    QTest::addColumn<QString>("name");
    QTest::newRow("CSV filter") << false << u"x.csv"_s;
    QTest::newRow("all files") << true << u"x"_s;
}

// Qt's own dialog, so that it asks about replacing the file really written.
void TestExport::saveDialogAddsTheSelectedFiltersSuffix() {
    QFETCH(bool, allFiles);
    QFETCH(QString, name);
    QTemporaryDir folder;
    QtFileDialogs dialogs;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        auto* types = dialog->findChild<QComboBox*>(u"fileTypeCombo"_s);
        if (allFiles) {
            types->setCurrentIndex(1);
            Q_EMIT types->textActivated(types->currentText());  // as a user's choice does
        }
        dialog->findChild<QLineEdit*>(u"fileNameEdit"_s)->setText(u"x"_s);
        static_cast<QDialog*>(dialog)->accept();  // the virtual call reaches QFileDialog::accept
    });
    const std::optional<SaveChoice> choice =
        dialogs.saveFile(nullptr, u"导出为 CSV"_s, folder.path(), kCsv + u";;"_s + kAll);
    QVERIFY(choice);
    QCOMPARE(choice->path, folder.filePath(name));
    QCOMPARE(choice->filter, allFiles ? kAll : kCsv);
}

QTEST_MAIN(TestExport)
#include "tst_export.moc"
