// The domain batch query: import, sorting, the three request chains and their pacing.
#include "../fetch/app_error.h"
#include "../text/textcut.h"
#include "../window/form1.h"
#include "addresses.h"
#include "domain_file.h"
#include "domain_list.h"
#include "page_parsers.h"

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

// Cells of a domain row: 1 domain, 2 weight, 3 keywords, 4 traffic, 5 indexed, 6 backlinks, 7 snapshot.
constexpr int kDomainCell = 1;
constexpr int kWeightCell = 2;
constexpr int kKeywordsCell = 3;
constexpr int kTrafficCell = 4;
constexpr int kIndexedCell = 5;
constexpr int kBacklinksCell = 6;
constexpr int kSnapshotCell = 7;
constexpr int kStatsCells[] = {kWeightCell, kKeywordsCell, kTrafficCell, kSnapshotCell};

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
            return kWeightCell;
        case StatsField::Keywords:
            return kKeywordsCell;
        case StatsField::Traffic:
            return kTrafficCell;
        case StatsField::Snapshot:
            return kSnapshotCell;
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

// Adds without wrapping.
qint64 saturatingAdd(qint64 a, double b) {
    return text::roundHalfEven(static_cast<double>(a) + b);
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
    importDomainText(*text);
}

// Rebuilds the domain list from a text of domains, one per line.
void Form1::importDomainText(const QString& text) {
    for (QPushButton* runButton : {Command2, Command3, Command9, Command10}) {
        runButton->setEnabled(true);
    }
    ListModel& list = ListView1->items();
    list.clearItems();
    ListView1->clearColumns();
    setDomainColumns();
    // The rows keep their domains as pieces of text and their figures as the placeholder until a page
    // fills them: a row costs no allocation of its own.
    list.addNumberedRows(text, domainLinesOfBox(text), 8, kUnknown);
    setCaption(Label3, QString::number(list.itemCount()));
    endBatchRun();
}

// An import ends the batch run: its cursors and pages in flight belong to the old list, and a run
// that went on over the new one would skip its first rows and count them done.
void Form1::endBatchRun() {
    Check2 = 0;
    m_haltedByUser = true;
    Timer1.setEnabled(false);
    Timer2.setEnabled(false);
    // Even a Pause and Start after it must begin at the new list's first row.
    rewindBatchRun();
    pr2.detach();
    pr3.detach();
    if (Check4 == 0) {
        pr1.detach();  // in single-query mode it fetches that query's page
    }
}

void Form1::rewindBatchRun() {
    StatsRow() = DomainQueryRow() = SiteQueryRow() = 1;
    ProgressRow = 1;
    PauseAt = text::roundHalfEven(text::leadingNumber(Text4->text()));
    setCaption(Label2, u"0"_s);
}

void Form1::Command2_Click() {
    Text1->setPlainText(QString());
}

void Form1::ListView1_ColumnClick(int column) {
    sortByColumn(*ListView1, column);
}

// The first click on a column sorts descending, the next ascending; each column keeps its toggle.
void Form1::sortByColumn(ListView& view, int column) {
    ListModel& list = view.items();
    if (list.itemCount() < 2) {
        return;
    }
    resumeNext([&] {
        const ListModel::Column& header = list.column(column);
        list.setSortKey(header.subItemIndex);
        if (text::leadingNumber(header.tag) == 0) {
            list.setSortOrder(1);
            list.setColumnTag(column, u"1"_s);
        } else {
            list.setSortOrder(0);
            list.setColumnTag(column, u"0"_s);
        }
        list.setSorted(true);
    });
}

// --- Request builders: each statement that fails is skipped, so a missing row sends nothing.

void Form1::RequestStatsPage() {
    if (Check1 == 1) {
        return;
    }
    HTTPPage2& page = pr1.renew(m_fetch);
    if (Check4 == 0) {
        resumeNext([&] {
            const QString domain = ListView1->items().entrySubItem(entry(StatsRow()), kDomainCell);
            page.SubIniData(statsPageAddress(m_config.statsSite, domain, true), kUtf8, kTimeout);
        });
    }
    if (Check4 == 1) {
        resumeNext([&] {
            page.SubIniData(statsPageAddress(m_config.statsSite, Text5->text(), false), kUtf8, kTimeout);
        });
    }
}

void Form1::RequestDomainQuery() {
    if (Check1 == 1) {
        return;
    }
    HTTPPage2& page = pr2.renew(m_fetch);
    if (Check4 != 0) {
        return;
    }
    resumeNext([&] {
        const QString domain = ListView1->items().entrySubItem(entry(DomainQueryRow()), kDomainCell);
        page.SubIniData(domainQueryAddress(m_config.searchEngine, domain), kGb2312, kTimeout);
    });
}

void Form1::RequestSiteQuery() {
    if (Check1 == 1) {
        return;
    }
    HTTPPage2& page = pr3.renew(m_fetch);
    resumeNext([&] {
        const QString domain = ListView1->items().entrySubItem(entry(SiteQueryRow()), kDomainCell);
        page.SubIniData(siteQueryAddress(m_config.searchEngine, domain), kGb2312, kTimeout);
    });
}

// --- Start, Pause, Stop.

void Form1::Command3_Click() {
    Check1 = 0;
    Check4 = 0;
    // A Start, by hand or at the end of a pause, supersedes any pending automatic resume.
    Timer2.setEnabled(false);
    m_haltedByUser = false;
    if (Check2 == 1) {
        Check2 = 0;
    } else {
        // The keyword run's paging (elements 3 and 4) is left alone: a keyword run still filling
        // its list in the other view would otherwise write its next page over the first rows.
        rewindBatchRun();
        // Old figures would be counted as done before this run fetched anything, firing the pauses
        // early, and a page that fails now would leave the old figure standing.
        ListView1->items().setSubItemsOfAllRows(kWeightCell, kSnapshotCell, kUnknown);
    }
    RequestStatsPage();
    RequestDomainQuery();
    RequestSiteQuery();
    Timer1.setEnabled(true);
}

