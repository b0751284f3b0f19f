// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/batch_command.h"

#include "batch/batch_run.h"
#include "batch/domain_columns.h"
#include "batch/domain_file.h"
#include "files/csv.h"
#include "files/result_file.h"

#include <QCommandLineParser>
#include <QVarLengthArray>
#include <algorithm>
#include <bit>
#include <cmath>

using namespace Qt::StringLiterals;

namespace quorvane {

namespace {

constexpr int kTickMs = 100;              // a terminal's bar: at most ten redraws a second
constexpr qint64 kPlainLineSeconds = 10;  // a log's line

struct OptionText {
    const char16_t* name;
    const char16_t* value;  // empty: a switch
    const char16_t* help;
};

constexpr OptionText kOptions[] = {
    {u"batch", u"FILE", u"Run the batch query over the domain file, with no window."},
    {u"csv", u"OUT", u"Write the list to a CSV file, as Ctrl+E does."},
    {u"out", u"OUT", u"Append the domains and their results to a text file, as \"确认保存\" does."},
    {u"rows-per-batch", u"N", u"Pause after every N rows (default 10; 0: no pauses)."},
    {u"pause", u"S", u"Seconds of each pause (default 1)."},
    {u"retries", u"K", u"Ask the failed cells again at the end, up to K rounds (default 0)."},
    {u"proxies", u"FILE", u"Send the requests through the proxies listed in the file, in turn."},
    {u"quiet", u"", u"Say nothing on standard error, not even the summary."},
};

}  // namespace

QList<QCommandLineOption> batchCommandLineOptions() {
    QList<QCommandLineOption> list;
    for (const OptionText& option : kOptions) {
        list.append(QCommandLineOption(QString::fromUtf16(option.name), QString::fromUtf16(option.help),
                                       QString::fromUtf16(option.value)));
    }
    return list;
}

namespace {

// A whole number of at least 0, or nothing.
std::optional<int> count(const QString& text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok && value >= 0 ? std::optional(value) : std::nullopt;
}

QString clockText(qint64 seconds) {
    const qint64 hours = seconds / 3600;
    const QString minutes =
        u"%1:%2"_s.arg(seconds / 60 % 60, 2, 10, QChar(u'0')).arg(seconds % 60, 2, 10, QChar(u'0'));
    return hours > 0 ? QString::number(hours) + u':' + minutes : minutes;
}

// The bits of a row's failed figures.
quint8 bitOf(int cell) {
    return static_cast<quint8>(1U << static_cast<unsigned>(cell - DomainCell::Weight));
}

}  // namespace

ParsedBatchOptions parseBatchOptions(const QStringList& arguments, Settings* settings) {
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOptions(batchCommandLineOptions());
    parser.addOptions(siteCommandLineOptions());
    if (!parser.parse(QStringList{u"quorvane"_s} + arguments)) {
        return {std::nullopt, parser.errorText()};
    }
    Settings ignored;
    if (const std::optional<QString> error = applySiteOptions(parser, settings ? *settings : ignored)) {
        return {std::nullopt, *error};
    }
    if (!parser.positionalArguments().isEmpty()) {
        return {std::nullopt, u"多余的参数：%1"_s.arg(parser.positionalArguments().first())};
    }
    BatchOptions options;
    options.input = parser.value(u"batch"_s);
    if (options.input.isEmpty()) {
        return {std::nullopt, u"--batch 需要一个网址文件"_s};
    }
    options.csv = parser.value(u"csv"_s);
    options.out = parser.value(u"out"_s);
    options.proxies = parser.value(u"proxies"_s);
    options.quiet = parser.isSet(u"quiet"_s);
    if (parser.isSet(u"rows-per-batch"_s)) {
        const std::optional<int> rows = count(parser.value(u"rows-per-batch"_s));
        if (!rows) {
            return {std::nullopt,
                    u"--rows-per-batch 应为 0 或正整数：%1"_s.arg(parser.value(u"rows-per-batch"_s))};
        }
        options.rowsPerBatch = *rows;
    }
    if (parser.isSet(u"pause"_s)) {
        bool ok = false;
        const double seconds = parser.value(u"pause"_s).trimmed().toDouble(&ok);
        if (!ok || !std::isfinite(seconds) || seconds < 0 || seconds > 86'400) {
            return {std::nullopt, u"--pause 应为 0 到 86400 之间的秒数：%1"_s.arg(parser.value(u"pause"_s))};
        }
        options.pauseSeconds = seconds;
    }
    if (parser.isSet(u"retries"_s)) {
        const std::optional<int> retries = count(parser.value(u"retries"_s));
        if (!retries) {
            return {std::nullopt, u"--retries 应为 0 或正整数：%1"_s.arg(parser.value(u"retries"_s))};
        }
        options.retries = *retries;
    }
    return {options, {}};
}

QString progressText(const BatchProgress& progress, bool bar) {
    QString text = u"%1/%2"_s.arg(progress.done).arg(progress.total);
    if (bar) {
        constexpr int kWidth = 24;
        const auto filled =
            progress.total > 0 ? static_cast<int>(kWidth * progress.done / progress.total) : 0;
        text = u'[' + QString(filled, u'#') + QString(kWidth - filled, u'.') + u"] "_s + text;
    }
    text += u"  %1 行/秒"_s.arg(progress.rowsPerSecond, 0, 'f', 1);
    if (progress.rowsPerSecond > 0 && progress.done < progress.total) {
        const auto left = static_cast<qint64>(
            std::ceil(static_cast<double>(progress.total - progress.done) / progress.rowsPerSecond));
        text += u"  剩余 "_s + clockText(left);
    }
    text += u"  失败 "_s + QString::number(progress.failed);
    if (progress.blocked) {
        text += u"  百度要求安全验证：已暂停"_s;
    }
    return text;
}

BatchCommand::BatchCommand(BatchRun& batch, SystemTimers& timers, const Clock& clock, BatchOptions options,
                           Write write, bool terminal, QObject* parent)
    : QObject(parent),
      m_batch(batch),
      m_clock(clock),
      m_options(std::move(options)),
      m_write(std::move(write)),
      m_terminal(terminal),
      m_ticker(timers),
      m_retriesLeft(m_options.retries) {
    m_ticker.setInterval(kTickMs);
    m_ticker.Timer = [this] { tick(); };
    connect(&m_batch, &BatchRun::figureChanged, this, &BatchCommand::figureChanged);
    // A retry makes the failures it asks again unknown, all at once.
    connect(&m_batch, &BatchRun::figuresReset, this, &BatchCommand::countFailures);
}

void BatchCommand::countFailures() {
    m_failed.assign(static_cast<std::size_t>(m_batch.rowCount()), 0);
    m_failedCount = 0;
    for (qint64 entry = 1; entry <= m_batch.rowCount(); ++entry) {
        quint8 bits = 0;
        for (int cell = DomainCell::Weight; cell < DomainCell::Count; ++cell) {
            bits |= m_batch.figure(entry, cell).state == Figure::State::Failed ? bitOf(cell) : 0;
        }
        m_failed[static_cast<std::size_t>(entry - 1)] = bits;
        m_failedCount += std::popcount(bits);
    }
}

void BatchCommand::start() {
    if (m_ended) {
        return;  // a signal came first
    }
    const DomainFileText file = readDomainFile(m_options.input);
    if (!file.text) {
        say(file.problem);
        end(BatchExit::Unreadable);
        return;
    }
    m_batch.import(*file.text, true);
    if (m_batch.rowCount() == 0) {
        say(u"网址文件中没有域名："_s + m_options.input);
        end(BatchExit::Unreadable);
        return;
    }
    countFailures();  // a saved file's failures count from the start
    m_batch.setPacing(m_options.rowsPerBatch, m_options.pauseSeconds);
    m_started = m_clock.nowSeconds();
    m_lastLine = m_started;
    // A saved result file goes on: only its failed and unfinished cells are asked.
    if (m_batch.hasImportedFigures()) {
        if (!m_batch.retry()) {
            roundEnded();
            return;
        }
    } else {
        m_batch.start();
    }
    m_ticker.setEnabled(true);
}

void BatchCommand::interrupt(int signal) {
    if (m_ended) {
        return;
    }
    m_batch.stop();
    // Before the list was read nothing was done, and no file is written over with an empty list.
    if (m_batch.rowCount() > 0) {
        if (const std::optional<QString> error = writeResults()) {
            say(*error);
        }
    }
    end(BatchExit::Interrupted + signal);
}

BatchProgress BatchCommand::progress() const {
    const qint64 seconds = m_clock.nowSeconds() - m_started;
    const qint64 done = m_batch.rowsCounted();
    return {done, m_batch.rowCount(), m_failedCount,
            seconds > 0 ? static_cast<double>(done) / static_cast<double>(seconds) : 0.0, m_batch.blocked()};
}

void BatchCommand::figureChanged(qint64 entry, int cell) {
    quint8& bits = m_failed[static_cast<std::size_t>(entry - 1)];
    const bool failed = m_batch.figure(entry, cell).state == Figure::State::Failed;
    if (failed != ((bits & bitOf(cell)) != 0)) {
        bits ^= bitOf(cell);
        m_failedCount += failed ? 1 : -1;
    }
}

void BatchCommand::tick() {
    if (!m_options.quiet) {
        const QString text = progressText(progress(), m_terminal);
        if (m_terminal && text != m_shown) {
            // Over the line before, and as wide, so that nothing of a longer one is left.
            m_write(u'\r' + text.leftJustified(static_cast<int>(m_shown.size())));
            m_shown = text;
        } else if (!m_terminal && m_clock.nowSeconds() - m_lastLine >= kPlainLineSeconds) {
            m_write(text + u'\n');
            m_lastLine = m_clock.nowSeconds();
        }
    }
    if (!m_batch.active()) {
        roundEnded();
    }
}

void BatchCommand::roundEnded() {
    // A stop from elsewhere, or a pause: the command never pauses but for the pacing, which the run
    // resumes itself; it waits while a robot check's pause goes on.
    if (m_batch.resumePending() || m_batch.blocked()) {
        return;
    }
    if (m_failedCount > 0 && m_retriesLeft > 0 && m_batch.hasRowsToRetry()) {
        --m_retriesLeft;
        m_batch.retry();
        return;
    }
    if (const std::optional<QString> error = writeResults()) {
        say(*error);
        end(BatchExit::Unreadable);
        return;
    }
    end(m_failedCount > 0 || m_batch.rowsCounted() < m_batch.rowCount() ? BatchExit::SomeFailed
                                                                        : BatchExit::AllFigures);
}

std::optional<QString> BatchCommand::writeResults() const {
    const auto cellsOf = [this](qint64 entry) {
        QStringList cells{QString::number(m_batch.lineNumber(entry)), m_batch.domain(entry).toString()};
        for (int cell = DomainCell::Weight; cell < DomainCell::Count; ++cell) {
            cells.append(m_batch.figure(entry, cell).shown());
        }
        return cells;
    };
    const int rows = static_cast<int>(m_batch.rowCount());
    if (!m_options.csv.isEmpty()) {
        QStringList titles;
        for (const auto& column : kDomainColumns) {
            titles.append(QString::fromUtf16(column.first));
        }
        if (auto error = writeWholeFile(m_options.csv, csvBytes(titles, rows, cellsOf))) {
            return u"导出失败！"_s + *error;
        }
    }
    if (!m_options.out.isEmpty()) {
        const auto error = appendLines(m_options.out, rows, [&](int row) {
            const QStringList cells = cellsOf(row);
            QVarLengthArray<QStringView, DomainCell::Count> fields;
            for (qsizetype cell = DomainCell::Domain; cell < cells.size(); ++cell) {
                fields.append(cells[cell]);
            }
            return resultLine(fields);
        });
        if (error) {
            return u"保存失败！"_s + *error;
        }
    }
    return std::nullopt;
}

void BatchCommand::end(int status) {
    m_ended = true;
    m_ticker.setEnabled(false);
    if (!m_options.quiet && m_batch.rowCount() > 0) {
        const BatchProgress last = progress();
        const qint64 seconds = m_clock.nowSeconds() - m_started;
        m_write((m_terminal && !m_shown.isEmpty() ? u"\n"_s : QString()) +
                u"已查询 %1 / 共 %2 条，失败 %3 格，用时 %4\n"_s.arg(last.done)
                    .arg(last.total)
                    .arg(last.failed)
                    .arg(clockText(seconds)));
    }
    Q_EMIT finished(status);
}

void BatchCommand::say(const QString& line) const {
    // What went wrong is said even with --quiet: the status alone does not name the path.
    m_write((m_terminal && !m_shown.isEmpty() ? u"\n"_s : QString()) + line + u'\n');
}

}  // namespace quorvane
