// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "history/history_store.h"
#include "keywords/keyword_run.h"

#include <QObject>
#include <array>

namespace quorvane {

// Keeps what the runs find in the history: each start of the batch run afresh begins a run there, a
// resume goes on in it, a retry begins a run whose parent is the one it retries; every figure known
// is recorded as it comes, and the count of rows done. A run ends when its last row is counted, and
// when the user ends it (停止, a new list, the single query): only a run the program died in stays
// unfinished. A run paused goes on unfinished, as its next start resumes it. Each single query's
// statistics are a run of one row; keyword lists are not kept.
class Journal final : public QObject {
    Q_OBJECT
public:
    Journal(HistoryStore& store, BatchRun& batch, KeywordRun& keywords, QObject* parent = nullptr);

    // The run the list's figures are kept in; 0 when none is (after a new list).
    HistoryStore::RunId listRun() const { return m_listRun; }
    HistoryStore::RunId singleRun() const { return m_singleRun; }
    // The rows just put in the list came from this run of the history: a retry goes on from it.
    void adopt(HistoryStore::RunId run);

Q_SIGNALS:
    // listRun() is another run now: what came before the list's run is another set of runs.
    void listRunChanged();

private:
    void setListRun(HistoryStore::RunId run);
    void starting(BatchRun::Start how);
    void figureChanged(qint64 entry, int cell);
    void rowCounted(qint64 rowsCounted);
    void endListRun();
    void queryStarted(const QString& domain);
    void singleFigures();

    HistoryStore& m_store;
    BatchRun& m_batch;
    KeywordRun& m_keywords;
    HistoryStore::RunId m_listRun = 0;
    bool m_listRunOpen = false;
    HistoryStore::RunId m_singleRun = 0;
    std::array<bool, 5> m_singleKept{};  // by StatsField
};

}  // namespace quorvane
