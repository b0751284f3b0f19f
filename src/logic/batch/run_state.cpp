// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/run_state.h"

#include "text/textcut.h"

#include <algorithm>

namespace quorvane {

void RunState::rewind(qint64 rowsPerBatch) {
    StatsRow() = DomainQueryRow() = SiteQueryRow() = 1;
    ProgressRow = 1;
    PauseAt = rowsPerBatch;
}

bool RunState::start(qint64 rowsPerBatch) {
    Check1 = 0;
    Check4 = 0;
    haltedByUser = false;
    blocked = false;
    if (Check2 == 1) {
        Check2 = 0;
        return false;
    }
    rewind(rowsPerBatch);
    endRetry();
    return true;
}

void RunState::startRetry(qint64 rowsPerBatch, std::vector<bool> entries) {
    Check1 = 0;
    Check2 = 0;
    Check4 = 0;
    haltedByUser = false;
    blocked = false;
    rewind(rowsPerBatch);
    retry = true;
    retryEntries = std::move(entries);
}

void RunState::rowCounted() {
    const bool retried = retriedRow(ProgressRow);
    // A boundary still ahead, or due at this very row, keeps its place among the retried rows.
    if (retry && !retried && PauseAt >= ProgressRow) {
        ++PauseAt;  // the boundary keeps its distance in retried rows
    }
    ++ProgressRow;
}

void RunState::endRetry() {
    retry = false;
    retryEntries = {};
}

void RunState::userPause() {
    haltedByUser = true;
    Check2 = 1;
    Check1 = 1;
}

void RunState::userStop() {
    haltedByUser = true;
    blocked = false;
    Check1 = 1;
}

bool RunState::robotCheck() {
    ++robotChecks;
    // Late replies after the user's 暂停 or 停止 must not start a pause that would resume the run.
    return !blocked && !haltedByUser && robotChecks >= kChecksBeforeBlock;
}

void RunState::goodAnswer() {
    robotChecks = 0;
    blockPauses = 0;
}

int RunState::blockPause() {
    // Halted as by the user: a pause boundary passing meanwhile must not resume the run early.
    userPause();
    blocked = true;
    int seconds = kFirstBackOffSeconds;
    for (int i = 0; i < blockPauses && seconds < kLongestBackOffSeconds; ++i) {
        seconds *= 2;
    }
    ++blockPauses;
    return std::min(seconds, kLongestBackOffSeconds);
}

bool RunState::passPauseBoundary(double rowsPerBatch) {
    // Adds without wrapping, however large the rows per batch.
    PauseAt = text::roundHalfEven(static_cast<double>(PauseAt) + rowsPerBatch);
    return !haltedByUser;
}

void RunState::automaticPause() {
    Check2 = 1;
    Check1 = 1;
}

void RunState::import(qint64 rowsPerBatch) {
    Check2 = 0;
    blocked = false;
    haltedByUser = true;
    rewind(rowsPerBatch);
    endRetry();
}

void RunState::singleQuery() {
    StatsRow() = DomainQueryRow() = SiteQueryRow() = 1;
    KeywordRow() = 1;
    KeywordPage() = 0;
    Check4 = 1;
    blocked = false;
    endRetry();
    // The query must go out even after a batch Stop or Pause, and no pending resume may follow it.
    Check1 = 0;
    Check2 = 0;
}

bool RunState::advance(qint64& cursor, qint64 rowCount) {
    if (cursor < rowCount) {
        ++cursor;
        return true;
    }
    return false;
}

}  // namespace quorvane
