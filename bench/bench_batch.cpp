// SPDX-License-Identifier: GPL-3.0-or-later
// Quorvane's figures, each beside a baseline measured in the same run, with their ratio.
//
//   bench_batch [rows]              every figure (the batch run over `rows` rows, 1000 by default)
//   bench_batch --only GROUP        import, longline, sortsave, parse, rss or a row count: one group alone
//   bench_batch --rss-list N        child: peak RSS with N rows imported and shown
//   bench_batch --rss-box N         child: the same with the N lines left in the box, not imported
//   bench_batch --rss-file PATH     child: import of a domain file, its time and the peak RSS after
//   bench_batch --rss-fetch BYTES   child: peak RSS after fetching a body of BYTES on the real stack
//
// Peak RSS is a process's high-water mark, so each one is read from a child of its own.
#include "batch/batch_command.h"
#include "batch/page_parsers.h"
#include "bench_support.h"
#include "fetch/httppage2.h"
#include "form_harness.h"
#include "keywords/keyword_parser.h"
#include "mini_http_server.h"
#include "qt_services.h"
#include "replica_site.h"

#include <sys/resource.h>
#include <QApplication>
#include <QCollator>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QProcess>
#include <QPushButton>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace Qt::StringLiterals;
using namespace quorvane;
using namespace quorvane::bench;

namespace {

constexpr int kListRows = 32'766;

QString domainText(int rows) {
    QString text;
    text.reserve(rows * 24);
    for (int i = 1; i <= rows; ++i) {
        text += u"www.site"_s + QString::number(i) + u".com\n"_s;
    }
    return text;
}

// The process's own high-water mark (VmHWM): unlike ru_maxrss it does not carry over the
// parent's size across fork and exec.
long peakRssKb() {
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& entry : status.readAll().split('\n')) {
        if (entry.startsWith("VmHWM:")) {
            return entry.sliced(6).trimmed().split(' ').first().toLong();
        }
    }
    return -1;
}

// --- Import: the box's text, its line breaks, its domain lines, the list's rows.

void importBench(const QString& what, const QString& text) {
    testing::FormHarness h;
    QPushButton& import = h.control<QPushButton>(u"Command12");
    QElapsedTimer boxTimer;
    boxTimer.start();
    h.fill(u"Text1", text);
    const qint64 boxNs = boxTimer.nsecsElapsed();
    const qint64 program = fastest(
        3, [] {}, [&] { import.click(); });
    QStringList pieces;
    const qint64 bare = fastest(
        3, [&] { pieces.clear(); }, [&] { pieces = text.split(u'\n'); });
    const QString name = u"import of "_s + what;
    line(qPrintable(name), ms(program), "ms", "QString::split of the same text", ms(bare),
         QString::number(h.list(u"ListView1").items().itemCount()) +
             u" rows; putting the text in the box took "_s + QString::number(ms(boxNs), 'f', 1) + u" ms"_s);
}

// --- Sort, save.

