// SPDX-License-Identifier: GPL-3.0-or-later
// The domain batch query: import, sorting, the three request chains and their pacing.
#include "batch/domain_file.h"
#include "batch/domain_list.h"
#include "batch/page_parsers.h"
#include "fetch/addresses.h"
#include "form1.h"
#include "text/app_error.h"
#include "text/textcut.h"

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextDocument>
#include <algorithm>
#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

namespace quorvane {

namespace {

const QString kUtf8 = u"utf-8"_s;
const QString kGb2312 = u"gb2312"_s;
const QString kTimeout = u"5"_s;

// A domain file beyond this is no list a person keeps; reading it whole would only stall the window.
constexpr qint64 kMostDomainFileBytes = 64 * 1024 * 1024;

constexpr int kStatsCells[] = {DomainCell::Weight, DomainCell::Keywords, DomainCell::Traffic,
                               DomainCell::Snapshot};
constexpr int kBacklinkCells[] = {DomainCell::Backlinks};
constexpr int kIndexedCells[] = {DomainCell::Indexed};

// Where a statistics figure goes: a label of the detail strip, or a cell of the row (0: none).
std::size_t labelFor(StatsField field) {
    switch (field) {
        case StatsField::Weight:
            return 0;
        case StatsField::Keywords:
            return 1;
        case StatsField::Traffic:
            return 2;
        case StatsField::Snapshot:
            return 3;
        case StatsField::Indexed:
            return 4;
    }
    return 0;
}

int cellFor(StatsField field) {
    switch (field) {
        case StatsField::Weight:
            return DomainCell::Weight;
        case StatsField::Keywords:
            return DomainCell::Keywords;
        case StatsField::Traffic:
            return DomainCell::Traffic;
        case StatsField::Snapshot:
            return DomainCell::Snapshot;
        case StatsField::Indexed:
            return 0;
    }
    return 0;
}

// A cursor as a row entry (the order of the import, whatever the list is sorted by); entries beyond
// the list's range throw like a missing row.
int entry(qint64 cursor) {
    if (cursor < 1 || cursor > std::numeric_limits<int>::max()) {
        throw AppError(AppError::kIndexOutOfBounds, u"索引超出范围"_s);
    }
    return static_cast<int>(cursor);
}

// A pause of seconds as a timer interval: rounded, negative as 0, clamped to what the timer takes.
int pauseInterval(double seconds) {
    const double ms = seconds * 1000.0;
    if (!(ms > 0)) {
        return 0;
    }
    return static_cast<int>(std::min<qint64>(text::roundHalfEven(ms), WindowTimer::kMaxInterval));
}

// Whether a delivered page can hold no figures of the domain: a failed fetch, an empty body, an
// error page (503 "too many requests" and the like) or Baidu's robot check.
bool noFigures(const FetcherSlot& fetcher, const QString& page) {
    return page.isEmpty() || isFailedAnswer(page) || fetcher.gotErrorPage();
}

bool waiting(const FetcherSlot& slot) {
    return slot.get() && slot.get()->isWaiting();
}

}  // namespace

void Form1::Command12_Click() {
    // The raw text: plain text would turn no-break spaces pasted from web pages into blanks.
    importDomainText(Text1->document()->toRawText());
}

void Form1::Command6_Click() {
    const QString path = Text2->text();
    const QFileInfo info(path);
    QString problem;
    std::optional<QString> text;
    if (!info.exists()) {
        problem = u"找不到网址文件："_s;
    } else if (!info.isFile()) {
        problem = u"这不是一个文件："_s;
    } else if (info.size() > kMostDomainFileBytes) {
        problem = u"网址文件太大（超过 64 MB）："_s;
    } else if (QFile file(path); !file.open(QIODevice::ReadOnly)) {
        problem = u"无法读取网址文件："_s;
    } else if (const QByteArray bytes = file.readAll(); file.error() != QFileDevice::NoError) {
        // A read that fails part way (a device, a file system error) is no empty list.
        problem = u"无法读取网址文件："_s;
    } else if (text = decodeDomainFile(bytes); !text) {
        problem = u"网址文件不是文本文件："_s;
    }
    if (!problem.isEmpty()) {
        showMessage(problem + path);
        return;
    }
    importDomainText(*text, true);
}

// Rebuilds the domain list from a text of domains, one per line. With figures, a line as a whole row
// is saved ("domain|weight|…|snapshot") comes back with its figures, so a half-done list can go on.
void Form1::importDomainText(const QString& text, bool withFigures) {
    for (QPushButton* runButton : {Command2, Command3, Command9, Command10}) {
        runButton->setEnabled(true);
    }
    ListModel& list = ListView1->items();
    list.clearItems();
    ListView1->clearColumns();
    setDomainColumns();
    const std::vector<DomainLine> lines = domainLinesOfBox(text);
    // The rows keep their domains as pieces of text and their figures as the placeholder until a page
    // fills them: a row costs no allocation of its own.
    list.addNumberedRows(text, lines, DomainCell::Count, kUnknown);
    m_importedFigures = false;
    if (withFigures) {
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (const auto saved = savedRowFields(lines[i].domain)) {
                const int row = static_cast<int>(i) + 1;
                list.setEntrySubItem(row, DomainCell::Domain, saved->at(0));
                for (int cell = DomainCell::Weight; cell < DomainCell::Count; ++cell) {
                    const QString& figure = saved->at(cell - 1);
                    list.setEntrySubItem(row, cell, figure,
                                         figure == kFailureText ? u"上次查询失败"_s : QString());
                    m_importedFigures = m_importedFigures || figure != kUnknown;
                }
            }
        }
    }
    setCaption(Label3, QString::number(list.itemCount()));
    endBatchRun();
}

