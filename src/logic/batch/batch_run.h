// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "batch/domain_list.h"
#include "batch/page_parsers.h"
#include "batch/run_state.h"
#include "fetch/fetcher_slot.h"
#include "fetch/window_timer.h"
#include "text/cells.h"

#include <QObject>
#include <array>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace quorvane {

// One figure of a result row: not known yet, a value (the text shown, a number where it reads as
// one), or failed with the reason why.
struct Figure {
    enum class State : quint8 { Unknown, Value, Failed };
    State state = State::Unknown;
    QString text;    // the value, as the page gave it
    QString reason;  // why it failed; empty for an old failure without one

    static Figure value(const QString& text) { return {State::Value, text, {}}; }
    static Figure failed(const QString& reason) { return {State::Failed, {}, reason}; }
    bool known() const { return state != State::Unknown; }
    // What a list cell, a result file and a CSV cell show: the value, "失败" or "...".
    QString shown() const;
    std::optional<double> number() const;
};

// The six figures of a domain row, in the columns' order.
constexpr int kDomainFigures = DomainCell::Count - DomainCell::Weight;

// Why a delivered page holds no figures, in words for the user.
QString pageFailureReason(const FetcherSlot& fetcher, const QString& page);

// A row as a list kept elsewhere brings it back: its domain, its line in the imported text, its figures.
struct RowRecord {
    QString domain;
    int line = 0;
    std::array<Figure, kDomainFigures> figures;  // by cell - DomainCell::Weight
};

// The three request chains of the batch run.
enum class Chain { Stats, DomainQuery, SiteQuery };

// The batch query over a list of domains: the rows in the order imported, each a domain and six
// figures, and the three chains that fill them (statistics page, domain query, site query), paced
// in batches of rows with a pause between them. Listeners hear when a figure changes and when a row
// is counted; nothing reads the figures back from a list. It also fetches the single query's
// statistics page, on the first chain, as it always has.
class BatchRun final : public QObject {
    Q_OBJECT
public:
    struct Sites {
        QString stats;         // scheme and host of the SEO statistics site
        QString searchEngine;  // scheme and host of the search engine
    };

    // How a start goes on: afresh from the first row, resuming a paused run, or retrying what failed.
    enum class Start : quint8 { Fresh, Resume, Retry };
    Q_ENUM(Start)

    BatchRun(FetchContext& fetch, Sites sites, QObject* parent = nullptr);
    ~BatchRun() override;

    const Sites& sites() const { return m_sites; }
    // Other addresses from the next request on; a run going on goes on.
    void setSites(Sites sites) { m_sites = std::move(sites); }

    // --- The rows, by entry (1-based, the order of the import).
    qint64 rowCount() const { return static_cast<qint64>(m_rows.size()); }
    QStringView domain(qint64 entry) const;
    int lineNumber(qint64 entry) const;
    const Figure& figure(qint64 entry, int cell) const;  // cell: DomainCell::Weight to Snapshot
    // Whether a row has no figure left to fill.
    bool complete(qint64 entry) const;
    // Rows counted done so far, as "已查询 … 条" shows them.
    qint64 rowsCounted() const { return m_run.ProgressRow() - 1; }
    // The list came from a file with figures, and no run has begun since.
    bool hasImportedFigures() const { return m_importedFigures; }
    // Whether a cell failed or is still unknown anywhere, which a retry would ask for again.
    bool hasRowsToRetry() const;

    // --- What the user does.
    // A new list from a text of domains, one a line; with figures, lines saved as whole rows
    // ("domain|weight|…|snapshot") come back with their figures. The run in progress ends.
    void import(const QString& text, bool withFigures);
    // A new list of rows with their figures, as the history kept them. The run in progress ends.
    void restore(const std::vector<RowRecord>& rows);
    // "开始" (also at the end of a pause): resumes a paused run, else starts afresh at the first row
    // with every figure unknown again.
    void start();
    // Ctrl+R: the run again, asking only for figures that failed or are unknown; false when there
    // are none.
    bool retry();
    void pause();  // "暂停"
    void stop();   // "停止"
    // The single query of one domain takes over the first chain; the batch run ends cleanly.
    void singleQuery(const QString& domain);
    // "查询: … 条，停 … 秒", as the boxes read now.
    void setPacing(double rowsPerBatch, double pauseSeconds);

