// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>
#include <array>
#include <vector>

namespace quorvane {

// The state of the batch run and the single query in one place: the three flags, the three chains'
// row cursors, the progress row and the next pause boundary, changed only through the named
// transitions below. Which requests go out stays with the run that owns it.
class RunState final {
public:
    enum Cursor : std::size_t { Stats, DomainQuery, SiteQuery };

    int Check1() const { return m_check1; }
    int Check2() const { return m_check2; }
    int Check4() const { return m_check4; }
    // StatsRow, DomainQueryRow, SiteQueryRow: the batch chains' rows, in the order imported.
    qint64 StatsRow() const { return RowCursors[Stats]; }
    qint64 DomainQueryRow() const { return RowCursors[DomainQuery]; }
    qint64 SiteQueryRow() const { return RowCursors[SiteQuery]; }
    qint64 cursor(Cursor chain) const { return RowCursors[chain]; }
    qint64 ProgressRow() const { return m_progressRow; }  // the row the progress check waits for
    qint64 PauseAt() const { return m_pauseAt; }  // the ProgressRow at which the next automatic pause begins
    // Halted by the user (or an import): a pause boundary then passes without a pause that would
    // resume the run.
    bool haltedByUser() const { return m_haltedByUser; }
    // A retry asks again only for the cells that failed or stayed unknown, in the rows marked (by
    // entry); the pacing counts only those rows.
    bool retry() const { return m_retry; }
    // Baidu's robot checks answered in a row, and how many block pauses came since the last good
    // answer (each waits twice as long as the one before).
    int robotChecks() const { return m_robotChecks; }
    int blockPauses() const { return m_blockPauses; }
    bool blocked() const { return m_blocked; }  // paused for a block, waiting out its back-off

    // "开始", by hand or at the end of a pause: resumes a paused run, else starts afresh from the
    // first row with the next pause after rowsPerBatch rows. True when it started afresh.
    bool start(qint64 rowsPerBatch);
    // A retry of the rows marked in entries: like a fresh start, but the figures stay.
    void startRetry(qint64 rowsPerBatch, std::vector<bool> entries);
    // The progress check counted the row at ProgressRow. A row the retry leaves alone does not count
    // toward the next pause.
    void rowCounted();
    // Whether a retry asks for anything in the row at that progress position.
    bool retriedRow(qint64 row) const {
        const auto index = static_cast<std::size_t>(row - 1);
        return row >= 1 && index < m_retryEntries.size() && m_retryEntries[index];
    }
    // "暂停" and "停止" by the user.
    void userPause();
    void userStop();
    // The progress check reached a pause boundary: the next one lies rowsPerBatch rows on. Returns
    // whether a pause may begin (not when the user halted the run).
    bool passPauseBoundary(double rowsPerBatch);
    void automaticPause();
    // A new list: the run in progress ends, and whatever Start comes next begins at the first row.
    void import(qint64 rowsPerBatch);
    // The single query takes over, and the batch run ends cleanly.
    void singleQuery();
    // The end of a chain's page: moves its cursor on when rows remain. True when it moved.
    bool advance(Cursor chain, qint64 rowCount);

    // A Baidu answer: a robot check, or a page to read. True when the checks in a row call for a
    // block pause (the run is not in one already, nor halted by the user).
    bool robotCheck();
    void goodAnswer();
    // Pauses the run as "暂停" would, for the back-off it returns in seconds: five minutes, doubling
    // with each block pause in a row, at most an hour.
    int blockPause();

    static constexpr int kChecksBeforeBlock = 3;
    static constexpr int kFirstBackOffSeconds = 5 * 60;
    static constexpr int kLongestBackOffSeconds = 60 * 60;

    bool halted() const { return m_check1 == 1; }
    bool paused() const { return m_check2 == 1; }
    bool singleMode() const { return m_check4 == 1; }

private:
    void rewind(qint64 rowsPerBatch);
    void endRetry();

    // The flags keep their design names and their 0/1 values: Check1 halt (the request builders send
    // nothing), Check2 paused (the next Start resumes), Check4 single-query mode.
    int m_check1 = 0;
    int m_check2 = 0;
    int m_check4 = 0;
    std::array<qint64, 3> RowCursors{1, 1, 1};
    qint64 m_progressRow = 1;
    qint64 m_pauseAt = 0;
    bool m_haltedByUser = false;
    bool m_retry = false;
    std::vector<bool> m_retryEntries;
    int m_robotChecks = 0;
    int m_blockPauses = 0;
    bool m_blocked = false;
};

}  // namespace quorvane
