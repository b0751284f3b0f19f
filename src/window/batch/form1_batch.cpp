// SPDX-License-Identifier: GPL-3.0-or-later
// The batch view: import, sorting, and the controls of the batch run.
#include "batch/domain_file.h"
#include "form1.h"
#include "text/app_error.h"
#include "text/textcut.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextDocument>

using namespace Qt::StringLiterals;

namespace quorvane {

void Form1::Command12_Click() {
    // The raw text: plain text would turn no-break spaces pasted from web pages into blanks.
    importDomainText(Text1->document()->toRawText());
}

void Form1::Command6_Click() {
    const DomainFileText file = readDomainFile(Text2->text());
    if (!file.text) {
        showMessage(file.problem);
        return;
    }
    importDomainText(*file.text, true);
}

// Rebuilds the domain list from a text of domains, one per line. With figures, a line as a whole row
// is saved ("domain|weight|…|snapshot") comes back with its figures, so a half-done list can go on.
void Form1::importDomainText(const QString& text, bool withFigures) {
    takeList([&] { m_batch.import(text, withFigures); });
}

// A new list in the batch view: from the box, a file or the history.
void Form1::takeList(const std::function<void()>& fill) {
    for (QPushButton* runButton : {Command2, Command3, Command9, Command10}) {
        runButton->setEnabled(true);
    }
    ListView1->clearColumns();
    setDomainColumns();
    fill();
    setCaption(Label3, QString::number(m_batch.rowCount()));
    Timer1.setEnabled(false);
    showRowsCounted();
}

void Form1::Command2_Click() {
    Text1->setPlainText(QString());
}

void Form1::ListView1_ColumnClick(int column) {
    sortByColumn(*ListView1, column);
}

// The first click on a column sorts descending, the next ascending; each column keeps its toggle.
void Form1::sortByColumn(ListView& view, int column) {
    resumeNext([&] { sortList(view, column, text::leadingNumber(view.items().column(column).tag) == 0); });
}

// The column's tag holds the order last sorted in, so that a click on its header turns it round.
void Form1::sortList(ListView& view, int column, bool descending) {
    ListModel& list = view.items();
    if (list.itemCount() < 2) {
        return;
    }
    resumeNext([&] {
        list.setSortKey(list.column(column).subItemIndex);
        list.setSortOrder(descending ? 1 : 0);
        list.setColumnTag(column, descending ? u"1"_s : u"0"_s);
        list.setSorted(true);
    });
}

// Ctrl+R, "重新查询失败和未完成的行": the run again, asking each chain only for its own cells that read
// "失败" or "..."; every figure stays. Paused, stopped and resumed like a run.
void Form1::retryFailedRows() {
    if (!m_batch.retry()) {
        showMessage(u"没有失败或未完成的行，无需重新查询。"_s);
    }
}

// --- Start, Pause, Stop.

void Form1::Command3_Click() {
    // Also after a 暂停 before any run: its resume would walk the imported rows as a run does.
    if (m_batch.hasImportedFigures()) {
        // A fresh start would wipe every figure the imported file brought back.
        const MsgResult answer =
            m_services.messages.show(this, u"列表中已有查询结果：只查询失败和未完成的行？"_s, kAppTitle,
                                     MsgButtons::YesNoCancel, MsgIcon::Question);
        if (answer == MsgResult::Cancel) {
            return;
        }
        if (answer == MsgResult::Yes) {
            retryFailedRows();
            return;
        }
    }
    m_batch.start();
}

void Form1::Command9_Click() {
    m_batch.pause();
}

void Form1::Command10_Click() {
    m_batch.stop();
}

void Form1::pacingChanged() {
    m_batch.setPacing(text::leadingNumber(Text4->text()), text::leadingNumber(Combo1->currentText()));
}

// The count of rows done, read from the run while it runs; it sleeps once nothing can change.
void Form1::Timer1_Timer() {
    showRowsCounted();
    if (!m_batch.active()) {
        Timer1.setEnabled(false);
    }
}

void Form1::showRowsCounted() {
    const QString counted = QString::number(m_batch.rowsCounted());
    if (Label2->text() != counted) {
        setCaption(Label2, counted);
    }
}

void Form1::showProxyCount() {
    const qsizetype proxies = m_runs.proxies.size();
    const QString text = proxies > 0 ? u"经 %1 个代理"_s.arg(proxies) : QString();
    if (Label7->text() != text) {
        setCaption(Label7, text);
        Label7->setVisible(proxies > 0);
    }
}

// A block pause: Baidu answers every request with its check once it has flagged the address. The run
// waits and goes on by itself; no modal box, since nobody may be there to click it.
void Form1::showBlockNotice() {
    const int left = m_batch.blockSecondsLeft();
    if (left <= 0) {
        Label6->clear();
        return;
    }
    Label6->setText(u"百度要求安全验证：已暂停，%1:%2 后自动继续"_s.arg(left / 60, 2, 10, QChar(u'0'))
                        .arg(left % 60, 2, 10, QChar(u'0')));
}

}  // namespace quorvane