void sortAndSaveBench() {
    testing::FormHarness h;
    h.importBox(domainText(kListRows));
    ListModel& list = h.list(u"ListView1").items();
    QStringList original;
    for (int row = 1; row <= kListRows; ++row) {
        original.append(list.subItem(row, 1));
    }
    // Each run starts from the import order, the column not yet clicked: descending.
    const qint64 program = fastest(
        3, [&] { h.click(u"Command12"); }, [&] { h.clickHeader(u"ListView1", 2); });
    QCollator collator(QLocale::system());
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(false);
    QStringList strings;
    const qint64 bare = fastest(
        3, [&] { strings = original; },
        [&] {
            std::stable_sort(strings.begin(), strings.end(),
                             [&](const QString& a, const QString& b) { return collator.compare(a, b) < 0; });
        });
    line("sort of 32,766 rows by domain", ms(program), "ms", "std::stable_sort, same collation", ms(bare));

    // The rows again, now with figures, as a saved list brings them back.
    QStringList rows;
    for (int row = 1; row <= kListRows; ++row) {
        QStringList fields{list.subItem(row, 1)};
        for (int cell = 2; cell <= 6; ++cell) {
            fields.append(QString::number(row * cell % 99991));
        }
        fields.append(u"2026-12-01"_s);
        rows.append(fields.join(u'|'));
    }
    h.importFile(rows.join(u'\n'));
    h.click(u"Check3");
    int n = 0;
    QString path;
    QPushButton& save = h.control<QPushButton>(u"Command8");
    const qint64 saveNs = fastest(
        3,
        [&] {
            path = h.folder.filePath(u"save"_s + QString::number(++n) + u".txt"_s);
            h.fill(u"Text3", path);
        },
        [&] { save.click(); });
    QFile saved(path);
    saved.open(QIODevice::ReadOnly);
    const QByteArray bytes = saved.readAll();
    const qint64 write = fastest(
        3, [&] { QFile::remove(h.folder.filePath(u"plain.txt"_s)); },
        [&] {
            QFile plain(h.folder.filePath(u"plain.txt"_s));
            plain.open(QIODevice::WriteOnly);
            plain.write(bytes);
        });
    line("save of 32,766 whole rows", ms(saveNs), "ms", "one QFile::write of the same bytes", ms(write),
         QString::number(bytes.size() / 1024) + u" KiB"_s);
}

// --- Page parsers.

QString keywordPage(int rows) {
    QString page =
        uR"(<!DOCTYPE html><html><head><meta charset="utf-8"><title>关键词排名 - 站长数据</title></head>
<body><div class="top"><a href="/">站长数据</a> &gt; 关键词排名</div><div class="main"><table class="kw">
<tr><td>关键字</td><td>排名</td><td>搜索指数</td><td>收录量</td><td>网页标题</td></tr>
)"_s;
    for (int i = 1; i <= rows; ++i) {
        const QString n = QString::number(i);
        page += u"<tr><td><a href=\"/kw/"_s + n + u"\" rel=\"nofollow\">关键词"_s + n +
                u"</a></td><td width=\"110%\">"_s + QString::number(i % 10 + 1) +
                u"</td><td align=\"right\">"_s + QString::number(i * 37) + u"</td><td align=\"right\">"_s +
                QString::number(i * 1013) + u"</td><td><a href=\"http://example.com/"_s + n +
                u".html\" rel=\"nofollow\">示例网页标题 "_s + n + u" - 示例网站</a></td></tr>\n"_s;
    }
    page +=
        u"</table><div class=\"pages\">页号 1 2 3 4 下一页</div></div><div class=\"footer\">&copy; "
        u"站长数据</div>"
        u"</body></html>\n"_s;
    return page;
}

void parseBench(const char* what, const QString& page,
                const std::function<std::size_t(const QString&)>& parse) {
    constexpr int kTimes = 5000;
    std::size_t sink = 0;
    const qint64 program = fastest(
        3, [] {},
        [&] {
            for (int i = 0; i < kTimes; ++i) {
                sink += parse(page);
            }
        });
    // A needle that never occurs: one scan of the whole text.
    const QString absent = u"\u0001\u0002"_s;
    const qint64 scan = fastest(
        3, [] {},
        [&] {
            for (int i = 0; i < kTimes; ++i) {
                sink += static_cast<std::size_t>(page.indexOf(absent) + 1);
            }
        });
    line(what, ms(program) * 1000 / kTimes, "us", "one QString::indexOf scan", ms(scan) * 1000 / kTimes,
         QString::number(page.size()) + u" chars; sink "_s + QString::number(sink % 7));
}

void parserBenches() {
    const KeywordTable table = parseKeywordTable(keywordPage(25));
    if (table.rows.size() != 25 || !table.rows.front().complete()) {
        std::printf("keyword page not understood: %zu rows\n", table.rows.size());
    }
    parseBench("parse of a 25-row keyword page", keywordPage(25),
               [](const QString& page) { return parseKeywordTable(page).rows.size(); });
    const QString stats = QString::fromUtf8(replica::statsPageFor(u"www.example.com"_s));
    parseBench("parse of a statistics page", stats,
               [](const QString& page) { return parseStatsPage(page).size(); });
}

// --- The batch run on loopback, the replica site in a process of its own.

