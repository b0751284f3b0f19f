// SPDX-License-Identifier: GPL-3.0-or-later
// The domain batch query: the three request chains, their pacing, the retry and the block pause.
#include "batch/batch_run.h"

#include "batch/domain_file.h"
#include "fetch/addresses.h"
#include "text/app_error.h"
#include "text/textcut.h"

#include <algorithm>
#include <limits>

using namespace Qt::StringLiterals;

namespace quorvane {

namespace {

// Baidu's result pages were GB2312 before they came in UTF-8; a page that declares its own wins.
constexpr Charset kUtf8 = Charset::Utf8;
constexpr Charset kGb2312 = Charset::Gb2312;
constexpr std::chrono::seconds kTimeout{5};
const QString kLastRunFailed = u"上次查询失败"_s;

constexpr int kStatsCells[] = {DomainCell::Weight, DomainCell::Keywords, DomainCell::Traffic,
                               DomainCell::Snapshot};
constexpr int kBacklinkCells[] = {DomainCell::Backlinks};
constexpr int kIndexedCells[] = {DomainCell::Indexed};

int cellFor(StatsField field) {
    return field == StatsField::Indexed ? 0 : domainCellOf(field);  // the site query's figure is the row's
}

RunState::Cursor cursorOf(Chain chain) {
    return static_cast<RunState::Cursor>(chain);
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

const Figure kUnknownFigure;

}  // namespace

QString pageFailureReason(const FetcherSlot& fetcher, const QString& page) {
    if (QString reason = fetcher.failureReason(); !reason.isEmpty()) {
        return reason;
    }
    return isVerificationPage(page) ? kVerificationReason : u"页面中没有数据"_s;
}

QString Figure::shown() const {
    switch (state) {
        case State::Unknown:
            return kUnknown;
        case State::Value:
            return text;
        case State::Failed:
            return kFailureText;
    }
    return kUnknown;
}

std::optional<double> Figure::number() const {
    return state == State::Value ? text::cellNumber(text) : std::nullopt;
}

BatchRun::BatchRun(FetchContext& fetch, Sites sites, QObject* parent)
    : QObject(parent),
      m_fetch(fetch),
      m_sites(std::move(sites)),
      pr1([this](const QString& page) { pr1_HttpEvent(page); }),
      pr2([this](const QString& page) { pr2_HttpEvent(page); }),
      pr3([this](const QString& page) { pr3_HttpEvent(page); }),
      Timer2(fetch.timers.systemTimers()),
      Timer4(fetch.timers.systemTimers()),
      m_firstCount(fetch.timers.systemTimers()) {
    m_firstCount.setInterval(kCountTickMs);
    m_firstCount.Timer = [this] {
        m_firstCount.setEnabled(false);
        countRows();
    };
    Timer2.Timer = [this] { Timer2_Timer(); };
    Timer4.Timer = [this] { Timer4_Timer(); };
    // As the window was designed: enabled, but an interval of 0 never fires.
    Timer2.setEnabled(true);
    Timer2.setInterval(0);
}

BatchRun::~BatchRun() = default;

const BatchRun::Row* BatchRun::rowAt(qint64 entry) const {
    if (entry < 1 || entry > rowCount()) {
        return nullptr;
    }
    return &m_rows[static_cast<std::size_t>(entry - 1)];
}

QStringView BatchRun::domain(qint64 entry) const {
    const Row* row = rowAt(entry);
    if (!row) {
        throw AppError(AppError::kIndexOutOfBounds, u"索引超出范围"_s);
    }
    if (row->filled && row->filled->domain) {
        return *row->filled->domain;
    }
    return QStringView(m_text).sliced(row->start, row->length);
}

int BatchRun::lineNumber(qint64 entry) const {
    const Row* row = rowAt(entry);
    return row ? row->number : 0;
}

const Figure& BatchRun::figure(qint64 entry, int cell) const {
    const Row* row = rowAt(entry);
    if (!row || cell < DomainCell::Weight || cell >= DomainCell::Count) {
        throw AppError(AppError::kIndexOutOfBounds, u"索引超出范围"_s);
    }
    return row->filled ? row->filled->figures[static_cast<std::size_t>(cell - DomainCell::Weight)]
                       : kUnknownFigure;
}

Figure& BatchRun::figureAt(Row& row, int cell) {
    if (!row.filled) {
        row.filled = std::make_unique<Row::Filled>();
    }
    return row.filled->figures[static_cast<std::size_t>(cell - DomainCell::Weight)];
}

bool BatchRun::complete(qint64 entry) const {
    const Row* row = rowAt(entry);
    return row && row->filled &&
           std::all_of(row->filled->figures.begin(), row->filled->figures.end(),
                       [](const Figure& figure) { return figure.known(); });
}

bool BatchRun::hasRowsToRetry() const {
    return std::any_of(m_rows.begin(), m_rows.end(), [](const Row& row) {
        return !row.filled || std::any_of(row.filled->figures.begin(), row.filled->figures.end(),
                                          [](const Figure& f) { return f.state != Figure::State::Value; });
    });
}

qint64 BatchRun::cursor(Chain chain) const {
    return m_run.cursor(cursorOf(chain));
}

bool BatchRun::active() const {
    if (!m_running || m_run.ProgressRow() > rowCount()) {
        return false;
    }
    return !m_run.halted() || waiting(pr1) || waiting(pr2) || waiting(pr3);
}

qint64 BatchRun::rowsPerBatch() const {
    return text::roundHalfEven(m_rowsPerBatch);
}

void BatchRun::setPacing(double rowsPerBatch, double pauseSeconds) {
    m_rowsPerBatch = rowsPerBatch;
    m_pauseSeconds = pauseSeconds;
}

// --- The list.

void BatchRun::import(const QString& text, bool withFigures) {
    const std::vector<DomainLine> lines = domainLinesOfBox(text);
    // The domains stay pieces of the text: a row of a hundred thousand costs no allocation of its own.
    // A text that shares its characters (a raw view) or holds far more than its domains is copied down.
    const char16_t* const begin = QStringView(text).utf16();
    qsizetype used = 0;
    for (const DomainLine& line : lines) {
        used += line.domain.size();
    }
    const bool share = text.data_ptr().isMutable() && used >= text.size() / 2;
    QString pieces = share ? text : QString(used, Qt::Uninitialized);
    char16_t* out = share ? nullptr : reinterpret_cast<char16_t*>(pieces.data());
    std::vector<Row> rows;
    rows.reserve(lines.size());
    m_importedFigures = false;
    for (const DomainLine& line : lines) {
        Row row;
        if (share) {
            row.start = line.domain.utf16() - begin;
        } else {
            row.start = out - reinterpret_cast<const char16_t*>(pieces.constData());
            out = std::copy(line.domain.utf16(), line.domain.utf16() + line.domain.size(), out);
        }
        row.length = static_cast<int>(line.domain.size());
        row.number = std::max(line.number, 1);
        if (const auto saved = withFigures ? savedRowFields(line.domain) : std::nullopt) {
            row.filled = std::make_unique<Row::Filled>();
            row.filled->domain = saved->at(0);
            for (int cell = DomainCell::Weight; cell < DomainCell::Count; ++cell) {
                const QString& text = saved->at(cell - 1);
                Figure& figure = figureAt(row, cell);
                if (text == kFailureText) {
                    figure = Figure::failed(kLastRunFailed);
                } else if (text != kUnknown) {
                    figure = Figure::value(text);
                }
                m_importedFigures = m_importedFigures || text != kUnknown;
            }
        }
        rows.push_back(std::move(row));
    }
    Q_EMIT rowsAboutToReset();
    m_text = std::move(pieces);
    m_rows = std::move(rows);
    Q_EMIT rowsReset();
    endRun();
}

void BatchRun::restore(const std::vector<RowRecord>& records) {
    QString text;
    std::vector<Row> rows;
    rows.reserve(records.size());
    m_importedFigures = false;
    for (const RowRecord& record : records) {
        Row row;
        row.start = text.size();
        row.length = static_cast<int>(record.domain.size());
        row.number = std::max(record.line, 1);
        text += record.domain;
        if (std::any_of(record.figures.begin(), record.figures.end(),
                        [](const Figure& f) { return f.known(); })) {
            row.filled = std::make_unique<Row::Filled>();
            row.filled->figures = record.figures;
            m_importedFigures = true;
        }
        rows.push_back(std::move(row));
    }
    Q_EMIT rowsAboutToReset();
    m_text = std::move(text);
    m_rows = std::move(rows);
    Q_EMIT rowsReset();
    endRun();
}

// An import ends the batch run: its cursors and pages in flight belong to the old list, and a run
// that went on over the new one would skip its first rows and count them done.
void BatchRun::endRun() {
    // Even a Pause and Start after it must begin at the new list's first row.
    m_run.import(rowsPerBatch());
    m_running = false;
    m_firstCount.setEnabled(false);
    endBlockPause();
    Timer2.setEnabled(false);
    pr2.detach();
    pr3.detach();
    if (!m_run.singleMode()) {
        pr1.detach();  // in single-query mode it fetches that query's page
    }
    Q_EMIT rowCounted(rowsCounted());
}

// --- Start, Pause, Stop, retry.

void BatchRun::start() {
    m_importedFigures = false;
    endBlockPause();
    // A Start, by hand or at the end of a pause, supersedes any pending automatic resume.
    Timer2.setEnabled(false);
    const bool fresh = m_run.start(rowsPerBatch());
    Q_EMIT starting(fresh ? Start::Fresh : Start::Resume);
    if (fresh) {
        // Old figures would be counted as done before this run fetched anything, firing the pauses
        // early, and a page that fails now would leave the old figure standing.
        for (Row& row : m_rows) {
            if (row.filled && row.filled->domain) {
                row.filled->figures = {};
            } else {
                row.filled.reset();
            }
        }
        Q_EMIT figuresReset();
        Q_EMIT rowCounted(rowsCounted());
    }
    begin();
}

void BatchRun::begin() {
    RequestStatsPage();
    RequestDomainQuery();
    RequestSiteQuery();
    m_running = true;
    Q_EMIT started();
    // The first count comes a tick after the requests, as the window's progress check always did: a
    // boundary due at once, or rows a retry asks nothing for, show after a Start, not inside it.
    m_firstCount.setEnabled(false);
    m_firstCount.setEnabled(true);
}

bool BatchRun::retry() {
    if (!hasRowsToRetry()) {
        return false;
    }
    Q_EMIT starting(Start::Retry);
    m_importedFigures = false;
    endBlockPause();
    Timer2.setEnabled(false);
    // The rows with a figure that failed or is still unknown; their failures become unknown again, so
    // that the chains ask for them and the progress count waits for them.
    std::vector<bool> rows(m_rows.size());
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        Row& row = m_rows[i];
        rows[i] = !row.filled;
        for (int cell = DomainCell::Weight; row.filled && cell < DomainCell::Count; ++cell) {
            Figure& figure = figureAt(row, cell);
            if (figure.state == Figure::State::Failed) {
                figure = {};
                Q_EMIT figureChanged(static_cast<qint64>(i) + 1, cell);
            }
            rows[i] = rows[i] || !figure.known();
        }
    }
    m_run.startRetry(rowsPerBatch(), std::move(rows));
    Q_EMIT rowCounted(rowsCounted());
    begin();
    return true;
}

void BatchRun::pause() {
    // The user's Pause holds: no pending or later automatic resume may undo it.
    Timer2.setEnabled(false);
    endBlockPause();
    m_run.userPause();
}

void BatchRun::stop() {
    Timer2.setEnabled(false);
    endBlockPause();
    m_run.userStop();
    Q_EMIT stopped();
}

void BatchRun::singleQuery(const QString& domain) {
    // The batch run ends here cleanly: its cursors are reset, so a reply still in flight, a pending
    // resume or a pause boundary would write into wrong rows or halt this query. Start runs it again.
    m_run.singleQuery();
    m_running = false;
    m_firstCount.setEnabled(false);
    m_singleDomain = domain;
    endBlockPause();
    Timer2.setEnabled(false);
    pr2.detach();
    pr3.detach();
    RequestStatsPage();
}

// --- Pacing: rows are counted in order as they complete, and every rowsPerBatch rows the run pauses.

void BatchRun::countRows() {
    if (m_run.ProgressRow() > rowCount()) {
        return;
    }
    bool counted = false;
    while (m_run.ProgressRow() <= rowCount() && complete(m_run.ProgressRow())) {
        m_run.rowCounted();
        counted = true;
        Q_EMIT rowCounted(rowsCounted());
        checkPauseBoundary();
    }
    if (!counted) {
        checkPauseBoundary();
    }
}

void BatchRun::checkPauseBoundary() {
    // Also just past the last row: the pause after the last batch comes as it always has.
    if (m_run.ProgressRow() != m_run.PauseAt()) {
        return;
    }
    if (!m_run.passPauseBoundary(m_rowsPerBatch)) {
        // Halted by hand: the boundary passes without a pause that would resume the run.
        return;
    }
    const int pause = pauseInterval(m_pauseSeconds);
    if (pause == 0) {
        // No positive pause length: no timer would ever end the pause, so the run goes straight on.
        return;
    }
    m_run.automaticPause();
    Timer2.setInterval(pause);
    Timer2.setEnabled(true);
}

void BatchRun::Timer2_Timer() {
    Timer2.setEnabled(false);
    start();
}

// --- Request builders: each statement that fails is skipped, so a missing row sends nothing.
// Uneven on purpose: the statistics and domain-query builders test the single-query mode, the
// site-query builder does not; the single start detaches its fetcher instead.

void BatchRun::RequestStatsPage() {
    if (m_run.halted()) {
        return;
    }
    HTTPPage2& page = pr1.renew(m_fetch);
    if (m_run.singleMode()) {
        resumeNext([&] {
            page.SubIniData(statsPageAddress(m_sites.stats, m_singleDomain, false), kUtf8, kTimeout);
        });
        return;
    }
    if (!nextRowToRetry(Chain::Stats, kStatsCells)) {
        return;
    }
    resumeNext([&] {
        page.SubIniData(statsPageAddress(m_sites.stats, domain(m_run.StatsRow()).toString(), true), kUtf8,
                        kTimeout);
    });
}

void BatchRun::RequestDomainQuery() {
    if (m_run.halted()) {
        return;
    }
    HTTPPage2& page = pr2.renew(m_fetch);
    if (m_run.singleMode() || !nextRowToRetry(Chain::DomainQuery, kBacklinkCells)) {
        return;
    }
    resumeNext([&] {
        page.SubIniData(domainQueryAddress(m_sites.searchEngine, domain(m_run.DomainQueryRow()).toString()),
                        kGb2312, kTimeout);
    });
}

void BatchRun::RequestSiteQuery() {
    if (m_run.halted()) {
        return;
    }
    if (!nextRowToRetry(Chain::SiteQuery, kIndexedCells)) {
        return;
    }
    HTTPPage2& page = pr3.renew(m_fetch);
    resumeNext([&] {
        page.SubIniData(siteQueryAddress(m_sites.searchEngine, domain(m_run.SiteQueryRow()).toString()),
                        kGb2312, kTimeout);
    });
}

// In a retry, moves a chain's cursor past the rows whose figures of that chain are known. False
// when no row is left for the chain: it ends without a request.
bool BatchRun::nextRowToRetry(Chain chain, std::span<const int> cells) {
    if (!m_run.retry()) {
        return true;
    }
    for (;;) {
        const qint64 row = cursor(chain);
        if (!rowAt(row) ||
            std::any_of(cells.begin(), cells.end(), [&](int cell) { return !figure(row, cell).known(); })) {
            return rowAt(row) != nullptr;
        }
        if (!m_run.advance(cursorOf(chain), rowCount())) {
            return false;
        }
    }
}

// --- Page handlers.

// Writes a page's answer into the row at a chain's cursor, but only over an unknown figure: a retry
// keeps every good figure the row already has. A row that is gone is skipped.
void BatchRun::fillUnknown(qint64 entry, int cell, const Figure& figure) {
    if (!rowAt(entry)) {
        return;
    }
    Figure& target = figureAt(m_rows[static_cast<std::size_t>(entry - 1)], cell);
    if (target.known()) {
        return;
    }
    target = figure;
    Q_EMIT figureChanged(entry, cell);
}

void BatchRun::pr1_HttpEvent(const QString& HereReturnCode) {
    // A page without the weight marker is no statistics page: zeros would read as a real result.
    const bool failed = noFigures(pr1, HereReturnCode) || !isStatsPage(HereReturnCode);
    const QString reason = failed ? pageFailureReason(pr1, HereReturnCode) : QString();
    const std::vector<StatsFigure> figures =
        failed ? std::vector<StatsFigure>{} : parseStatsPage(HereReturnCode);
    if (m_run.singleMode()) {
        Q_EMIT singlePageRead(figures, reason);
        return;
    }
    const qint64 row = m_run.StatsRow();
    for (const StatsFigure& figure : figures) {
        if (const int cell = cellFor(figure.field); cell != 0) {
            fillUnknown(row, cell, figure.found ? Figure::value(figure.text) : Figure::failed(kNoSuchField));
        }
    }
    if (failed) {
        for (const int cell : kStatsCells) {
            fillUnknown(row, cell, Figure::failed(reason));
        }
    }
    // The chain goes on before the count, which may pause the run: a page asked for goes out as it
    // always has, and is read when it comes.
    if (m_run.advance(RunState::Stats, rowCount())) {
        RequestStatsPage();
    }
    countRows();
}

void BatchRun::countChainEvent(const QString& page, const FetcherSlot& fetcher, Chain chain, int cell,
                               void (BatchRun::*builder)()) {
    const bool robotCheck = fetcher.sentToCheck() || isVerificationPage(page);
    const bool failed = robotCheck || noFigures(fetcher, page);
    const ResultCount count = failed ? ResultCount{ResultCount::Kind::NoCount, {}} : parseResultCount(page);
    // What holds no count shows as a failure, never as 0; only Baidu's own "no results" is a 0.
    Figure figure = Figure::failed(failed ? pageFailureReason(fetcher, page) : kNoCount);
    if (count.kind == ResultCount::Kind::Figure) {
        figure = Figure::value(count.figure);
    } else if (count.kind == ResultCount::Kind::NoResults) {
        figure = Figure::value(u"0"_s);
    }
    if (const std::optional<Proxy> via = robotCheck ? fetcher.proxy() : std::nullopt) {
        // Baidu flagged that proxy's address, not the others': it rests and the row is asked again
        // through the next. Only once every proxy rests does the check count towards a block.
        m_fetch.proxies.setAside(*via);
        if (!m_fetch.proxies.allSetAside()) {
            (this->*builder)();
            return;
        }
    }
    fillUnknown(cursor(chain), cell, figure);
    if (robotCheck) {
        if (m_run.robotCheck()) {
            beginBlockPause();
        }
    } else if (!failed) {
        m_run.goodAnswer();
    }
    if (m_run.advance(cursorOf(chain), rowCount())) {
        (this->*builder)();
    }
    countRows();
}

void BatchRun::pr2_HttpEvent(const QString& HereReturnCode) {
    countChainEvent(HereReturnCode, pr2, Chain::DomainQuery, DomainCell::Backlinks,
                    &BatchRun::RequestDomainQuery);
}

void BatchRun::pr3_HttpEvent(const QString& HereReturnCode) {
    countChainEvent(HereReturnCode, pr3, Chain::SiteQuery, DomainCell::Indexed, &BatchRun::RequestSiteQuery);
}

// --- The block pause: Baidu answers every request with its check once it has flagged the address,
// and each further request lengthens the block. The run waits, then goes on by itself.

void BatchRun::beginBlockPause() {
    Timer2.setEnabled(false);
    m_blockSecondsLeft = m_run.blockPause();
    Timer4.setInterval(1000);
    Timer4.setEnabled(true);
    Q_EMIT blockChanged();
}

void BatchRun::endBlockPause() {
    const bool shown = Timer4.Enabled() || m_blockSecondsLeft != 0;
    Timer4.setEnabled(false);
    if (shown) {
        m_blockSecondsLeft = 0;
        Q_EMIT blockChanged();
    }
}

void BatchRun::Timer4_Timer() {
    if (!m_run.blocked()) {
        endBlockPause();
        return;
    }
    if (--m_blockSecondsLeft > 0) {
        Q_EMIT blockChanged();
        return;
    }
    endBlockPause();
    start();
}

}  // namespace quorvane
