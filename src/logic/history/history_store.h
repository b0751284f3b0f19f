// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "batch/batch_run.h"
#include "fetch/services.h"

#include <QObject>
#include <QStringList>
#include <array>
#include <memory>
#include <optional>
#include <vector>

namespace quorvane {

// The figures of every run, kept in one SQLite file (history.sqlite) in a folder: which domains a
// run checked in which order, and what each check found, failures with their reasons. Records are
// queued and committed together at most a second apart, so a kill loses at most the last second.
// When the file cannot be written the store says so once, keeps nothing more and answers queries
// from what it has; no call throws.
class HistoryStore final : public QObject {
    Q_OBJECT
public:
    using RunId = qint64;  // 0: no run (or one that is not kept)
    enum class RunKind : quint8 { Batch = 1, Retry = 2, Single = 3 };

    struct Options {
        int busyTimeoutMs = 5000;  // how long a write waits for another connection's
    };

    struct Run {
        RunId id = 0;
        RunKind kind = RunKind::Batch;
        RunId parent = 0;                // the run a retry retried
        qint64 started = 0;              // seconds since the epoch
        std::optional<qint64> finished;  // none while it goes on, or when the program died in it
        qint64 rows = 0;
        qint64 counted = 0;
    };
    using RestoredRow = RowRecord;
    struct PastFigure {
        RunId run = 0;
        qint64 time = 0;
        QString text;
        std::optional<double> number;
    };
    // One check of a domain: what one run found in one of its rows.
    struct Check {
        RunId run = 0;
        RunKind kind = RunKind::Batch;
        qint64 time = 0;  // of its latest figure
        std::array<Figure, kDomainFigures> figures;
    };

    static constexpr int kSchemaVersion = 1;
    static constexpr int kKeepRuns = 365;

    // Opens folder/history.sqlite, made with mode 0600 when missing. A file that is no database is
    // moved aside and a new one begun.
    HistoryStore(const QString& folder, SystemTimers& timers, const Clock& clock, Options options,
                 QObject* parent = nullptr);
    HistoryStore(const QString& folder, SystemTimers& timers, const Clock& clock, QObject* parent = nullptr)
        : HistoryStore(folder, timers, clock, Options{}, parent) {}
    ~HistoryStore() override;  // commits what is queued

    QString filePath() const;
    // Whether records are kept: false once the file could not be written, or is of a newer version.
    bool keeping() const;
    // What went wrong, in words for the user, each once; problemFound says it when it happens later.
    QStringList problems() const;

    // A new run over the batch run's rows, in their order. A retry with a parent shares its rows.
    RunId beginRun(RunKind kind, const BatchRun& rows, RunId parent = 0);
    RunId beginSingle(const QString& domain);
    // A figure of a row (entry 1-based, cell DomainCell::Weight to Snapshot); unknown ones are not kept.
    void record(RunId run, qint64 entry, int cell, const Figure& figure);
    void setCounted(RunId run, qint64 counted);
    void finishRun(RunId run);
    void reopenRun(RunId run);  // a finished run that goes on after all
    // Commits the queue now; false when it could not (it stays queued while the file is busy).
    bool flush();

    // The newest batch or retry run, when it did not finish.
    std::optional<Run> lastUnfinishedBatch();
    std::optional<Run> run(RunId id);
    // The run's rows in their order with their latest figures, those of the runs it retried first.
    std::vector<RestoredRow> restoredRows(RunId run);
    // Each cell's latest good figure of the domain before a run, from no run of that run's chain.
    std::array<std::optional<PastFigure>, kDomainFigures> previousGood(const QString& domain, RunId before);
    std::optional<PastFigure> previousGood(const QString& domain, int cell, RunId before) {
        return previousGood(domain, before)[static_cast<std::size_t>(cell - DomainCell::Weight)];
    }
    // Every check of the domain, oldest first.
    std::vector<Check> historyOf(const QString& domain);
    // Deletes all but the newest keepRuns lists (a batch run with its retries) and single queries;
    // returns how many runs went.
    int prune(int keepRuns = kKeepRuns);
    qint64 checkCount();

Q_SIGNALS:
    void problemFound(const QString& message);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

}  // namespace quorvane
