// SPDX-License-Identifier: GPL-3.0-or-later
// The keyword ranking run of the single query: the domain's keyword table, page by page.
#include "keywords/keyword_run.h"

#include "fetch/addresses.h"
#include "keywords/keyword_parser.h"
#include "text/app_error.h"
#include "text/textcut.h"

#include <cmath>

using namespace Qt::StringLiterals;

namespace quorvane {

namespace {

// The site shows 25 keywords a page and the run reads at most 40 pages: placeholder rows beyond
// what those can fill would never be filled, and a count of millions would build millions of rows.
constexpr qint64 kMostKeywordRows = 40 * 25;

}  // namespace

QString KeywordRow::shown(int cell) const {
    const auto at = static_cast<std::size_t>(cell - KeywordCell::Keyword);
    return at < cells.size() && cells[at] ? *cells[at] : kUnknown;
}

KeywordRun::KeywordRun(FetchContext& fetch, BatchRun& batch, QString statsSite, QObject* parent)
    : QObject(parent),
      m_fetch(fetch),
      m_batch(batch),
      m_statsSite(std::move(statsSite)),
      pr4([this](const QString& page) { pr4_HttpEvent(page); }) {
    connect(&m_batch, &BatchRun::singlePageRead, this, &KeywordRun::showStats);
}

KeywordRun::~KeywordRun() = default;

const KeywordRow& KeywordRun::row(qint64 entry) const {
    if (entry < 1 || entry > rowCount()) {
        throw AppError(AppError::kIndexOutOfBounds, u"索引超出范围"_s);
    }
    return m_rows[static_cast<std::size_t>(entry - 1)];
}

void KeywordRun::query(const QString& domain) {
    Q_EMIT queryStarted(domain);
    // Every page of the run is the domain's asked for now, whatever the box says later.
    m_domain = domain;
    m_figures = {};
    m_pagesTotal = 0;
    m_pagesDone = 0;
    m_haltReason.clear();
    m_keywordRow = 1;
    m_keywordPage = 0;
    Q_EMIT figuresChanged();
    m_batch.singleQuery(domain);
}

// The keyword count read as the page count reads it: "1,003" is 1,003 keywords, not 1.
double KeywordRun::keywordCount() const {
    const Figure& count = figure(StatsField::Keywords);
    return count.state == Figure::State::Value
               ? text::wholeNumber(count.text).value_or(text::leadingNumber(count.text))
               : 0;
}

// The statistics page of the single query, in the page's order; the keyword count starts the keyword
// run. What the page lacks fails, and says why.
void KeywordRun::showStats(const std::vector<StatsFigure>& figures, const QString& failure) {
    if (!failure.isEmpty()) {
        m_figures.fill(Figure::failed(failure));
        Q_EMIT figuresChanged();
        return;
    }
    bool keywords = false;
    for (const StatsFigure& figure : figures) {
        m_figures[static_cast<std::size_t>(figure.field)] =
            figure.found ? Figure::value(figure.text) : Figure::failed(kNoSuchField);
        if (figure.field == StatsField::Keywords && figure.found) {
            if (const std::optional<int> pages = keywordPagesFor(figure.text)) {
                m_pagesTotal = *pages;
                keywords = true;
            }
        }
    }
    Q_EMIT figuresChanged();
    if (keywords) {
        StartKeywordRun();
    }
}

void KeywordRun::StartKeywordRun() {
    const qint64 rows = std::min<qint64>(text::roundHalfEven(std::trunc(keywordCount())), kMostKeywordRows);
    Q_EMIT rowsAboutToReset();
    m_rows.assign(static_cast<std::size_t>(std::max<qint64>(rows, 0)), KeywordRow{});
    Q_EMIT rowsReset();
    RequestKeywordPage();
}

void KeywordRun::RequestKeywordPage() {
    if (m_batch.halted()) {
        m_haltReason = u"批量查询的暂停或停止中止了关键词查询"_s;
        Q_EMIT figuresChanged();
        return;
    }
    HTTPPage2& page = pr4.renew(m_fetch);
    resumeNext([&] {
        page.SubIniData(keywordPageAddress(m_statsSite, m_domain, m_keywordPage), Charset::Utf8,
                        std::chrono::seconds(5));
    });
}

// The run halts on a page it cannot read; "完成" says why in its tooltip.
void KeywordRun::halt(const QString& reason) {
    m_haltReason = u"第 %1 页读取失败："_s.arg(m_keywordPage + 1) + reason;
    Q_EMIT figuresChanged();
}

void KeywordRun::pr4_HttpEvent(const QString& HereReturnCode) {
    if (m_pagesTotal < m_pagesDone + 1) {
        Q_EMIT finished();
        return;
    }
    // An error page is no keyword table.
    if (pr4.gotErrorPage()) {
        halt(pageFailureReason(pr4, HereReturnCode));
        return;
    }
    const KeywordTable table = parseKeywordTable(HereReturnCode);
    if (!table.parsed) {
        halt(pageFailureReason(pr4, HereReturnCode));
        return;
    }
    for (const KeywordTableRow& row : table.rows) {
        if (keywordCount() < static_cast<double>(m_keywordRow)) {
            break;
        }
        if (m_keywordRow > rowCount()) {
            // More keywords than rows: the list is full, and the user is told why the pages stop.
            m_haltReason = u"关键词超过 %1 条：只列出前 %1 条"_s.arg(kMostKeywordRows);
            Q_EMIT figuresChanged();
            return;
        }
        // The run fills its rows in the order it made them, however the list is sorted meanwhile.
        KeywordRow& target = m_rows[static_cast<std::size_t>(m_keywordRow - 1)];
        for (int cell = 0; cell < row.cells.size() && cell < static_cast<int>(target.cells.size()); ++cell) {
            target.cells[static_cast<std::size_t>(cell)] = row.cells.at(cell);
        }
        Q_EMIT rowChanged(m_keywordRow);
        if (!row.complete()) {
            // A row the page does not hold whole halts the run; what it did hold stays.
            halt(u"表格不完整"_s);
            return;
        }
        ++m_keywordRow;
    }
    ++m_keywordPage;
    m_pagesDone = static_cast<int>(m_keywordPage);
    Q_EMIT figuresChanged();
    RequestKeywordPage();
}

}  // namespace quorvane