struct ReplicaProcess {
    QProcess process;
    QString baseUrl;
    bool start() {
        process.start(QStringLiteral(QUORVANE_REPLICA_BINARY), {u"--port"_s, u"0"_s});
        if (!process.waitForStarted(5000) || !process.waitForReadyRead(5000)) {
            return false;
        }
        const QString first = QString::fromUtf8(process.readLine()).trimmed();
        baseUrl = first.section(u' ', -1);
        return baseUrl.startsWith(u"http://"_s);
    }
    ~ReplicaProcess() {
        process.kill();
        process.waitForFinished(5000);
    }
};

// The same pages fetched by bare QNetworkAccessManager, three chains of sequential GETs.
double bareFetchSeconds(const QString& base, int rows, double& cpu) {
    QNetworkAccessManager network;
    network.setProxy(QNetworkProxy::NoProxy);
    const QStringList prefixes{base + u"/baidu/www.site"_s, base + u"/s?wd=domain%3Awww.site"_s,
                               base + u"/s?wd=site%3Awww.site"_s};
    const QStringList suffixes{u".com/"_s, u".com"_s, u".com"_s};
    int done = 0;
    std::function<void(int, int)> next = [&](int chain, int row) {
        const QUrl url(prefixes.at(chain) + QString::number(row) + suffixes.at(chain));
        QNetworkReply* reply = network.get(QNetworkRequest(url));
        QObject::connect(reply, &QNetworkReply::finished, reply, [&, reply, chain, row] {
            const QByteArray body = reply->readAll();
            reply->deleteLater();
            if (row < rows) {
                next(chain, row + 1);
            } else {
                ++done;
            }
        });
    };
    const double cpu0 = cpuSeconds();
    QElapsedTimer timer;
    timer.start();
    for (int chain = 0; chain < 3; ++chain) {
        next(chain, 1);
    }
    while (done < 3 && timer.elapsed() < 120'000) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    cpu = cpuSeconds() - cpu0;
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

struct BatchFigures {
    double seconds = 0;
    double cpu = 0;
    int failed = 0;
};

// A batch run over the replica on loopback through the real stack, with no pauses; without the
// journal, the runs are as they were before they kept a history.
BatchFigures realBatch(const ReplicaProcess& site, int rows, bool journal) {
    QtSystemTimers timers;
    QtClock clock;
    QNetworkAccessManager network;
    network.setProxy(QNetworkProxy::NoProxy);
    QtHttpRequestFactory http(network);
    testing::FormDriver d;  // the window's boxes scripted, its controls worked by name
    d.runs = std::make_unique<Runs>(timers, clock, http, BatchRun::Sites{site.baseUrl, site.baseUrl},
                                    d.folder.path());
    if (!journal) {
        QObject::disconnect(&d.runs->batch, nullptr, &d.runs->journal, nullptr);
        QObject::disconnect(&d.runs->keywords, nullptr, &d.runs->journal, nullptr);
    }
    d.form = std::make_unique<Form1>(
        Form1Services{timers, clock, http, d.messages, d.dialogs, d.clipboard, d.shell}, *d.runs,
        Form1Config{site.baseUrl, d.folder.path(), {}});
    d.importBox(domainText(rows));
    d.setRowsPerBatch(u"0"_s);  // no pauses
    QLabel& queried = d.control<QLabel>(u"Label2");
    const double cpu0 = cpuSeconds();
    QElapsedTimer timer;
    timer.start();
    d.pressStart();
    const QString last = QString::number(rows);
    while (queried.text() != last && timer.elapsed() < 120'000) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    BatchFigures figures;
    figures.seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    d.runs->history.flush();  // what the journal still has queued is its cost too
    figures.cpu = cpuSeconds() - cpu0;
    for (int row = 1; row <= rows; ++row) {
        figures.failed += static_cast<int>(d.rowCells(row).mid(1).count(u"失败"_s));
    }
    return figures;
}

void batchBench(int rows) {
    ReplicaProcess site;
    if (!site.start()) {
        std::printf("replica site did not start\n");
        return;
    }
    // Alternately, the least CPU of two each: the least noise from other work on the machine.
    BatchFigures with;
    BatchFigures without;
    for (int i = 0; i < 2; ++i) {
        const BatchFigures a = realBatch(site, rows, false);
        const BatchFigures b = realBatch(site, rows, true);
        without = i == 0 || a.cpu < without.cpu ? a : without;
        with = i == 0 || b.cpu < with.cpu ? b : with;
    }
    const double bound = 1000.0 / HTTPPage2::kPollMs;  // one page per poll and chain
    line("batch run, rows per second", rows / with.seconds, "row/s", "bound of the 10 ms poll", bound,
         QString::number(rows) + u" rows in "_s + QString::number(with.seconds, 'f', 2) + u" s, "_s +
             QString::number(with.failed) + u" failed cells"_s);
    double bareCpu = 0;
    const double bareSeconds = bareFetchSeconds(site.baseUrl, rows, bareCpu);
    line("batch run, CPU time per row", with.cpu * 1e3 / rows, "ms", "bare QNetworkAccessManager, same pages",
         bareCpu * 1e3 / rows,
         u"bare fetching ran "_s + QString::number(rows / bareSeconds, 'f', 0) + u" rows/s"_s);
    line("batch run, CPU time with the journal", with.cpu, "s", "the same run without it", without.cpu,
         u"(goal <= 1.05) the journal "_s + QString::number((with.cpu - without.cpu) * 1e6 / rows, 'f', 1) +
             u" us a row"_s);
}

// --- The command-line run.

// `quorvane --batch` over a domain file of the replica's domains, with no pauses, on the real stack;
// stops after stopAfterMs (0: at its end). Returns the seconds it took.
double commandRun(const QString& base, const QString& file, int stopAfterMs) {
    QtSystemTimers timers;
    QtClock clock;
    QNetworkAccessManager network;
    network.setProxy(QNetworkProxy::NoProxy);
    QtHttpRequestFactory http(network);
    QTemporaryDir history;
    Runs runs(timers, clock, http, BatchRun::Sites{base, base}, history.path());
    BatchOptions options;
    options.input = file;
    options.rowsPerBatch = 0;
    options.quiet = true;
    BatchCommand command(
        runs.batch, timers, clock, options, [](const QString&) {}, false);
    bool done = false;
    QObject::connect(&command, &BatchCommand::finished, [&done](int) { done = true; });
    QElapsedTimer timer;
    timer.start();
    command.start();
    while (!done && (stopAfterMs == 0 || timer.elapsed() < stopAfterMs) && timer.elapsed() < 600'000) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

void commandBench(int rows) {
    ReplicaProcess site;
    QTemporaryDir folder;
    if (!site.start() || !folder.isValid()) {
        std::printf("replica site did not start\n");
        return;
    }
    const QString file = folder.filePath(u"list.txt"_s);
    QFile list(file);
    if (!list.open(QIODevice::WriteOnly) || list.write(domainText(rows).toUtf8()) < 0) {
        return;
    }
    list.close();
    const double seconds = commandRun(site.baseUrl, file, 0);
    const double bound = 1000.0 / HTTPPage2::kPollMs;
    line("command-line run, rows per second", rows / seconds, "row/s", "bound of the 10 ms poll", bound,
         u"(goal >= 0.95) "_s + QString::number(rows) + u" rows in "_s + QString::number(seconds, 'f', 2) +
             u" s, no pauses"_s);
}

// A child's peak RSS in KiB, running the command over n domains for a few seconds.
long commandRss(const QString& base, const QString& file) {
    commandRun(base, file, 3000);
    return peakRssKb();
}

// --- Peak RSS, each in a child of its own.

long childPeakRss(const QStringList& arguments) {
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), arguments);
    if (!child.waitForFinished(120'000)) {
        child.kill();
        return -1;
    }
    return QString::fromUtf8(child.readAllStandardOutput()).trimmed().section(u'\n', -1).toLong();
}

// A domain file of n lines, as the box's text would be saved.
QString writeDomainFile(const QTemporaryDir& folder, int lines) {
    const QString path = folder.filePath(u"domains"_s + QString::number(lines) + u".txt"_s);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(domainText(lines).toUtf8()) < 0) {
        std::printf("cannot write %s\n", qPrintable(path));
    }
    return path;
}

void commandRssBench() {
    ReplicaProcess site;
    QTemporaryDir folder;
    if (!site.start() || !folder.isValid()) {
        std::printf("replica site did not start\n");
        return;
    }
    const long one = childPeakRss({u"--rss-command"_s, site.baseUrl, writeDomainFile(folder, 1)});
    const long million = childPeakRss({u"--rss-command"_s, site.baseUrl, writeDomainFile(folder, 1'000'000)});
    line("peak RSS, command-line run of 1,000,000 domains", million / 1024.0, "MiB",
         "the same run of one domain", one / 1024.0,
         u"(goal < 300 MiB) +"_s + QString::number((million - one) / 1024.0, 'f', 1) + u" MiB"_s);
}

void rssBenches() {
    const long none = childPeakRss({u"--rss-list"_s, u"0"_s});
    const long rows = childPeakRss({u"--rss-list"_s, QString::number(kListRows)});
    line("peak RSS, 32,766 rows in the list", rows / 1024.0, "MiB", "the same window with no rows",
         none / 1024.0, u"+"_s + QString::number((rows - none) / 1024.0, 'f', 1) + u" MiB"_s);
    const long more = childPeakRss({u"--rss-list"_s, u"100000"_s});
    line("peak RSS, 100,000 rows in the list", more / 1024.0, "MiB", "the same window with no rows",
         none / 1024.0, u"+"_s + QString::number((more - none) / 1024.0, 'f', 1) + u" MiB"_s);
    // The box's own document holds the pasted lines too: what the rows add beyond it.
    const long boxOnly = childPeakRss({u"--rss-box"_s, u"100000"_s});
    line("peak RSS, 100,000 rows in the list", more / 1024.0, "MiB", "the lines in the box, not imported",
         boxOnly / 1024.0, u"+"_s + QString::number((more - boxOnly) / 1024.0, 'f', 1) + u" MiB"_s);

    // The domain file: its lines go straight into the list, not into the box.
    QTemporaryDir folder;
    for (const int lines : {100'000, 1'000'000}) {
        const QString path = writeDomainFile(folder, lines);
        // Each child imports once: the fastest of three, and the highest peak.
        double importMs = -1;
        long peak = -1;
        for (int run = 0; run < 3; ++run) {
            QProcess child;
            child.start(QCoreApplication::applicationFilePath(), {u"--rss-file"_s, path});
            if (!child.waitForFinished(120'000)) {
                child.kill();
            }
            const QStringList figures =
                QString::fromUtf8(child.readAllStandardOutput()).trimmed().section(u'\n', -1).split(u' ');
            const double ms = figures.value(1).toDouble();
            importMs = importMs < 0 ? ms : std::min(importMs, ms);
            peak = std::max(peak, figures.value(0).toLong());
        }
        // Reading the same file into a text and splitting it in lines.
        const qint64 bare = fastest(
            3, [] {},
            [&] {
                QFile file(path);
                file.open(QIODevice::ReadOnly);
                const QStringList pieces = QString::fromUtf8(file.readAll()).split(u'\n');
                if (pieces.size() < lines) {
                    std::printf("short read\n");
                }
            });
        const QString what =
            u"import of a "_s + QLocale(QLocale::English).toString(lines) + u"-line domain file"_s;
        line(qPrintable(what), importMs, "ms", "read, decode and split the file", ms(bare));
        line(qPrintable(u"peak RSS, "_s + what), peak / 1024.0, "MiB", "the same window with no rows",
             none / 1024.0, u"+"_s + QString::number((peak - none) / 1024.0, 'f', 1) + u" MiB"_s);
    }

    const long big = childPeakRss({u"--rss-fetch"_s, u"50000000"_s});
    const long small = childPeakRss({u"--rss-fetch"_s, u"20000"_s});
    line("peak RSS, fetch of a 50 MB body (fails)", big / 1024.0, "MiB", "fetch of a 20 KB page",
         small / 1024.0);
}

int rssList(int rows, bool import) {
    testing::FormHarness h;
    h.fill(u"Text1", domainText(rows));
    if (import) {
        h.click(u"Command12");
    }
    h.form->show();
    for (int i = 0; i < 20; ++i) {
        QCoreApplication::processEvents();
    }
    std::printf("%ld\n", peakRssKb());
    return 0;
}

int rssFile(const QString& path) {
    testing::FormHarness h;
    h.fill(u"Text2", path);
    QPushButton& import = h.control<QPushButton>(u"Command6");
    QElapsedTimer timer;
    timer.start();
    import.click();
    const qint64 ns = timer.nsecsElapsed();
    h.form->show();
    for (int i = 0; i < 20; ++i) {
        QCoreApplication::processEvents();
    }
    std::fprintf(stderr, "%d rows\n", h.list(u"ListView1").items().itemCount());
    std::printf("%ld %.2f\n", peakRssKb(), ms(ns));
    return 0;
}

int rssFetch(qint64 bytes) {
    replica::MiniHttpServer server([bytes](const replica::Request&) { return replica::Reply::huge(bytes); });
    if (!server.listen()) {
        return 1;
    }
    QtSystemTimers timers;
    XTimerSupport support(timers);
    QtClock clock;
    QNetworkAccessManager network;
    network.setProxy(QNetworkProxy::NoProxy);
    QtHttpRequestFactory http(network);
    ProxyPool proxies(clock);
    FetchContext context{http, support, clock, proxies};
    auto page = HTTPPage2::create(context);
    QString answer;
    bool done = false;
    page->HttpEvent = [&](const QString& text) {
        answer = text.left(2);
        done = true;
    };
    page->SubIniData(server.baseUrl() + u"/big"_s, Charset::Utf8, std::chrono::seconds(30));
    QElapsedTimer timer;
    timer.start();
    while (!done && timer.elapsed() < 60'000) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    std::fprintf(stderr, "fetch of %lld bytes answered %s\n", static_cast<long long>(bytes),
                 qPrintable(answer));
    std::printf("%ld\n", peakRssKb());
    return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() == 3 && args[1] == u"--rss-list"_s) {
        return rssList(args[2].toInt(), true);
    }
    if (args.size() == 3 && args[1] == u"--rss-box"_s) {
        return rssList(args[2].toInt(), false);
    }
    if (args.size() == 3 && args[1] == u"--rss-file"_s) {
        return rssFile(args[2]);
    }
    if (args.size() == 3 && args[1] == u"--rss-fetch"_s) {
        return rssFetch(args[2].toLongLong());
    }
    if (args.size() == 4 && args[1] == u"--rss-command"_s) {
        std::printf("%ld\n", commandRss(args[2], args[3]));
        return 0;
    }
    if (args.size() == 3 && args[1] == u"--only"_s) {
        // One group alone, for profiling.
        if (args[2] == u"import"_s) {
            importBench(u"100,000 lines"_s, domainText(100'000));
        } else if (args[2] == u"longline"_s) {
            importBench(u"one 1 MB line"_s, QString(1024 * 1024, u'a').replace(512 * 1024, 1, u'.'));
        } else if (args[2] == u"sortsave"_s) {
            sortAndSaveBench();
        } else if (args[2] == u"rss"_s) {
            rssBenches();
        } else if (args[2] == u"parse"_s) {
            parserBenches();
        } else if (args[2] == u"command"_s) {
            commandBench(1000);
            commandRssBench();
        } else {
            batchBench(args[2].toInt());
        }
        return 0;
    }
    const int rows = args.size() > 1 ? args[1].toInt() : 1000;
    importBench(u"32,766 lines"_s, domainText(kListRows));
    importBench(u"100,000 lines"_s, domainText(100'000));
    importBench(u"one 1 MB line"_s, QString(1024 * 1024, u'a').replace(512 * 1024, 1, u'.'));
    sortAndSaveBench();
    parserBenches();
    batchBench(rows > 0 ? rows : 1000);
    commandBench(rows > 0 ? rows : 1000);
    commandRssBench();
    rssBenches();
    return 0;
}
