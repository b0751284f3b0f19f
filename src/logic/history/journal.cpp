// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/journal.h"

#include <algorithm>
#include <utility>

namespace quorvane {

namespace {

constexpr std::array<StatsField, 5> kStatsFields = {
    StatsField::Weight, StatsField::Keywords, StatsField::Traffic, StatsField::Snapshot, StatsField::Indexed};

}  // namespace

Journal::Journal(HistoryStore& store, BatchRun& batch, KeywordRun& keywords, QObject* parent)
    : QObject(parent), m_store(store), m_batch(batch), m_keywords(keywords) {
    connect(&m_batch, &BatchRun::starting, this, &Journal::starting);
    connect(&m_batch, &BatchRun::figureChanged, this, &Journal::figureChanged);
    connect(&m_batch, &BatchRun::rowCounted, this, &Journal::rowCounted);
    connect(&m_batch, &BatchRun::stopped, this, &Journal::endListRun);
    // A new list ends the run over the old one; its figures are no longer the list's.
    connect(&m_batch, &BatchRun::rowsReset, this, [this] {
        endListRun();
        setListRun(0);
    });
    connect(&m_keywords, &KeywordRun::queryStarted, this, &Journal::queryStarted);
    connect(&m_keywords, &KeywordRun::figuresChanged, this, &Journal::singleFigures);
}

void Journal::adopt(HistoryStore::RunId run) {
    endListRun();
    setListRun(run);
}

void Journal::setListRun(HistoryStore::RunId run) {
    if (std::exchange(m_listRun, run) != run) {
        Q_EMIT listRunChanged();
    }
}

// Comes before the start resets any figure or count, so that those belong to the new run.
void Journal::starting(BatchRun::Start how) {
    if (how == BatchRun::Start::Resume && m_listRun != 0) {
        // After 停止 during a pause 开始 resumes: the run goes on after all, unless it was done.
        if (!m_listRunOpen && m_batch.rowsCounted() < m_batch.rowCount()) {
            m_store.reopenRun(m_listRun);
            m_listRunOpen = true;
        }
        return;
    }
    const HistoryStore::RunId parent = m_listRun;
    endListRun();
    if (m_batch.rowCount() == 0) {
        setListRun(0);
        return;
    }
    const bool retry = how == BatchRun::Start::Retry;
    setListRun(m_store.beginRun(retry ? HistoryStore::RunKind::Retry : HistoryStore::RunKind::Batch, m_batch,
                                retry ? parent : 0));
    m_listRunOpen = m_listRun != 0;
}

void Journal::figureChanged(qint64 entry, int cell) {
    if (m_listRun != 0) {
        m_store.record(m_listRun, entry, cell, m_batch.figure(entry, cell));
    }
}

// Pages asked for before a 停止 still come in and count: they go into the run they belong to.
void Journal::rowCounted(qint64 rowsCounted) {
    if (m_listRun == 0) {
        return;
    }
    m_store.setCounted(m_listRun, rowsCounted);
    if (rowsCounted >= m_batch.rowCount()) {
        endListRun();
    }
}

void Journal::endListRun() {
    if (m_listRunOpen) {
        m_store.finishRun(m_listRun);
        m_listRunOpen = false;
    }
}

void Journal::queryStarted(const QString& domain) {
    // The single query ends the batch run: the next 开始 begins afresh.
    endListRun();
    if (m_singleRun != 0 &&
        !std::all_of(m_singleKept.begin(), m_singleKept.end(), [](bool kept) { return kept; })) {
        m_store.finishRun(m_singleRun);
    }
    m_singleKept = {};
    m_singleRun = m_store.beginSingle(domain);
}

void Journal::singleFigures() {
    if (m_singleRun == 0) {
        return;
    }
    bool all = true;
    bool added = false;
    for (std::size_t i = 0; i < kStatsFields.size(); ++i) {
        const Figure& figure = m_keywords.figure(kStatsFields[i]);
        if (figure.known() && !m_singleKept[i]) {
            m_store.record(m_singleRun, 1, domainCellOf(kStatsFields[i]), figure);
            m_singleKept[i] = true;
            added = true;
        }
        all = all && m_singleKept[i];
    }
    if (all && added) {
        m_store.setCounted(m_singleRun, 1);
        m_store.finishRun(m_singleRun);
    }
}

}  // namespace quorvane
