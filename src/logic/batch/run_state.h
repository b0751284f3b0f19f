// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>
#include <array>
#include <vector>

namespace quorvane {

// The state of the batch run and the single query in one place: the three flags, the five row
// cursors, the progress row and the next pause boundary. The handlers change it only through the
// named transitions below; what the window shows and which requests go out stays with them.
//
// The flags keep their design names and their 0/1 values: Check1 halt (the request builders send
// nothing), Check2 paused (the next Start resumes), Check4 single-query mode.
class RunState final {
public:
    int Check1 = 0;
    int Check2 = 0;
    int Check4 = 0;
    // StatsRow, DomainQueryRow, SiteQueryRow (the batch chains, rows in the order imported), then
    // KeywordRow and KeywordPage (the keyword run).
    std::array<qint64, 5> RowCursors{1, 1, 1, 0, 0};
    qint64 ProgressRow = 1;  // the row whose completion the progress check waits for
    qint64 PauseAt = 0;      // the value of ProgressRow at which the next automatic pause begins
    // Halted by the user (or an import): a pause boundary then passes without a pause that would
    // resume the run.
    bool haltedByUser = false;
    // A retry asks again only for the cells that failed or stayed unknown, in the rows marked here
    // (by entry); the pacing counts only those rows.
    bool retry = false;
    std::vector<bool> retryEntries;
    // Baidu's robot checks answered in a row, and how many block pauses came since the last good
    // answer (each waits twice as long as the one before).
    int robotChecks = 0;
    int blockPauses = 0;
    bool blocked = false;  // paused for a block, waiting out its back-off

    qint64& StatsRow() { return RowCursors[0]; }
    qint64& DomainQueryRow() { return RowCursors[1]; }
    qint64& SiteQueryRow() { return RowCursors[2]; }
    qint64& KeywordRow() { return RowCursors[3]; }
    qint64& KeywordPage() { return RowCursors[4]; }
    qint64 StatsRow() const { return RowCursors[0]; }
    qint64 DomainQueryRow() const { return RowCursors[1]; }
    qint64 SiteQueryRow() const { return RowCursors[2]; }
    qint64 KeywordRow() const { return RowCursors[3]; }
    qint64 KeywordPage() const { return RowCursors[4]; }

    // "开始", by hand or at the end of a pause: resumes a paused run, else starts afresh from the
    // first row with the next pause after rowsPerBatch rows. True when it started afresh. The
    // keyword run's paging is left alone: a keyword run still filling its list would otherwise
    // write its next page over the first rows.
    bool start(qint64 rowsPerBatch);
    // A retry of the rows marked in entries: like a fresh start, but the figures stay.
    void startRetry(qint64 rowsPerBatch, std::vector<bool> entries);
    // The progress check counted the row at ProgressRow. A row the retry leaves alone does not count
    // toward the next pause.
    void rowCounted();
    // Whether a retry asks for anything in the row at that progress position.
    bool retriedRow(qint64 row) const {
        const auto index = static_cast<std::size_t>(row - 1);
        return row >= 1 && index < retryEntries.size() && retryEntries[index];
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
    // The single query takes over: its own paging starts, and the batch run ends cleanly.
    void singleQuery();
    // The end of a chain's page: moves the cursor on when rows remain. True when it moved.
    static bool advance(qint64& cursor, qint64 rowCount);

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

    bool halted() const { return Check1 == 1; }
    bool paused() const { return Check2 == 1; }
    bool singleMode() const { return Check4 == 1; }

private:
    void rewind(qint64 rowsPerBatch);
    void endRetry();
};

}  // namespace quorvane
