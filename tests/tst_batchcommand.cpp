// SPDX-License-Identifier: GPL-3.0-or-later
// The batch run from the command line, on virtual time against the replica's pages: its options,
// its progress, its exit status, what it writes and journals.
#include "batch/batch_command.h"
#include "files/csv.h"
#include "run_harness.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

using namespace Qt::StringLiterals;
using namespace quorvane;
using quorvane::testing::expectedCells;

Q_DECLARE_METATYPE(quorvane::BatchProgress)

namespace {

QByteArray contentsOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Arguments written as one line, split at its blanks: no argument of these tests holds one.
QStringList words(const QString& line) {
    return line.split(u' ', Qt::SkipEmptyParts);
}

// One command over a domain file in a folder of its own; "@" in an argument stands for that folder.
struct Command {
    testing::RunHarness h;
    QTemporaryDir dir;
    QString written;
    int status = -1;
    std::unique_ptr<BatchCommand> command;

    Command(const QString& lines, const QString& arguments = {}, bool terminal = false) {
        QFile file(dir.filePath(u"list.txt"_s));
        if (!file.open(QIODevice::WriteOnly) || file.write(lines.toUtf8()) < 0) {
            qFatal("cannot write the domain file");
        }
        const ParsedBatchOptions parsed =
            parseBatchOptions(QStringList{u"--batch"_s, file.fileName()} +
                              words(arguments).replaceInStrings(u"@"_s, dir.path()));
        if (!parsed.options) {
            qFatal("%s", qPrintable(parsed.error));
        }
        // A domain of "flaky." fails its statistics page once, as a busy site does.
        h.http.setResponder([this, replica = testing::replicaResponder()](const QString& url) {
            testing::FakeReply reply = replica(url);
            reply.status =
                url.contains(u"/baidu/flaky."_s) && h.http.sentCount(url) == 1 ? 503 : reply.status;
            return reply;
        });
        command = std::make_unique<BatchCommand>(
            h.batch, h.time, h.time, *parsed.options, [this](const QString& text) { written += text; },
            terminal);
        QObject::connect(command.get(), &BatchCommand::finished, [this](int code) { status = code; });
    }
    bool run(qint64 maxMs = 600'000) {
        command->start();
        return h.time.advanceUntil([this] { return status >= 0; }, maxMs);
    }
    QString path(const QString& name) const { return dir.filePath(name); }
};

// A CSV row of the replica's figures, under its line number.
QByteArray csvRow(int line, const QString& domain) {
    QStringList fields{QString::number(line)};
    for (const QString& cell : expectedCells(domain)) {
        fields.append(csvField(cell));
    }
    return (fields.join(u',') + u"\r\n"_s).toUtf8();
}

}  // namespace

