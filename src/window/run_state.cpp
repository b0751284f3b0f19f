// SPDX-License-Identifier: GPL-3.0-or-later
#include "run_state.h"

#include "../text/textcut.h"

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
    rewind(rowsPerBatch);
    retry = true;
    retryEntries = std::move(entries);
}

void RunState::rowCounted() {
    const auto index = static_cast<std::size_t>(ProgressRow - 1);
    const bool retried = index < retryEntries.size() && retryEntries[index];
    if (retry && !retried && PauseAt > ProgressRow) {
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
    Check1 = 1;
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
    haltedByUser = true;
    rewind(rowsPerBatch);
    endRetry();
}

void RunState::singleQuery() {
    StatsRow() = DomainQueryRow() = SiteQueryRow() = 1;
    KeywordRow() = 1;
    KeywordPage() = 0;
    Check4 = 1;
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
