// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "batch/batch_run.h"

#include <QObject>
#include <array>
#include <optional>
#include <vector>

namespace quorvane {

// A row of the keyword list: the keyword, its rank, search index, indexed count and page title,
// each unknown until a page of the table fills it.
struct KeywordRow {
    std::array<std::optional<QString>, KeywordCell::Count - 1> cells;
    // Cell KeywordCell::Keyword to Title, as the list shows it ("..." until known).
    QString shown(int cell) const;
};

// The single query of one domain: its statistics page (fetched by the batch run's first chain, as it
// always has been), then its keyword table page by page into typed rows, until the pages the
// keyword count calls for are read, a page cannot be read, or the batch run halts it.
class KeywordRun final : public QObject {
    Q_OBJECT
public:
    KeywordRun(FetchContext& fetch, BatchRun& batch, QString statsSite, QObject* parent = nullptr);
    ~KeywordRun() override;

    // "开  始": the figures start over and the batch run hands its first chain to this query.
    void query(const QString& domain);
    const QString& domain() const { return m_domain; }  // the last query's; empty before the first
    // Another statistics site from the next keyword page on.
    void setStatsSite(QString site) { m_statsSite = std::move(site); }

    // The statistics page's figures (unknown until it is read).
    const Figure& figure(StatsField field) const { return m_figures[static_cast<std::size_t>(field)]; }
    int pagesTotal() const { return m_pagesTotal; }  // "共有: … 页"
    int pagesDone() const { return m_pagesDone; }    // "完成: … 页"
    // Why the run stopped before its last page; empty while it goes on or once it read them all.
    const QString& haltReason() const { return m_haltReason; }

    qint64 rowCount() const { return static_cast<qint64>(m_rows.size()); }
    qint64 rowsFilled() const { return m_keywordRow - 1; }  // rows the pages filled whole, in order
    const KeywordRow& row(qint64 entry) const;              // entry 1-based, the order the rows were made in

    void pr4_HttpEvent(const QString& HereReturnCode);

Q_SIGNALS:
    void figuresChanged();  // the statistics figures, the page counts or the halt reason
    void rowsAboutToReset();
    void rowsReset();  // a new list of placeholder rows
    void rowChanged(qint64 entry);
    void finished();  // the reply after the last page: the query may run again
    // A query of the domain begins: the figures start over.
    void queryStarted(const QString& domain);

private:
    void showStats(const std::vector<StatsFigure>& figures, const QString& failure);
    void StartKeywordRun();
    void RequestKeywordPage();
    void halt(const QString& reason);
    double keywordCount() const;

    FetchContext& m_fetch;
    BatchRun& m_batch;
    QString m_statsSite;
    QString m_domain;
    std::array<Figure, 5> m_figures;
    int m_pagesTotal = 0;
    int m_pagesDone = 0;
    QString m_haltReason;
    std::vector<KeywordRow> m_rows;
    qint64 m_keywordRow = 1;   // the next row a page fills
    qint64 m_keywordPage = 0;  // pages read
    FetcherSlot pr4;
};

}  // namespace quorvane