// An import ends the batch run: its cursors and pages in flight belong to the old list, and a run
// that went on over the new one would skip its first rows and count them done.
void Form1::endBatchRun() {
    // Even a Pause and Start after it must begin at the new list's first row.
    m_run.import(rowsPerBatch());
    endBlockPause();
    setCaption(Label2, u"0"_s);
    Timer1.setEnabled(false);
    Timer2.setEnabled(false);
    pr2.detach();
    pr3.detach();
    if (!m_run.singleMode()) {
        pr1.detach();  // in single-query mode it fetches that query's page
    }
}

qint64 Form1::rowsPerBatch() const {
    return text::roundHalfEven(text::leadingNumber(Text4->text()));
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

// --- Request builders: each statement that fails is skipped, so a missing row sends nothing.

void Form1::RequestStatsPage() {
    if (m_run.halted()) {
        return;
    }
    HTTPPage2& page = pr1.renew(m_fetch);
    if (!m_run.singleMode() && !nextRowToRetry(m_run.StatsRow(), kStatsCells)) {
        return;
    }
    if (!m_run.singleMode()) {
        resumeNext([&] {
            const QString domain =
                ListView1->items().entrySubItem(entry(m_run.StatsRow()), DomainCell::Domain);
            page.SubIniData(statsPageAddress(m_config.statsSite, domain, true), kUtf8, kTimeout);
        });
    }
    if (m_run.singleMode()) {
        resumeNext([&] {
            page.SubIniData(statsPageAddress(m_config.statsSite, Text5->text(), false), kUtf8, kTimeout);
        });
    }
}

void Form1::RequestDomainQuery() {
    if (m_run.halted()) {
        return;
    }
    HTTPPage2& page = pr2.renew(m_fetch);
    if (m_run.singleMode() || !nextRowToRetry(m_run.DomainQueryRow(), kBacklinkCells)) {
        return;
    }
    resumeNext([&] {
        const QString domain =
            ListView1->items().entrySubItem(entry(m_run.DomainQueryRow()), DomainCell::Domain);
        page.SubIniData(domainQueryAddress(m_config.searchEngine, domain), kGb2312, kTimeout);
    });
}

void Form1::RequestSiteQuery() {
    if (m_run.halted()) {
        return;
    }
    if (!nextRowToRetry(m_run.SiteQueryRow(), kIndexedCells)) {
        return;
    }
    HTTPPage2& page = pr3.renew(m_fetch);
    resumeNext([&] {
        const QString domain =
            ListView1->items().entrySubItem(entry(m_run.SiteQueryRow()), DomainCell::Domain);
        page.SubIniData(siteQueryAddress(m_config.searchEngine, domain), kGb2312, kTimeout);
    });
}

// In a retry, moves a chain's cursor past the rows whose cells of that chain hold figures. False
// when no row is left for the chain: it ends without a request.
bool Form1::nextRowToRetry(qint64& cursor, std::span<const int> cells) {
    if (!m_run.retry) {
        return true;
    }
    const ListModel& list = ListView1->items();
    for (;;) {
        bool unknown = false;
        resumeNext([&] {
            const QStringList& row = list.entryCells(entry(cursor));
            unknown = std::any_of(cells.begin(), cells.end(),
                                  [&](int cell) { return row.value(cell) == kUnknown; });
        });
        if (unknown) {
            return true;
        }
        if (!RunState::advance(cursor, list.itemCount())) {
            return false;
        }
    }
}

// The rows with a cell that failed or is still unknown, by entry; their failed cells become unknown
// again, so that the chains ask for them and the progress count waits for them.
std::vector<bool> Form1::rowsToRetry() {
    ListModel& list = ListView1->items();
    std::vector<bool> rows(static_cast<std::size_t>(list.itemCount()));
    for (int row = 1; row <= list.itemCount(); ++row) {
        for (int cell = DomainCell::Weight; cell <= DomainCell::Snapshot; ++cell) {
            const QString text = list.entrySubItem(row, cell);
            if (text == kFailureText) {
                list.setEntrySubItem(row, cell, kUnknown);
            }
            if (text == kFailureText || text == kUnknown) {
                rows[static_cast<std::size_t>(row - 1)] = true;
            }
        }
    }
    return rows;
}

bool Form1::hasRowsToRetry() const {
    const ListModel& list = ListView1->items();
    for (int row = 1; row <= list.itemCount(); ++row) {
        const QStringList& cells = list.entryCells(row);
        for (int cell = DomainCell::Weight; cell <= DomainCell::Snapshot; ++cell) {
            if (cells.value(cell) == kFailureText || cells.value(cell) == kUnknown) {
                return true;
            }
        }
    }
    return false;
}

// Ctrl+R, "重新查询失败和未完成的行": the run again, asking each chain only for its own cells that read
// "失败" or "..."; every figure stays. Paused, stopped and resumed like a run.
void Form1::retryFailedRows() {
    if (!hasRowsToRetry()) {
        showMessage(u"没有失败或未完成的行，无需重新查询。"_s);
        return;
    }
    m_importedFigures = false;
    endBlockPause();
    Timer2.setEnabled(false);
    m_run.startRetry(rowsPerBatch(), rowsToRetry());
    setCaption(Label2, u"0"_s);
    RequestStatsPage();
    RequestDomainQuery();
    RequestSiteQuery();
    Timer1.setEnabled(true);
}

// --- Start, Pause, Stop.

void Form1::Command3_Click() {
    // Also after a 暂停 before any run: its resume would walk the imported rows as a run does.
    if (m_importedFigures) {
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
    m_importedFigures = false;
    endBlockPause();
    // A Start, by hand or at the end of a pause, supersedes any pending automatic resume.
    Timer2.setEnabled(false);
    if (m_run.start(rowsPerBatch())) {
        setCaption(Label2, u"0"_s);
        // Old figures would be counted as done before this run fetched anything, firing the pauses
        // early, and a page that fails now would leave the old figure standing.
        ListView1->items().setSubItemsOfAllRows(DomainCell::Weight, DomainCell::Snapshot, kUnknown);
    }
    RequestStatsPage();
    RequestDomainQuery();
    RequestSiteQuery();
    Timer1.setEnabled(true);
}

void Form1::Command9_Click() {
    // The user's Pause holds: no pending or later automatic resume may undo it.
    Timer2.setEnabled(false);
    endBlockPause();
    m_run.userPause();
}

void Form1::Command10_Click() {
    Timer2.setEnabled(false);
    endBlockPause();
    m_run.userStop();
}

// Whether the row at the progress row is complete; false past the list or on a missing row.
bool Form1::progressRowComplete() const {
    bool complete = false;
    resumeNext([&] {
        const QStringList& cells = ListView1->items().entryCells(entry(m_run.ProgressRow));
        complete = true;
        for (int cell = DomainCell::Weight; cell <= DomainCell::Snapshot; ++cell) {
            complete = complete && cells.value(cell) != kUnknown;
        }
    });
    return complete;
}

void Form1::Timer1_Timer() {
    const ListModel& list = ListView1->items();
    if (m_run.ProgressRow > list.itemCount()) {
        // Every row is counted: nothing left to watch until the next Start.
        Timer1.setEnabled(false);
        return;
    }
    bool counted = false;
    // One row a tick; in a retry the rows it asks nothing for are counted at once, so that the
    // pacing and the count follow the rows it really asks for.
    while (m_run.ProgressRow <= list.itemCount() && progressRowComplete()) {
        const bool skipped = m_run.retry && !m_run.retriedRow(m_run.ProgressRow);
        setCaption(Label2, QString::number(m_run.ProgressRow));
        m_run.rowCounted();
        counted = true;
        if (!skipped) {
            break;
        }
    }
    if (!counted && m_run.halted() && !waiting(pr1) && !waiting(pr2) && !waiting(pr3)) {
        // Halted with nothing on its way: no cell can change until the next Start, which wakes it.
        Timer1.setEnabled(false);
        return;
    }
    if (m_run.ProgressRow == m_run.PauseAt) {
        if (!m_run.passPauseBoundary(text::leadingNumber(Text4->text()))) {
            // Halted by hand: the boundary passes without a pause that would resume the run.
            return;
        }
        const int pause = pauseInterval(text::leadingNumber(Combo1->currentText()));
        if (pause == 0) {
            // No positive pause length: no timer would ever end the pause, so the run goes straight on.
            return;
        }
        m_run.automaticPause();
        Timer2.setInterval(pause);
        Timer2.setEnabled(true);
    }
}

void Form1::Timer2_Timer() {
    Timer2.setEnabled(false);
    Command3_Click();
}

// --- Page handlers.

QString Form1::reasonOf(const FetcherSlot& fetcher, const QString& page) {
    if (QString reason = fetcher.failureReason(); !reason.isEmpty()) {
        return reason;
    }
    return isVerificationPage(page) ? kVerificationReason : u"页面中没有数据"_s;
}

void Form1::pr1_HttpEvent(const QString& HereReturnCode) {
    // A page without the weight marker is no statistics page: zeros would read as a real result.
    const bool failed = noFigures(pr1, HereReturnCode) || !isStatsPage(HereReturnCode);
    const QString reason = failed ? reasonOf(pr1, HereReturnCode) : QString();
    const std::vector<StatsFigure> figures =
        failed ? std::vector<StatsFigure>{} : parseStatsPage(HereReturnCode);
    if (m_run.singleMode()) {
        showSingleFigures(figures, reason);
        return;
    }
    ListModel& list = ListView1->items();
    for (const StatsFigure& figure : figures) {
        if (const int cell = cellFor(figure.field); cell != 0) {
            fillUnknownCell(m_run.StatsRow(), cell, figure.found ? figure.text : kFailureText,
                            figure.found ? QString() : kNoSuchField);
        }
    }
    if (failed) {
        for (const int cell : kStatsCells) {
            fillUnknownCell(m_run.StatsRow(), cell, kFailureText, reason);
        }
    }
    if (RunState::advance(m_run.StatsRow(), list.itemCount())) {
        RequestStatsPage();
    }
}

// Writes a page's answer into the row at a chain's cursor, but only over "...": a retry keeps every
// good figure the row already has. A row that is gone is skipped.
void Form1::fillUnknownCell(qint64 cursor, int cell, const QString& text, const QString& reason) {
    ListModel& list = ListView1->items();
    resumeNext([&] {
        const int row = entry(cursor);
        if (list.entrySubItem(row, cell) == kUnknown) {
            list.setEntrySubItem(row, cell, text, reason);
        }
    });
}

// The statistics page of the single query, into the detail strip in the page's order; the keyword
// count starts the keyword run. What the page lacks says 失败 and why.
void Form1::showSingleFigures(const std::vector<StatsFigure>& figures, const QString& failure) {
    if (!failure.isEmpty()) {
        for (std::size_t i = 0; i <= labelFor(StatsField::Indexed); ++i) {
            setCaption(Label5[i], kFailureText);
            setTip(Label5[i], failure);
        }
        return;
    }
    for (const StatsFigure& figure : figures) {
        QLabel* value = Label5[labelFor(figure.field)];
        setCaption(value, figure.found ? figure.text : kFailureText);
        setTip(value, figure.found ? QString() : kNoSuchField);
        if (figure.field == StatsField::Keywords && figure.found) {
            if (const std::optional<int> pages = keywordPagesFor(figure.text)) {
                setCaption(Label5[5], QString::number(*pages));
                StartKeywordRun();
            }
        }
    }
}

void Form1::countChainEvent(const QString& page, const FetcherSlot& fetcher, qint64& cursor, int cell,
                            void (Form1::*builder)()) {
    ListModel& list = ListView1->items();
    const bool robotCheck = fetcher.sentToCheck() || isVerificationPage(page);
    const bool failed = robotCheck || noFigures(fetcher, page);
    const ResultCount count = failed ? ResultCount{ResultCount::Kind::NoCount, {}} : parseResultCount(page);
    // What holds no count shows as a failure, never as 0; only Baidu's own "no results" is a 0.
    QString text = kFailureText;
    QString reason = failed ? reasonOf(fetcher, page) : kNoCount;
    if (count.kind == ResultCount::Kind::Figure) {
        text = count.figure;
        reason.clear();
    } else if (count.kind == ResultCount::Kind::NoResults) {
        text = u"0"_s;
        reason.clear();
    }
    fillUnknownCell(cursor, cell, text, reason);
    if (robotCheck) {
        if (m_run.robotCheck()) {
            beginBlockPause();
        }
    } else if (!failed) {
        m_run.goodAnswer();
    }
    if (RunState::advance(cursor, list.itemCount())) {
        (this->*builder)();
    }
}

// --- The block pause: Baidu answers every request with its check once it has flagged the address,
// and each further request lengthens the block. The run waits, then goes on by itself; no modal box,
// since nobody may be there to click it.

void Form1::beginBlockPause() {
    Timer2.setEnabled(false);
    m_blockSecondsLeft = m_run.blockPause();
    Timer4.setInterval(1000);
    Timer4.setEnabled(true);
    showBlockNotice();
}

void Form1::showBlockNotice() {
    const int left = std::max(m_blockSecondsLeft, 0);
    Label6->setText(u"百度要求安全验证：已暂停，%1:%2 后自动继续"_s.arg(left / 60, 2, 10, QChar(u'0'))
                        .arg(left % 60, 2, 10, QChar(u'0')));
}

void Form1::endBlockPause() {
    Timer4.setEnabled(false);
    Label6->clear();
}

void Form1::Timer4_Timer() {
    if (!m_run.blocked) {
        endBlockPause();
        return;
    }
    if (--m_blockSecondsLeft > 0) {
        showBlockNotice();
        return;
    }
    endBlockPause();
    Command3_Click();
}

void Form1::pr2_HttpEvent(const QString& HereReturnCode) {
    countChainEvent(HereReturnCode, pr2, m_run.DomainQueryRow(), DomainCell::Backlinks,
                    &Form1::RequestDomainQuery);
}

void Form1::pr3_HttpEvent(const QString& HereReturnCode) {
    countChainEvent(HereReturnCode, pr3, m_run.SiteQueryRow(), DomainCell::Indexed, &Form1::RequestSiteQuery);
}

}  // namespace quorvane