void Form1::pauseFlags() {
    Check2 = 1;
    Check1 = 1;
}

void Form1::Command9_Click() {
    // The user's Pause holds: no pending or later automatic resume may undo it.
    m_haltedByUser = true;
    Timer2.setEnabled(false);
    pauseFlags();
}

void Form1::Command10_Click() {
    m_haltedByUser = true;
    Timer2.setEnabled(false);
    Check1 = 1;
}

void Form1::Timer1_Timer() {
    const ListModel& list = ListView1->items();
    if (ProgressRow > list.itemCount()) {
        // Every row is counted: nothing left to watch until the next Start.
        Timer1.setEnabled(false);
        return;
    }
    bool counted = false;
    resumeNext([&] {
        const int row = entry(ProgressRow);
        for (int cell = kWeightCell; cell <= kSnapshotCell; ++cell) {
            if (list.entrySubItem(row, cell) == kUnknown) {
                return;
            }
        }
        setCaption(Label2, QString::number(ProgressRow));
        ++ProgressRow;
        counted = true;
    });
    if (!counted && Check1 == 1 && !waiting(pr1) && !waiting(pr2) && !waiting(pr3)) {
        // Halted with nothing on its way: no cell can change until the next Start, which wakes it.
        Timer1.setEnabled(false);
        return;
    }
    if (ProgressRow == PauseAt) {
        PauseAt = saturatingAdd(PauseAt, text::leadingNumber(Text4->text()));
        if (m_haltedByUser) {
            // Halted by hand: the boundary passes without a pause that would resume the run.
            return;
        }
        const int pause = pauseInterval(text::leadingNumber(Combo1->currentText()));
        if (pause == 0) {
            // No positive pause length: no timer would ever end the pause, so the run goes straight on.
            return;
        }
        pauseFlags();
        Timer2.setInterval(pause);
        Timer2.setEnabled(true);
    }
}

void Form1::Timer2_Timer() {
    Timer2.setEnabled(false);
    Command3_Click();
}

// --- Page handlers.

void Form1::pr1_HttpEvent(const QString& HereReturnCode) {
    ListModel& list = ListView1->items();
    // A page without the weight marker is no statistics page: zeros would read as a real result.
    const bool failed = noFigures(pr1, HereReturnCode) || !isStatsPage(HereReturnCode);
    const std::vector<StatsFigure> figures =
        failed ? std::vector<StatsFigure>{} : parseStatsPage(HereReturnCode);
    try {
        for (const StatsFigure& figure : figures) {
            if (Check4 == 1) {
                setCaption(Label5[labelFor(figure.field)], figure.text);
                if (figure.field == StatsField::Keywords) {
                    const std::optional<int> pages = keywordPagesFor(Label5[1]->text());
                    if (!pages) {
                        throw AppError(AppError::kTypeMismatch, u"类型不匹配"_s);
                    }
                    setCaption(Label5[5], QString::number(*pages));
                    StartKeywordRun();
                }
            } else if (const int cell = cellFor(figure.field); cell != 0) {
                list.setEntrySubItem(entry(StatsRow()), cell, figure.text);
            }
        }
    } catch (const AppError&) {
        // The figures written so far stay.
    }
    if (Check4 == 1) {
        if (failed) {
            // Zeros alone would read as a real result of a domain with no standing.
            setCaption(Label5[0], kFailureText);
        }
        return;
    }
    // Cells the page did not fill must not stay unknown, or the progress count would stop at this row.
    const QString filler = failed ? kFailureText : u"0"_s;
    for (const int cell : kStatsCells) {
        resumeNext([&] {
            const int row = entry(StatsRow());
            if (list.entrySubItem(row, cell) == kUnknown) {
                list.setEntrySubItem(row, cell, filler);
            }
        });
    }
    if (StatsRow() < list.itemCount()) {
        ++StatsRow();
        RequestStatsPage();
    }
}

void Form1::countChainEvent(const QString& page, const FetcherSlot& fetcher, qint64& cursor, int cell,
                            void (Form1::*builder)()) {
    ListModel& list = ListView1->items();
    // What holds no count shows as a failure, never as 0.
    const bool failed = noFigures(fetcher, page);
    resumeNext([&] {
        const int row = entry(cursor);
        if (failed) {
            list.setEntrySubItem(row, cell, kFailureText);
            return;
        }
        const ResultCount count = parseResultCount(page);
        switch (count.kind) {
            case ResultCount::Kind::Figure:
                list.setEntrySubItem(row, cell, count.figure);
                break;
            case ResultCount::Kind::NoMarker:
                list.setEntrySubItem(row, cell, u"0"_s);
                break;
            case ResultCount::Kind::CutFailed:
                break;
        }
    });
    resumeNext([&] {
        const int row = entry(cursor);
        if (list.entrySubItem(row, cell) == kUnknown) {
            list.setEntrySubItem(row, cell, failed ? kFailureText : u"0"_s);
        }
    });
    if (cursor < list.itemCount()) {
        ++cursor;
        (this->*builder)();
    }
}

void Form1::pr2_HttpEvent(const QString& HereReturnCode) {
    countChainEvent(HereReturnCode, pr2, DomainQueryRow(), kBacklinksCell, &Form1::RequestDomainQuery);
}

void Form1::pr3_HttpEvent(const QString& HereReturnCode) {
    countChainEvent(HereReturnCode, pr3, SiteQueryRow(), kIndexedCell, &Form1::RequestSiteQuery);
}

}  // namespace quorvane
