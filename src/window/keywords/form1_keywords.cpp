// SPDX-License-Identifier: GPL-3.0-or-later
// The keyword ranking run of the single query: the domain's keyword table, page by page.
#include "fetch/addresses.h"
#include "form1.h"
#include "keywords/keyword_parser.h"
#include "text/app_error.h"
#include "text/cells.h"
#include "text/textcut.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace quorvane {

namespace {

// The site shows 25 keywords a page and the run reads at most 40 pages: placeholder rows beyond
// what those can fill would never be filled, and a count of millions would build millions of rows.
constexpr qint64 kMostKeywordRows = 40 * 25;

// The keyword count read as the page count reads it: "1,003" is 1,003 keywords, not 1.
double keywordCount(const QString& text) {
    return text::wholeNumber(text).value_or(text::leadingNumber(text));
}

}  // namespace

void Form1::StartKeywordRun() {
    ListModel& list = ListView2->items();
    list.clearItems();
    ListView2->clearColumns();
    setKeywordColumns(ListView2);
    const double count = keywordCount(Label5[1]->text());
    const qint64 rows = std::min<qint64>(text::roundHalfEven(std::trunc(count)), kMostKeywordRows);
    std::vector<QStringList> placeholders;
    for (qint64 row = 1; row <= rows; ++row) {
        placeholders.push_back({QString::number(row), kUnknown, kUnknown, kUnknown, kUnknown, kUnknown});
    }
    list.addRows(std::move(placeholders));
    RequestKeywordPage();
}

void Form1::RequestKeywordPage() {
    if (m_run.halted()) {
        setTip(Label5[6], u"批量查询的暂停或停止中止了关键词查询"_s);
        return;
    }
    HTTPPage2& page = pr4.renew(m_fetch);
    resumeNext([&] {
        page.SubIniData(keywordPageAddress(m_config.statsSite, Text5->text(), m_run.KeywordPage()),
                        u"utf-8"_s, u"5"_s);
    });
}

void Form1::pr4_HttpEvent(const QString& HereReturnCode) {
    const double total = text::leadingNumber(Label5[5]->text());
    const double done = text::leadingNumber(Label5[6]->text());
    if (total < done + 1) {
        Command11->setEnabled(true);
        return;
    }
    // The run halts on a page it cannot read; "完成" says why in its tooltip.
    const auto halt = [&](const QString& reason) {
        setTip(Label5[6], u"第 %1 页读取失败："_s.arg(m_run.KeywordPage() + 1) + reason);
    };
    // An error page is no keyword table.
    if (pr4.gotErrorPage()) {
        halt(reasonOf(pr4, HereReturnCode));
        return;
    }
    const KeywordTable table = parseKeywordTable(HereReturnCode);
    if (!table.parsed) {
        halt(reasonOf(pr4, HereReturnCode));
        return;
    }
    ListModel& list = ListView2->items();
    for (const KeywordTableRow& row : table.rows) {
        if (keywordCount(Label5[1]->text()) < static_cast<double>(m_run.KeywordRow())) {
            break;
        }
        if (m_run.KeywordRow() > list.itemCount()) {
            return;  // more keywords than placeholder rows: the run halts here
        }
        // The run fills its rows in the order it made them, however the list is sorted meanwhile.
        const int entry = static_cast<int>(m_run.KeywordRow());
        for (int cell = 0; cell < row.cells.size(); ++cell) {
            list.setEntrySubItem(entry, cell + 1, row.cells.at(cell));
        }
        if (!row.complete()) {
            // A row the page does not hold whole halts the run; what it did hold stays.
            halt(u"表格不完整"_s);
            return;
        }
        ++m_run.KeywordRow();
    }
    ++m_run.KeywordPage();
    setCaption(Label5[6], QString::number(m_run.KeywordPage()));
    RequestKeywordPage();
}

void Form1::ListView2_ColumnClick(int column) {
    sortByColumn(*ListView2, column);
}

void Form1::ListView3_ColumnClick(int column) {
    sortByColumn(*ListView3, column);
}

void Form1::Command15_Click() {
    ListView3->setVisible(false);
}

}  // namespace quorvane
