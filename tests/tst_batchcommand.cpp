// SPDX-License-Identifier: GPL-3.0-or-later
// The batch run from the command line, on virtual time against the replica's pages: its options,
// its progress, its exit status, what it writes and journals.
#include "batch/batch_command.h"
#include "files/csv.h"
#include "run_harness.h"

#include <QFile>
#include <QSet>
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

// One command over a domain file in a folder of its own; "@" in an argument stands for that folder.
struct Command {
    testing::RunHarness h;
    QTemporaryDir dir;
    QString written;
    int status = -1;
    std::unique_ptr<BatchCommand> command;
    QSet<QString> failedOnce;

    Command(const QString& lines, QStringList arguments = {}, bool terminal = false) {
        QFile file(dir.filePath(u"list.txt"_s));
        if (!file.open(QIODevice::WriteOnly) || file.write(lines.toUtf8()) < 0) {
            qFatal("cannot write the domain file");
        }
        arguments.replaceInStrings(u"@"_s, dir.path());
        const ParsedBatchOptions parsed =
            parseBatchOptions(QStringList{u"--batch"_s, file.fileName()} + arguments);
        if (!parsed.options) {
            qFatal("%s", qPrintable(parsed.error));
        }
        // A domain of "flaky." fails its statistics page once, as a busy site does.
        h.http.setResponder([this, replica = testing::replicaResponder()](const QString& url) {
            testing::FakeReply reply = replica(url);
            if (url.contains(u"/baidu/flaky."_s) && !failedOnce.contains(url)) {
                failedOnce.insert(url);
                reply.status = 503;
            }
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

QString csvLine(const QStringList& cells) {
    QStringList fields;
    for (const QString& cell : cells) {
        fields.append(csvField(cell));
    }
    return fields.join(u',') + u"\r\n"_s;
}

}  // namespace

class TestBatchCommand final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void optionsAreTakenOrNamed_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("taken");  // rows|pause|retries|csv|out|quiet, or the error's start
        const auto row = [](const char* name, const QStringList& arguments, const QString& taken) {
            QTest::newRow(name) << arguments << taken;
        };
        row("defaults", {u"--batch"_s, u"l.txt"_s}, u"10|1|0|||0"_s);
        row("all",
            {u"--batch=l.txt"_s, u"--csv"_s, u"c"_s, u"--out"_s, u"o"_s, u"--rows-per-batch"_s, u"0"_s,
             u"--pause"_s, u"2.5"_s, u"--retries"_s, u"3"_s, u"--quiet"_s},
            u"0|2.5|3|c|o|1"_s);
        row("no file", {u"--batch"_s}, u"batch"_s);
        row("negative rows", {u"--batch"_s, u"l"_s, u"--rows-per-batch"_s, u"-1"_s},
            u"--rows-per-batch 应为"_s);
        row("pause no number", {u"--batch"_s, u"l"_s, u"--pause"_s, u"x"_s}, u"--pause 应为"_s);
        row("pause too long", {u"--batch"_s, u"l"_s, u"--pause"_s, u"1e9"_s}, u"--pause 应为"_s);
        row("retries fraction", {u"--batch"_s, u"l"_s, u"--retries"_s, u"1.5"_s}, u"--retries 应为"_s);
        row("unknown", {u"--batch"_s, u"l"_s, u"--fast"_s}, u"fast"_s);
        row("stray word", {u"--batch"_s, u"l"_s, u"m"_s}, u"多余的参数：m"_s);
        row("bad site", {u"--batch"_s, u"l"_s, u"--search-engine"_s, u"s.test"_s},
            u"--search-engine 的值“s.test”"_s);
    }

    void siteOptionsGoIntoTheSettings() {
        Settings settings{u"https://a.example"_s, u"https://b.test"_s, {}, true, 365, {}};
        QVERIFY(parseBatchOptions(
                    {u"--batch"_s, u"l"_s, u"--stats-site"_s, u"http://s.test:81/"_s, u"--no-update-check"_s},
                    &settings)
                    .options);
        QCOMPARE(settings.statsSite, u"http://s.test:81"_s);
        QCOMPARE(settings.searchEngine, u"https://b.test"_s);
        QVERIFY(!settings.updateCheck);
    }
    void optionsAreTakenOrNamed() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, taken);
        const ParsedBatchOptions parsed = parseBatchOptions(arguments);
        if (!parsed.options) {
            QVERIFY2(parsed.error.contains(taken), qPrintable(parsed.error));
            return;
        }
        const BatchOptions& o = *parsed.options;
        QCOMPARE(QStringList({QString::number(o.rowsPerBatch), QString::number(o.pauseSeconds),
                              QString::number(o.retries), o.csv, o.out, QString::number(o.quiet)})
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
        Command c(u"a.com\n\nb.com\n"_s, {u"--csv"_s, u"@/l.csv"_s, u"--out"_s, u"@/l.txt"_s});
        QVERIFY(c.run());
        QCOMPARE(c.status, int(BatchExit::AllFigures));
        QByteArray csv = contentsOf(c.path(u"l.csv"_s));
        QVERIFY(csv.startsWith("\xEF\xBB\xBF序号,查询域名地址,百度权重"));
        QVERIFY(csv.endsWith((csvLine(QStringList{u"1"_s} + expectedCells(u"a.com"_s)) +
                              csvLine(QStringList{u"3"_s} + expectedCells(u"b.com"_s)))
                                 .toUtf8()));
        QCOMPARE(contentsOf(c.path(u"l.txt"_s)), (expectedCells(u"a.com"_s).join(u'|') + u"\r\n"_s +
                                                  expectedCells(u"b.com"_s).join(u'|') + u"\r\n"_s)
                                                     .toUtf8());
        QCOMPARE(c.h.runs->history.historyOf(u"b.com"_s).size(), std::size_t(1));
        QVERIFY(c.written.endsWith(u"已查询 2 / 共 2 条，失败 0 格，用时 00:00\n"_s));
    }

