// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fetch/window_timer.h"
#include "settings/settings.h"

#include <QCommandLineOption>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

namespace quorvane {

class BatchRun;

// What `quorvane --batch FILE` is asked to do.
struct BatchOptions {
    QString input;          // the domain file, read as "确认导入" reads it
    QString csv;            // --csv: the list as Ctrl+E writes it; empty for none
    QString out;            // --out: appended as "确认保存" with "保存域名+结果"; empty for none
    int rowsPerBatch = 10;  // --rows-per-batch: 0 is no pauses
    double pauseSeconds = 1;
    int retries = 0;  // --retries: rounds over the failed cells at the end
    QString proxies;  // --proxies FILE
    bool quiet = false;
};

// The options after the program's name; an error names the option and what is wrong with it.
struct ParsedBatchOptions {
    std::optional<BatchOptions> options;
    QString error;
};
// With settings, the site options given (--stats-site, …) go into them.
ParsedBatchOptions parseBatchOptions(const QStringList& arguments, Settings* settings = nullptr);
// The options, for a parser that describes them in --help.
QList<QCommandLineOption> batchCommandLineOptions();

// The exit statuses of a command-line run.
namespace BatchExit {
enum : int { AllFigures = 0, Unreadable = 1, WrongOption = 2, SomeFailed = 3, Interrupted = 128 };
}

// How far a run is, as the progress line says it.
struct BatchProgress {
    qint64 done = 0;
    qint64 total = 0;
    qint64 failed = 0;  // cells that read "失败"
    double rowsPerSecond = 0;
    bool blocked = false;  // in a pause after Baidu's robot checks
};
// "312/1000  12.5 行/秒  剩余 00:55  失败 3" and, on a terminal, a bar before it.
QString progressText(const BatchProgress& progress, bool bar);

// A batch run with no window: the list read from a file, the run paced as the window's boxes would
// pace it, retried as asked, the results written, and how it went told on standard error. Ends by
// finished(status), with the status the program exits with.
class BatchCommand final : public QObject {
    Q_OBJECT
public:
    using Write = std::function<void(const QString&)>;
    // terminal: standard error is one; the progress is then a line redrawn in place.
    BatchCommand(BatchRun& batch, SystemTimers& timers, const Clock& clock, BatchOptions options, Write write,
                 bool terminal, QObject* parent = nullptr);

    void start();
    // SIGINT or SIGTERM: stops as "停止" does, writes what was done and ends with 128 + signal.
    void interrupt(int signal);
    BatchProgress progress() const;

Q_SIGNALS:
    void finished(int status);

private:
    void figureChanged(qint64 entry, int cell);
    void countFailures();
    void tick();
    void roundEnded();
    void end(int status);
    std::optional<QString> writeResults() const;
    void say(const QString& line) const;

    BatchRun& m_batch;
    const Clock& m_clock;
    BatchOptions m_options;
    Write m_write;
    bool m_terminal;
    WindowTimer m_ticker;          // redraws the progress and notices the end of a round
    std::vector<quint8> m_failed;  // by entry - 1: a bit for each figure that reads "失败"
    qint64 m_failedCount = 0;
    qint64 m_started = 0;
    qint64 m_lastLine = 0;
    int m_retriesLeft = 0;
    bool m_ended = false;
    QString m_shown;  // the progress last drawn
};

}  // namespace quorvane