class TestBatchCommand final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void optionsAreTakenOrNamed_data() {
        QTest::addColumn<QString>("arguments");
        // rows|pause|retries|csv|out|quiet|statistics|search|check, or the error's start
        QTest::addColumn<QString>("taken");
        const QString sites = u"https://a.example|https://b.test|1"_s;  // as before the options
        QTest::newRow("defaults") << u"--batch l.txt"_s << u"10|1|0|||0|"_s + sites;
        QTest::newRow("all") << u"--batch=l.txt --csv c --out o --rows-per-batch 0 --pause 2.5 --retries 3 "
                                u"--quiet"_s
                             << u"0|2.5|3|c|o|1|"_s + sites;
        QTest::newRow("sites") << u"--batch l --stats-site http://s.test:81/ --no-update-check"_s
                               << u"10|1|0|||0|http://s.test:81|https://b.test|0"_s;
        QTest::newRow("no file") << u"--batch"_s << u"batch"_s;
        QTest::newRow("negative rows") << u"--batch l --rows-per-batch -1"_s << u"--rows-per-batch 应为"_s;
        QTest::newRow("pause no number") << u"--batch l --pause x"_s << u"--pause 应为"_s;
        QTest::newRow("pause too long") << u"--batch l --pause 1e9"_s << u"--pause 应为"_s;
        QTest::newRow("retries fraction") << u"--batch l --retries 1.5"_s << u"--retries 应为"_s;
        QTest::newRow("unknown") << u"--batch l --fast"_s << u"fast"_s;
        QTest::newRow("stray word") << u"--batch l m"_s << u"多余的参数：m"_s;
        QTest::newRow("bad site") << u"--batch l --search-engine s.test"_s
                                  << u"--search-engine 的值“s.test”"_s;
    }
    void optionsAreTakenOrNamed() {
        QFETCH(QString, arguments);
        QFETCH(QString, taken);
        Settings s{u"https://a.example"_s, u"https://b.test"_s, {}, true, 365, {}};
        const ParsedBatchOptions parsed = parseBatchOptions(words(arguments), &s);
        if (!parsed.options) {
            QVERIFY2(parsed.error.contains(taken), qPrintable(parsed.error));
            return;
        }
        const BatchOptions& o = *parsed.options;
        QCOMPARE(QStringList({QString::number(o.rowsPerBatch), QString::number(o.pauseSeconds),
                              QString::number(o.retries), o.csv, o.out, QString::number(o.quiet), s.statsSite,
                              s.searchEngine, QString::number(s.updateCheck)})
                     .join(u'|'),
                 taken);
    }

    void progressSaysHowFar_data() {
        QTest::addColumn<BatchProgress>("progress");
        QTest::addColumn<bool>("bar");
        QTest::addColumn<QString>("text");
        QTest::newRow("log") << BatchProgress{312, 1000, 3, 12.5, false} << false
                             << u"312/1000  12.5 行/秒  剩余 00:56  失败 3"_s;
        QTest::newRow("terminal")
            << BatchProgress{500, 1000, 0, 0.1, false} << true
            << u"[############............] 500/1000  0.1 行/秒  剩余 1:23:20  失败 0"_s;
        QTest::newRow("done, blocked") << BatchProgress{7, 7, 1, 2, true} << false
                                       << u"7/7  2.0 行/秒  失败 1  百度要求安全验证：已暂停"_s;
    }
    void progressSaysHowFar() {
        QFETCH(BatchProgress, progress);
        QFETCH(bool, bar);
        QTEST(progressText(progress, bar), "text");
    }

    void everyFigureWrittenAndJournaled() {
        Command c(u"done1.com\n\ndone2.com\n"_s, u"--csv @/l.csv --out @/l.txt"_s);
        QVERIFY(c.run());
        QCOMPARE(c.status, int(BatchExit::AllFigures));
        QByteArray csv = contentsOf(c.path(u"l.csv"_s));
        QVERIFY(csv.startsWith("\xEF\xBB\xBF序号,查询域名地址,百度权重"));
        QVERIFY(csv.endsWith(QByteArray(csvRow(1, u"done1.com"_s) + csvRow(3, u"done2.com"_s))));
        QCOMPARE(contentsOf(c.path(u"l.txt"_s)), testing::savedLines(2, 0).toUtf8());  // the rows, whole
        QCOMPARE(c.h.runs->history.historyOf(u"done2.com"_s).size(), std::size_t(1));
        QVERIFY(c.written.endsWith(u"已查询 2 / 共 2 条，失败 0 格，用时 00:00\n"_s));
    }

    // Quiet, so that what is said is only what went wrong.
    void statusSaysHowTheRunEnded_data() {
        QTest::addColumn<QString>("lines");
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("statsSent");  // statistics pages, each of them for "asked"
        QTest::addColumn<QString>("asked");
        QTest::addColumn<QString>("said");  // the start of what is said, or empty: nothing
        const auto row = [](const char* name, const QString& lines, const QString& arguments, int status,
                            int sent, const QString& asked, const QString& said = {}) {
            QTest::newRow(name) << lines << arguments << status << sent << asked << said;
        };
        const QString flaky = u"flaky.a.com"_s;
        row("fails once, no retry", flaky, u"--retries 0"_s, BatchExit::SomeFailed, 1, flaky);
        row("fails once, retried", flaky, u"--retries 2"_s, BatchExit::AllFigures, 2, flaky);
        row("always fails", u"notfound.a.com"_s, u"--retries 2"_s, BatchExit::SomeFailed, 3,
            u"notfound.a.com"_s);
        // A saved file asks only what is open.
        row("saved file", testing::savedLines(2, 1), {}, BatchExit::AllFigures, 1, u"open1.com"_s);
        row("no domains", u"\n\n"_s, {}, BatchExit::Unreadable, 0, {}, u"网址文件中没有域名"_s);
        row("csv in no folder", u"a.com"_s, u"--csv @/no/l.csv"_s, BatchExit::Unreadable, 1, u"a.com"_s,
            u"导出失败！"_s);
        row("out in no folder", u"a.com"_s, u"--out @/no/l.txt"_s, BatchExit::Unreadable, 1, u"a.com"_s,
            u"保存失败！"_s);
    }
    void statusSaysHowTheRunEnded() {
        QFETCH(QString, lines);
        QFETCH(QString, arguments);
        QFETCH(QString, asked);
        QFETCH(QString, said);
        Command c(lines, arguments + u" --quiet"_s);
        QVERIFY(c.run());
        QTEST(c.status, "status");
        const QStringList sent = c.h.sentStats();
        QTEST(int(sent.size()), "statsSent");
        QCOMPARE(sent.filter(asked), sent);
        QVERIFY2(said.isEmpty() ? c.written.isEmpty() : c.written.startsWith(said), qPrintable(c.written));
    }

    void signalStopsAndWritesWhatWasDone() {
        Command c(u"a.com\nb.com\nc.com"_s, u"--rows-per-batch 1 --pause 60 --csv @/l.csv"_s);
        c.command->start();
        QVERIFY(c.h.time.advanceUntil([&c] { return c.h.batch.rowsCounted() == 1; }, 10'000));
        c.h.time.advance(5'000);
        QCOMPARE(c.status, -1);  // in the pause
        c.command->interrupt(SIGTERM);
        QCOMPARE(c.status, 128 + SIGTERM);
        const QByteArray csv = contentsOf(c.path(u"l.csv"_s));
        QVERIFY(csv.contains(csvRow(1, u"a.com"_s)));
        QVERIFY(csv.endsWith("3,c.com,...,...,...,...,...,...\r\n"));
        c.h.runs->history.flush();
        QVERIFY(!c.h.runs->history.lastUnfinishedBatch());  // stopped, as by 停止
    }

    void signalBeforeTheStartEndsAtOnce() {
        Command c(u"a.com"_s, u"--csv @/l.csv"_s);
        c.command->interrupt(SIGINT);
        c.command->start();
        c.h.time.advance(5'000);
        QCOMPARE(c.status, 128 + SIGINT);
        QVERIFY(c.h.http.sent().isEmpty());
        QVERIFY(!QFile::exists(c.path(u"l.csv"_s)));
    }

    void progressIsDrawnOftenOnATerminalAndSeldomInALog_data() {
        QTest::addColumn<bool>("terminal");
        QTest::newRow("terminal") << true;
        QTest::newRow("log") << false;
    }
    void progressIsDrawnOftenOnATerminalAndSeldomInALog() {
        QFETCH(bool, terminal);
        Command c(u"a.com\nb.com\nc.com"_s, u"--rows-per-batch 1 --pause 15"_s, terminal);
        QVERIFY(c.run());
        const QStringList lines = c.written.split(terminal ? u'\r' : u'\n', Qt::SkipEmptyParts);
        // About 30 s: a redraw for each change on a terminal, at most ten a second; a line every 10 s.
        QVERIFY2(terminal ? lines.size() >= 4 && lines.size() <= 300 : lines.size() == 4,
                 qPrintable(c.written));
        QVERIFY(lines.first().contains(u"/3  "_s));
    }
};

QTEST_GUILESS_MAIN(TestBatchCommand)
#include "tst_batchcommand.moc"