    void failuresAreRetriedAsAsked_data() {
        QTest::addColumn<QString>("domain");
        QTest::addColumn<QString>("retries");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("statsSent");
        QTest::newRow("fails once, no retry")
            << u"flaky.a.com"_s << u"0"_s << int(BatchExit::SomeFailed) << 1;
        QTest::newRow("fails once, retried") << u"flaky.a.com"_s << u"2"_s << int(BatchExit::AllFigures) << 2;
        QTest::newRow("always fails") << u"notfound.a.com"_s << u"2"_s << int(BatchExit::SomeFailed) << 3;
    }
    void failuresAreRetriedAsAsked() {
        QFETCH(QString, domain);
        QFETCH(QString, retries);
        Command c(domain, {u"--retries"_s, retries});
        QVERIFY(c.run());
        QTEST(c.status, "status");
        QTEST(int(c.h.sentStats().size()), "statsSent");
    }

    void savedFileAsksOnlyWhatIsOpen() {
        Command c(testing::savedLines(2, 1));
        QVERIFY(c.run());
        QCOMPARE(c.status, int(BatchExit::AllFigures));
        QCOMPARE(c.h.sentStats().size(), 1);
        QVERIFY(c.h.sentStats().first().contains(u"open1.com"_s));
    }

    void signalStopsAndWritesWhatWasDone() {
        Command c(u"a.com\nb.com\nc.com"_s,
                  {u"--rows-per-batch"_s, u"1"_s, u"--pause"_s, u"60"_s, u"--csv"_s, u"@/l.csv"_s});
        c.command->start();
        QVERIFY(c.h.time.advanceUntil([&c] { return c.h.batch.rowsCounted() == 1; }, 10'000));
        c.h.time.advance(5'000);
        QCOMPARE(c.status, -1);  // in the pause
        c.command->interrupt(SIGTERM);
        QCOMPARE(c.status, 128 + SIGTERM);
        const QByteArray csv = contentsOf(c.path(u"l.csv"_s));
        QVERIFY(csv.contains(csvLine(QStringList{u"1"_s} + expectedCells(u"a.com"_s)).toUtf8()));
        QVERIFY(csv.endsWith("3,c.com,...,...,...,...,...,...\r\n"));
        c.h.runs->history.flush();
        QVERIFY(!c.h.runs->history.lastUnfinishedBatch());  // stopped, as by 停止
    }

    void signalBeforeTheStartEndsAtOnce() {
        Command c(u"a.com"_s, {u"--csv"_s, u"@/l.csv"_s});
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
        Command c(u"a.com\nb.com\nc.com"_s, {u"--rows-per-batch"_s, u"1"_s, u"--pause"_s, u"15"_s}, terminal);
        QVERIFY(c.run());
        const QStringList lines = c.written.split(terminal ? u'\r' : u'\n', Qt::SkipEmptyParts);
        // About 30 s: a redraw for each change on a terminal, at most ten a second; a line every 10 s.
        QVERIFY2(terminal ? lines.size() >= 4 && lines.size() <= 300 : lines.size() == 4,
                 qPrintable(c.written));
        QVERIFY(lines.first().contains(u"/3  "_s));
    }

    void badFilesEndWithStatusOne_data() {
        QTest::addColumn<QString>("lines");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("said");
        QTest::newRow("no domains") << u"\n\n"_s << QStringList() << u"网址文件中没有域名"_s;
        QTest::newRow("csv in no folder")
            << u"a.com"_s << QStringList{u"--csv"_s, u"@/no/l.csv"_s} << u"导出失败！"_s;
        QTest::newRow("out in no folder")
            << u"a.com"_s << QStringList{u"--out"_s, u"@/no/l.txt"_s} << u"保存失败！"_s;
    }
    void badFilesEndWithStatusOne() {
        QFETCH(QString, lines);
        QFETCH(QStringList, arguments);
        QFETCH(QString, said);
        Command c(lines, arguments + QStringList{u"--quiet"_s});
        QVERIFY(c.run());
        QCOMPARE(c.status, int(BatchExit::Unreadable));
        QVERIFY2(c.written.startsWith(said), qPrintable(c.written));  // said even when quiet
    }
};

QTEST_GUILESS_MAIN(TestBatchCommand)
#include "tst_batchcommand.moc"