    // --- The run's state, for what the window shows.
    bool halted() const { return m_run.halted(); }
    bool paused() const { return m_run.paused(); }
    bool singleMode() const { return m_run.singleMode(); }
    bool blocked() const { return m_run.blocked(); }
    // Whether an automatic pause is counting down to its resume, and its length in ms.
    bool resumePending() const { return Timer2.isRunning(); }
    int resumeInterval() const { return Timer2.Interval(); }
    // Seconds left of a block pause; 0 when none is counting down.
    int blockSecondsLeft() const { return m_blockSecondsLeft; }
    // Whether anything can still change: rows left to count and, if halted, a page on its way.
    bool active() const;
    // The row the progress count waits for, and the one at which the next pause begins.
    qint64 progressRow() const { return m_run.ProgressRow(); }
    qint64 pauseAt() const { return m_run.PauseAt(); }
    qint64 cursor(Chain chain) const;

    // The page handlers: 1 statistics (also the single query's), 2 domain query, 3 site query.
    void pr1_HttpEvent(const QString& HereReturnCode);
    void pr2_HttpEvent(const QString& HereReturnCode);
    void pr3_HttpEvent(const QString& HereReturnCode);
    void Timer2_Timer();  // the end of an automatic pause
    void Timer4_Timer();  // a second of a block pause

Q_SIGNALS:
    void rowsAboutToReset();
    void rowsReset();  // a new list
    void started();    // a start, resume or retry sent its first requests
    void figureChanged(qint64 entry, int cell);
    void figuresReset();  // every figure changed at once
    void rowCounted(qint64 rowsCounted);
    void blockChanged();  // a block pause began, counted down or ended
    // The single query's statistics page: its figures, or why it holds none.
    void singlePageRead(const std::vector<StatsFigure>& figures, const QString& failure);
    // A start, resume or retry is about to reset figures and counts and send its first requests.
    void starting(BatchRun::Start how);
    void stopped();  // "停止"

private:
    struct Row {
        qsizetype start = 0;  // the domain, a piece of m_text
        int length = 0;
        int number = 0;
        // Figures once any is known, and a domain of its own when a saved row brought one back.
        struct Filled {
            std::array<Figure, kDomainFigures> figures;
            std::optional<QString> domain;
        };
        std::unique_ptr<Filled> filled;
    };

    void RequestStatsPage();
    void RequestDomainQuery();
    void RequestSiteQuery();
    void countChainEvent(const QString& page, const FetcherSlot& fetcher, Chain chain, int cell,
                         void (BatchRun::*builder)());
    bool nextRowToRetry(Chain chain, std::span<const int> cells);
    void fillUnknown(qint64 entry, int cell, const Figure& figure);
    Figure& figureAt(Row& row, int cell);
    const Row* rowAt(qint64 entry) const;
    void begin();
    void countRows();
    void checkPauseBoundary();
    void beginBlockPause();
    void endBlockPause();
    void endRun();
    qint64 rowsPerBatch() const;

    FetchContext& m_fetch;
    Sites m_sites;
    QString m_text;  // the imported text the domains are pieces of
    std::vector<Row> m_rows;
    RunState m_run;
    bool m_importedFigures = false;
    bool m_running = false;  // started since the last import or single query
    QString m_singleDomain;
    double m_rowsPerBatch = 0;
    double m_pauseSeconds = 0;
    int m_blockSecondsLeft = 0;
    FetcherSlot pr1;
    FetcherSlot pr2;
    FetcherSlot pr3;
    WindowTimer Timer2;
    WindowTimer Timer4;
    WindowTimer m_firstCount;
    static constexpr int kCountTickMs = 10;
};

}  // namespace quorvane
