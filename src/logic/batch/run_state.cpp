// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/run_state.h"

#include "text/textcut.h"

#include <algorithm>

namespace quorvane {

void RunState::rewind(qint64 rowsPerBatch) {
    RowCursors = {1, 1, 1};
    m_progressRow = 1;
    m_pauseAt = rowsPerBatch;
}

bool RunState::start(qint64 rowsPerBatch) {
    m_check1 = 0;
    m_check4 = 0;
    m_haltedByUser = false;
    m_blocked = false;
    if (m_check2 == 1) {
        m_check2 = 0;
        return false;
    }
    rewind(rowsPerBatch);
    endRetry();
    return true;
}

void RunState::startRetry(qint64 rowsPerBatch, std::vector<bool> entries) {
    m_check1 = 0;
    m_check2 = 0;
    m_check4 = 0;
    m_haltedByUser = false;
    m_blocked = false;
    rewind(rowsPerBatch);
    m_retry = true;
    m_retryEntries = std::move(entries);
}

void RunState::rowCounted() {
    const bool retried = retriedRow(m_progressRow);
    // A boundary still ahead, or due at this very row, keeps its place among the retried rows.
    if (m_retry && !retried && m_pauseAt >= m_progressRow) {
        ++m_pauseAt;  // the boundary keeps its distance in retried rows
    }
    ++m_progressRow;
}

void RunState::endRetry() {
    m_retry = false;
    m_retryEntries = {};
}

void RunState::userPause() {
    m_haltedByUser = true;
    m_check2 = 1;
    m_check1 = 1;
}

void RunState::userStop() {
    m_haltedByUser = true;
    m_blocked = false;
    m_check1 = 1;
}

bool RunState::robotCheck() {
    ++m_robotChecks;
    // Late replies after the user's 暂停 or 停止 must not start a pause that would resume the run.
    return !m_blocked && !m_haltedByUser && m_robotChecks >= kChecksBeforeBlock;
}

void RunState::goodAnswer() {
    m_robotChecks = 0;
    m_blockPauses = 0;
}

int RunState::blockPause() {
    // Halted as by the user: a pause boundary passing meanwhile must not resume the run early.
    userPause();
    m_blocked = true;
    int seconds = kFirstBackOffSeconds;
    for (int i = 0; i < m_blockPauses && seconds < kLongestBackOffSeconds; ++i) {
        seconds *= 2;
    }
    ++m_blockPauses;
    return std::min(seconds, kLongestBackOffSeconds);
}

bool RunState::passPauseBoundary(double rowsPerBatch) {
    // Adds without wrapping, however large the rows per batch.
    m_pauseAt = text::roundHalfEven(static_cast<double>(m_pauseAt) + rowsPerBatch);
    return !m_haltedByUser;
}

void RunState::automaticPause() {
    m_check2 = 1;
    m_check1 = 1;
}

void RunState::import(qint64 rowsPerBatch) {
    m_check2 = 0;
    m_blocked = false;
    m_haltedByUser = true;
    rewind(rowsPerBatch);
    endRetry();
}

void RunState::singleQuery() {
    RowCursors = {1, 1, 1};
    m_check4 = 1;
    m_blocked = false;
    endRetry();
    // The query must go out even after a batch Stop or Pause, and no pending resume may follow it.
    m_check1 = 0;
    m_check2 = 0;
}

bool RunState::advance(Cursor chain, qint64 rowCount) {
    if (RowCursors[chain] < rowCount) {
        ++RowCursors[chain];
        return true;
    }
    return false;
}

}  // namespace quorvane
