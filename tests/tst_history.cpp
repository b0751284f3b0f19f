// SPDX-License-Identifier: GPL-3.0-or-later
// The history store on a real SQLite file in a temporary folder, and the journal that records the
// runs into it, on virtual time against the replica's pages.
#include "history/figure_change.h"
#include "history/journal.h"
#include "replica_site.h"
#include "run_harness.h"

#include <sys/fsuid.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>
#include <csignal>

using namespace Qt::StringLiterals;
using namespace quorvane;
using quorvane::testing::RunHarness;
using Kind = HistoryStore::RunKind;
using RunId = HistoryStore::RunId;

Q_DECLARE_METATYPE(quorvane::Figure)

namespace {

constexpr auto kWeight = DomainCell::Weight;

// A figure as one text: the value, "失败:" and the reason, or "?" when unknown.
QString described(const Figure& figure) {
    return figure.state == Figure::State::Value    ? figure.text
           : figure.state == Figure::State::Failed ? u"失败:"_s + figure.reason
                                                   : u"?"_s;
}

QString described(const std::array<Figure, kDomainFigures>& figures) {
    QStringList texts;
    for (const Figure& figure : figures) {
        texts.append(described(figure));
    }
    return texts.join(u'|');
}

// Rows as "domain#line|figure|…", from the store and from the batch run.
QStringList listed(const std::vector<HistoryStore::RestoredRow>& restored) {
    QStringList rows;
    for (const HistoryStore::RestoredRow& row : restored) {
        rows.append(row.domain + u'#' + QString::number(row.line) + u'|' + described(row.figures));
    }
    return rows;
}

QStringList listed(const BatchRun& batch) {
    std::vector<RowRecord> rows;
    for (qint64 entry = 1; entry <= batch.rowCount(); ++entry) {
        rows.push_back({batch.domain(entry).toString(), batch.lineNumber(entry), {}});
        for (int cell = kWeight; cell < DomainCell::Count; ++cell) {
            rows.back().figures[static_cast<std::size_t>(cell - kWeight)] = batch.figure(entry, cell);
        }
    }
    return listed(rows);
}

// What a store that keeps nothing says, whatever the reason.
bool saysNothingIsKept(const QString& problem) {
    return problem.startsWith(u"历史记录无法保存："_s) && problem.endsWith(u"，查询照常进行。"_s);
}

// A connection of the test's own to the file, beside the store's.
struct Raw {
    explicit Raw(const QString& path) : name(QUuid::createUuid().toString()) {
        db = QSqlDatabase::addDatabase(u"QSQLITE"_s, name);
        db.setDatabaseName(path);
        db.open();
    }
    ~Raw() {
        db.close();
        db = {};
        QSqlDatabase::removeDatabase(name);
    }
    bool exec(const QString& sql) { return QSqlQuery(db).exec(sql); }
    QVariant value(const QString& sql) {
        QSqlQuery query(db);
        return query.exec(sql) && query.next() ? query.value(0) : QVariant();
    }
    QString name;
    QSqlDatabase db;
};

QByteArray contentsOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Read-only for this thread even as root, whom no mode stops: then the files are nobody's and the
// file system is asked as nobody, who may pass through the folder above.
struct ReadOnlyFolder {
    static constexpr uid_t kNobody = 65534;
    explicit ReadOnlyFolder(QString folder) : path(std::move(folder)) {
        const QStringList names = QDir(path).entryList(QDir::Files) << QString();
        for (const QString& name : names) {
            QVERIFY(!root ||
                    ::chown(QFile::encodeName(QDir(path).filePath(name)).constData(), kNobody, kNobody) == 0);
        }
        ::chmod(QFile::encodeName(path).constData(), 0555);
        ::chmod(QFile::encodeName(QFileInfo(path).path()).constData(), 0711);
        if (root) {
            setfsgid(kNobody);
            setfsuid(kNobody);
        }
    }
    ~ReadOnlyFolder() {
        if (root) {
            setfsuid(0);
            setfsgid(0);
        }
        ::chmod(QFile::encodeName(path).constData(), 0700);
        ::chmod(QFile::encodeName(QFileInfo(path).path()).constData(), 0700);
    }
    QString path;
    bool root = geteuid() == 0;
};

// No file of the process may grow past its size now: a full disk, as SQLite sees it.
struct FullDisk {
    explicit FullDisk(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &before);
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{bytes, before.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FullDisk() {
        ::setrlimit(RLIMIT_FSIZE, &before);
        std::signal(SIGXFSZ, SIG_DFL);
    }
    rlimit before{};
};

// A store in a folder of its own, on the harness's virtual time, and lists to begin runs over.
struct Fixture {
    RunHarness h;
    QTemporaryDir dir;
    HistoryStore store{dir.path(), h.time, h.time};

    RunId begin(const QStringList& domains, Kind kind = Kind::Batch, RunId parent = 0) {
        h.importDomains(domains);
        return store.beginRun(kind, h.batch, parent);
    }
    // What another window, or the program started again, reads from the file.
    HistoryStore reader() { return HistoryStore(dir.path(), h.time, h.time); }
};

// The journal over the runs: normal rows and rows whose pages hold no figures, each failure with a
// reason of its own, and enough rows that a second's commit finds the run going on.
struct Journaled {
    RunHarness h;
    Journal& journal = h.runs->journal;
    HistoryStore reader() { return HistoryStore(h.historyFolder.path(), h.time, h.time); }
    Journaled() {
        const QStringList faults = {u"notfound.b.com"_s, u"c.com"_s,       u"partial.d.com"_s,
                                    u"nomarker.e.com"_s, u"empty.f.com"_s, u"garbage.g.com"_s};
        h.batch.import((faults + quorvane::testing::numberedDomains(100)).join(u"\n\n"_s), false);
    }
    bool runToEnd() {
        return h.time.advanceUntil([&] { return h.batch.rowsCounted() == h.batch.rowCount(); }, 60'000);
    }
    std::optional<HistoryStore::Run> unfinished() { return reader().lastUnfinishedBatch(); }
};

void callEverything(HistoryStore& store, const BatchRun& list) {
    QCOMPARE(store.beginRun(Kind::Batch, list), 0);
    QCOMPARE(store.beginSingle(u"a.com"_s), 0);
    store.record(1, 1, kWeight, Figure::value(u"1"_s));
    store.setCounted(1, 1);
    store.finishRun(1);
    store.reopenRun(1);
    QVERIFY(!store.flush());
    QCOMPARE(store.prune(0), 0);
}

}  // namespace

class TestHistory final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void newFileIsPrivateAndInWal_data() {
        QTest::addColumn<int>("before");
        QTest::newRow("no file, nor folder") << 0;
        QTest::newRow("an empty file: version 0") << 1;
        QTest::newRow("a database of no table: version 0") << 2;
    }

    void newFileIsPrivateAndInWal() {
        QFETCH(int, before);
        RunHarness h;
        QTemporaryDir dir;
        const QString path = dir.filePath(u"made/history.sqlite"_s);
        if (before > 0) {
            QDir().mkpath(dir.filePath(u"made"_s));
            QFile(path).open(QIODevice::WriteOnly);
            QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        }
        if (before > 1) {
            Raw raw(path);
            raw.exec(u"CREATE TABLE t(x)"_s);
            raw.exec(u"DROP TABLE t"_s);
        }
        HistoryStore store(dir.filePath(u"made"_s), h.time, h.time);
        QVERIFY(store.keeping() && store.problems().isEmpty());
        h.importDomains({u"a.com"_s});
        store.record(store.beginRun(Kind::Batch, h.batch), 1, kWeight, Figure::value(u"3"_s));
        QVERIFY(store.flush());
        for (const QString& suffix : {u""_s, u"-wal"_s, u"-shm"_s}) {
            struct stat info {};
            QCOMPARE(::stat(QFile::encodeName(path + suffix).constData(), &info), 0);
            QCOMPARE(info.st_mode & 0777, 0600u);
        }
        Raw raw(path);
        QCOMPARE(raw.value(u"PRAGMA journal_mode"_s).toString(), u"wal"_s);
        QCOMPARE(raw.value(u"PRAGMA user_version"_s).toInt(), HistoryStore::kSchemaVersion);
        QCOMPARE(raw.value(u"SELECT count(*) FROM checks"_s).toInt(), 1);
    }

    void commitsOnTheTick() {
        Fixture f;
        const RunId run = f.begin({u"a.com"_s, u"b.com"_s});
        f.store.record(run, 1, kWeight, Figure::value(u"1"_s));
        f.h.time.advance(500);
        f.store.record(run, 2, DomainCell::Backlinks, Figure::failed(u"连接失败"_s));
        f.store.setCounted(run, 1);
        HistoryStore reader = f.reader();
        f.h.time.advance(499);
        QCOMPARE(reader.checkCount(), 0LL);
        QCOMPARE(reader.run(run).value().counted, 0LL);
        f.h.time.advance(1);
        QCOMPARE(reader.checkCount(), 2LL);
        QCOMPARE(reader.run(run).value().counted, 1LL);
        QCOMPARE(listed(reader.restoredRows(run)).at(1), u"b.com#2|?|?|?|?|失败:连接失败|?"_s);
    }

    void figuresComeBackAsTheyWere_data() {
        QTest::addColumn<int>("cell");
        QTest::addColumn<Figure>("figure");
        QTest::addColumn<int>("checks");
        QTest::newRow("a one, not a reason's id") << int(kWeight) << Figure::value(u"1"_s) << 1;
        QTest::newRow("a count") << int(DomainCell::Indexed) << Figure::value(u"1,230"_s) << 1;
        QTest::newRow("a real zero") << int(DomainCell::Backlinks) << Figure::value(u"0"_s) << 1;
        QTest::newRow("an empty value") << int(DomainCell::Traffic) << Figure::value(u""_s) << 1;
        QTest::newRow("a date") << int(DomainCell::Snapshot) << Figure::value(u"2024-01-02"_s) << 1;
        QTest::newRow("a failure") << int(kWeight) << Figure::failed(u"连接失败：超时"_s) << 1;
        QTest::newRow("a failure of no reason")
            << int(DomainCell::Keywords) << Figure::failed(QString()) << 1;
        QTest::newRow("unknown") << int(kWeight) << Figure{} << 0;
    }

    void figuresComeBackAsTheyWere() {
        QFETCH(int, cell);
        QFETCH(Figure, figure);
        QFETCH(int, checks);
        Fixture f;
        const RunId run = f.begin({u"a.com"_s});
        f.store.record(run, 1, cell, figure);
        QVERIFY(f.store.flush());
        HistoryStore reader = f.reader();
        QCOMPARE(reader.checkCount(), qint64(checks));
        const auto at = static_cast<std::size_t>(cell - kWeight);
        QCOMPARE(described(reader.restoredRows(run).at(0).figures[at]), described(figure));
        const std::vector<HistoryStore::Check> history = reader.historyOf(u"a.com"_s);
        QCOMPARE(history.size(), std::size_t(checks));
        QVERIFY(checks == 0 || described(history[0].figures[at]) == described(figure));
    }

    void restoredRowsMergeTheRetriedRun() {
        Fixture f;
        f.h.batch.import(u"a.com\n\nb.com\nc.com"_s, false);
        const RunId first = f.store.beginRun(Kind::Batch, f.h.batch);
        for (int cell = kWeight; cell < DomainCell::Count; ++cell) {
            f.store.record(first, 1, cell, Figure::value(QString::number(cell)));
            f.store.record(first, 2, cell,
                           cell == kWeight ? Figure::failed(u"无数据"_s) : Figure::value(u"b"_s));
        }
        f.store.record(first, 3, kWeight, Figure::value(u"c"_s));
        const RunId retry = f.store.beginRun(Kind::Retry, f.h.batch, first);
        f.store.record(retry, 2, kWeight, Figure::value(u"9"_s));
        f.store.record(retry, 3, DomainCell::Keywords, Figure::failed(u"超时"_s));
        QCOMPARE(listed(f.store.restoredRows(retry)),
                 QStringList(
                     {u"a.com#1|2|3|4|5|6|7"_s, u"b.com#3|9|b|b|b|b|b"_s, u"c.com#4|c|失败:超时|?|?|?|?"_s}));
        QCOMPARE(listed(f.store.restoredRows(first)).at(1), u"b.com#3|失败:无数据|b|b|b|b|b"_s);
        QCOMPARE(f.store.run(retry).value().parent, first);
    }

    void previousGoodSkipsFailuresAndTheRunsOwnChain() {
        Fixture f;
        f.h.importDomains({u"a.com"_s});
        const auto runWith = [&](Kind kind, const Figure& weight, RunId parent = 0) {
            const RunId run = f.store.beginRun(kind, f.h.batch, parent);
            f.store.record(run, 1, kWeight, weight);
            f.h.time.advance(60'000);
            return run;
        };
        const qint64 firstTime = f.h.time.nowSeconds();
        const RunId first = runWith(Kind::Batch, Figure::value(u"5"_s));
        runWith(Kind::Batch, Figure::failed(u"无数据"_s));
        const RunId third = runWith(Kind::Batch, Figure::value(u"7"_s));
        const RunId retry = runWith(Kind::Retry, Figure::value(u"8"_s), third);
        const RunId fifth = runWith(Kind::Batch, Figure{});
        const HistoryStore::PastFigure good = f.store.previousGood(u"a.com"_s, kWeight, third).value();
        QCOMPARE(good.run, first);
        QCOMPARE(good.time, firstTime);
        QCOMPARE(good.text, u"5"_s);
        QCOMPARE(good.number, 5.0);
        QCOMPARE(f.store.previousGood(u"a.com"_s, kWeight, retry).value().run, first);
        QCOMPARE(f.store.previousGood(u"a.com"_s, kWeight, fifth).value().text, u"8"_s);
        QVERIFY(!f.store.previousGood(u"a.com"_s, kWeight, first));
        QVERIFY(!f.store.previousGood(u"a.com"_s, DomainCell::Keywords, fifth));
        // A list of no run yet compares with the newest good figure of all.
        QCOMPARE(f.store.previousGood(u"a.com"_s, kWeight, 0).value().run, retry);
    }

    void changeSinceTheLastGoodFigure_data() {
        QTest::addColumn<Figure>("now");
        QTest::addColumn<QString>("before");  // empty: no earlier good figure
        QTest::addColumn<int>("trend");
        QTest::addColumn<QString>("tip");
        using Trend = FigureChange::Trend;
        const auto row = [](const char* name, const Figure& now, const QString& before, Trend trend,
                            const QString& tip) {
            QTest::newRow(name) << now << before << int(trend) << tip;
        };
        const QString last = u"上次（2025-12-01）："_s;
        row("up", Figure::value(u"8"_s), u"7"_s, Trend::Up, last + u"7 → 8（+1）"_s);
        row("down, grouped digits", Figure::value(u"1,200"_s), u"1,234"_s, Trend::Down,
            last + u"1,234 → 1,200（-34）"_s);
        row("equal", Figure::value(u"5"_s), u"5"_s, Trend::Same, last + u"5 → 5（持平）"_s);
        row("fraction", Figure::value(u"2"_s), u"1.5"_s, Trend::Up, last + u"1.5 → 2（+0.5）"_s);
        row("large count", Figure::value(u"3000000000"_s), u"1000000000"_s, Trend::Up,
            last + u"1000000000 → 3000000000（+2000000000）"_s);
        row("no number before", Figure::value(u"3"_s), u"无"_s, Trend::None, last + u"无 → 3"_s);
        row("failure now", Figure::failed(u"超时"_s), u"7"_s, Trend::None, QString());
        row("unknown now", Figure{}, u"7"_s, Trend::None, QString());
        row("nothing before", Figure::value(u"7"_s), QString(), Trend::None, QString());
    }

    void changeSinceTheLastGoodFigure() {
        QFETCH(Figure, now);
        QFETCH(QString, before);
        // Noon UTC: the same day in every time zone the tests may run in.
        constexpr qint64 kDecemberFirst = 1764590400;
        std::optional<HistoryStore::PastFigure> past;
        if (!before.isEmpty()) {
            past = HistoryStore::PastFigure{1, kDecemberFirst, before, Figure::value(before).number()};
        }
        const FigureChange change = changeSince(now, past);
        QTEST(int(change.trend), "trend");
        QTEST(change.tip, "tip");
    }

    void historyOfListsEveryCheck() {
        Fixture f;
        const RunId batch = f.begin({u"b.com"_s, u"a.com"_s});
        f.store.record(batch, 1, kWeight, Figure::value(u"1"_s));
        f.store.record(batch, 2, kWeight, Figure::value(u"2"_s));
        f.h.time.advance(10'000);
        const RunId retry = f.store.beginRun(Kind::Retry, f.h.batch, batch);
        f.store.record(retry, 2, DomainCell::Keywords, Figure::failed(u"超时"_s));
        f.h.time.advance(10'000);
        const RunId single = f.store.beginSingle(u"a.com"_s);
        f.store.record(single, 1, DomainCell::Snapshot, Figure::value(u"2024-05-06"_s));
        const std::vector<HistoryStore::Check> history = f.store.historyOf(u"a.com"_s);
        QCOMPARE(history.size(), std::size_t(3));
        QCOMPARE(QList<RunId>({history[0].run, history[1].run, history[2].run}),
                 QList<RunId>({batch, retry, single}));
        QCOMPARE(history[2].kind, Kind::Single);
        QCOMPARE(history[2].time - history[0].time, 20LL);
        QCOMPARE(QStringList({described(history[0].figures), described(history[1].figures),
                              described(history[2].figures)}),
                 QStringList({u"2|?|?|?|?|?"_s, u"?|失败:超时|?|?|?|?"_s, u"?|?|?|?|?|2024-05-06"_s}));
        QVERIFY(f.store.historyOf(u"c.com"_s).empty());
    }

    void pruneKeepsTheNewestLists() {
        Fixture f;
        std::vector<RunId> runs;
        for (const QString& domain : {u"old.com"_s, u"a.com"_s, u"a.com"_s, u"a.com"_s}) {
            runs.push_back(f.begin({domain}));
            f.store.record(runs.back(), 1, kWeight, Figure::value(u"1"_s));
        }
        const RunId retry = f.store.beginRun(Kind::Retry, f.h.batch, runs[2]);
        f.store.record(retry, 1, DomainCell::Keywords, Figure::value(u"2"_s));
        const RunId singles[] = {f.store.beginSingle(u"s.com"_s), f.store.beginSingle(u"s.com"_s),
                                 f.store.beginSingle(u"s.com"_s)};
        QCOMPARE(f.store.prune(2), 3);  // the first two lists and the first single query
        QVERIFY(!f.store.run(runs[0]) && !f.store.run(runs[1]) && !f.store.run(singles[0]));
        QVERIFY(f.store.run(runs[2]) && f.store.run(retry) && f.store.run(runs[3]) &&
                f.store.run(singles[2]));
        QCOMPARE(listed(f.store.restoredRows(retry)), QStringList{u"a.com#1|1|2|?|?|?|?"_s});
        QCOMPARE(f.store.checkCount(), 3LL);
        Raw raw(f.store.filePath());
        QCOMPARE(raw.value(u"SELECT count(*) FROM domains WHERE name = 'old.com'"_s).toInt(), 0);
    }

    void twoStoresShareTheFile() {
        Fixture f;
        HistoryStore two = f.reader();
        const RunId first = f.begin({u"a.com"_s});
        const RunId second = two.beginRun(Kind::Batch, f.h.batch);
        QVERIFY(first != 0 && second != 0 && first != second);
        f.store.record(first, 1, kWeight, Figure::value(u"1"_s));
        two.record(second, 1, kWeight, Figure::value(u"2"_s));
        f.h.time.advance(1000);
        QCOMPARE(f.store.historyOf(u"a.com"_s).size(), std::size_t(2));
        QCOMPARE(two.lastUnfinishedBatch().value().id, second);
        QVERIFY(f.store.problems().isEmpty() && two.problems().isEmpty());
    }

    void busyFileKeepsTheQueue() {
        RunHarness h;
        QTemporaryDir dir;
        HistoryStore store(dir.path(), h.time, h.time, HistoryStore::Options{.busyTimeoutMs = 20});
        h.importDomains({u"a.com"_s});
        store.record(store.beginRun(Kind::Batch, h.batch), 1, kWeight, Figure::value(u"1"_s));
        Raw other(store.filePath());
        QVERIFY(other.exec(u"BEGIN IMMEDIATE"_s));
        h.time.advance(1000);
        other.exec(u"ROLLBACK"_s);
        QCOMPARE(other.value(u"SELECT count(*) FROM checks"_s).toInt(), 0);
        h.time.advance(1000);
        QCOMPARE(other.value(u"SELECT count(*) FROM checks"_s).toInt(), 1);
        QVERIFY(store.keeping() && store.problems().isEmpty());
    }

    void brokenFileIsSetAside_data() {
        QTest::addColumn<QByteArray>("bytes");
        QByteArray garbage(8192, Qt::Uninitialized);
        QRandomGenerator(7).fillRange(reinterpret_cast<quint32*>(garbage.data()), garbage.size() / 4);
        QTest::newRow("garbage") << garbage;
        RunHarness h;
        QTemporaryDir dir;
        h.importDomains(quorvane::testing::numberedDomains(3000));
        HistoryStore(dir.path(), h.time, h.time).beginRun(Kind::Batch, h.batch);
        const QByteArray whole = contentsOf(dir.filePath(u"history.sqlite"_s));
        QTest::newRow("truncated") << whole.first(whole.size() / 2);
    }

    void brokenFileIsSetAside() {
        QFETCH(QByteArray, bytes);
        RunHarness h;
        QTemporaryDir dir;
        const QString path = dir.filePath(u"history.sqlite"_s);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        file.close();
        const QString movedTo =
            path + u".broken-"_s +
            QDateTime::fromSecsSinceEpoch(h.time.nowSeconds()).toString(u"yyyyMMdd-HHmmss"_s);
        h.importDomains({u"a.com"_s});
        {
            HistoryStore store(dir.path(), h.time, h.time);
            QCOMPARE(store.problems(),
                     QStringList{u"历史数据库已损坏，已另存为 %1，并新建了一个。"_s.arg(movedTo)});
            QVERIFY(store.keeping());
            store.record(store.beginRun(Kind::Batch, h.batch), 1, kWeight, Figure::value(u"1"_s));
        }
        QCOMPARE(contentsOf(movedTo), bytes);
        HistoryStore again(dir.path(), h.time, h.time);
        QVERIFY(again.problems().isEmpty());
        QCOMPARE(again.checkCount(), 1LL);
    }

    void unwritableHistoryIsSaidOnce_data() {
        QTest::addColumn<QString>("cause");
        QTest::addColumn<std::size_t>("checksLeft");
        QTest::addColumn<QString>("said");  // empty: whatever the reason
        QTest::newRow("read-only folder") << u"read-only"_s << std::size_t(1) << QString();
        QTest::newRow("a file for a folder") << u"file"_s << std::size_t(0) << QString();
        QTest::newRow("a newer version, left alone")
            << u"newer"_s << std::size_t(0)
            << u"历史记录无法保存：数据库来自较新的版本（第 2 版），查询照常进行。"_s;
    }

    void unwritableHistoryIsSaidOnce() {
        QFETCH(QString, cause);
        QFETCH(std::size_t, checksLeft);
        QFETCH(QString, said);
        RunHarness h;
        QTemporaryDir dir;
        // A name SQLite's addresses would take apart, were it not encoded.
        const QString kept = dir.filePath(u"历史 #1?%"_s);
        const QString path = QDir(kept).filePath(u"history.sqlite"_s);
        h.importDomains({u"a.com"_s});
        if (cause == u"newer"_s) {
            QDir().mkpath(kept);
            Raw raw(path);
            raw.exec(u"CREATE TABLE future(x)"_s);
            raw.exec(u"INSERT INTO future VALUES('kept')"_s);
            raw.exec(u"PRAGMA user_version = %1"_s.arg(HistoryStore::kSchemaVersion + 1));
        } else {
            HistoryStore store(kept, h.time, h.time);
            store.record(store.beginRun(Kind::Batch, h.batch), 1, kWeight, Figure::value(u"1"_s));
        }
        const QByteArray bytes = contentsOf(path);
        std::optional<ReadOnlyFolder> lock;
        if (cause == u"read-only"_s) {
            lock.emplace(kept);
        }
        {
            HistoryStore store(cause == u"file"_s ? path : kept, h.time, h.time);
            QVERIFY(!store.keeping());
            QCOMPARE(store.problems().size(), 1);
            QVERIFY2(saysNothingIsKept(store.problems()[0]), qPrintable(store.problems()[0]));
            if (!said.isEmpty()) {
                QCOMPARE(store.problems(), QStringList{said});
            }
            callEverything(store, h.batch);
            h.time.advance(5000);
            QCOMPARE(h.time.activeTimers(), 0);
            QCOMPARE(store.problems().size(), 1);
            QCOMPARE(store.historyOf(u"a.com"_s).size(), checksLeft);
        }
        QCOMPARE(contentsOf(path), bytes);
    }

    void fullDiskIsSaidOnce() {
        Fixture f;
        QSignalSpy said(&f.store, &HistoryStore::problemFound);
        const RunId run = f.begin(quorvane::testing::numberedDomains(50));
        QVERIFY(f.store.flush());
        {
            FullDisk full(std::max(QFileInfo(f.store.filePath()).size(),
                                   QFileInfo(f.store.filePath() + u"-wal"_s).size()));
            for (int round = 0; round < 3; ++round) {
                for (int entry = 1; entry <= 50; ++entry) {
                    f.store.record(run, entry, kWeight,
                                   Figure::failed(QString(4000, u'x') + QString::number(entry)));
                }
                f.h.time.advance(1000);
            }
        }
        QCOMPARE(said.count(), 1);
        QVERIFY(!f.store.keeping());
        QVERIFY2(saysNothingIsKept(said[0][0].toString()), qPrintable(said[0][0].toString()));
        callEverything(f.store, f.h.batch);
        QCOMPARE(f.store.run(run).value().rows, 50LL);
        QCOMPARE(said.count(), 1);
    }

    // --- The journal.
    void startSaysHowBeforeAnythingChanges() {
        RunHarness h;
        h.importDomains({u"a.com"_s, u"notfound.b.com"_s});
        QStringList events;
        connect(&h.batch, &BatchRun::starting, &h.batch, [&](BatchRun::Start how) {
            events.append(QString::fromLatin1(
                QMetaEnum::fromType<BatchRun::Start>().valueToKey(static_cast<int>(how))));
        });
        connect(&h.batch, &BatchRun::figuresReset, &h.batch, [&] { events.append(u"reset"_s); });
        connect(&h.batch, &BatchRun::rowCounted, &h.batch,
                [&](qint64 n) { events.append(QString::number(n)); });
        connect(&h.batch, &BatchRun::stopped, &h.batch, [&] { events.append(u"stopped"_s); });
        h.batch.start();
        h.time.advance(10);
        h.batch.pause();
        h.batch.start();
        h.time.advanceUntil([&] { return h.batch.rowsCounted() == 2; }, 10'000);
        h.batch.stop();
        QVERIFY(h.batch.retry());
        QCOMPARE(events, QStringList({u"Fresh"_s, u"reset"_s, u"0"_s, u"Resume"_s, u"1"_s, u"2"_s,
                                      u"stopped"_s, u"Retry"_s, u"0"_s}));
    }

    void everyFigureShownIsKeptWithinASecond() {
        Journaled f;
        f.h.batch.start();
        // Halfway, as a kill would find it: what was shown a second ago is in the file.
        QVERIFY(f.h.time.advanceUntil([&] { return f.h.batch.rowsCounted() >= 3; }, 60'000));
        const QStringList shown = listed(f.h.batch);
        const qint64 counted = f.h.batch.rowsCounted();
        QVERIFY(counted < f.h.batch.rowCount());
        f.h.time.advance(1000);
        const QStringList kept = listed(f.reader().restoredRows(f.journal.listRun()));
        for (qsizetype row = 0; row < shown.size(); ++row) {
            const QStringList was = shown[row].split(u'|');
            const QStringList is = kept.value(row).split(u'|');
            for (qsizetype cell = 0; cell < was.size(); ++cell) {
                QVERIFY2(was[cell] == u"?"_s || was[cell] == is.value(cell),
                         qPrintable(shown[row] + u" / "_s + kept.value(row)));
            }
        }
        QVERIFY(f.unfinished() && f.unfinished().value().counted >= counted);
        QVERIFY(f.runToEnd());
        f.h.time.advance(1000);
        QCOMPARE(listed(f.reader().restoredRows(f.journal.listRun())), listed(f.h.batch));
        QVERIFY(listed(f.h.batch).join(u' ').contains(u"失败:"_s));
        QVERIFY(!f.unfinished());
    }

    void retryGoesOnFromTheRunItRetries() {
        Journaled f;
        bool failing = true;
        f.h.http.setResponder([&, replica = quorvane::testing::replicaResponder()](const QString& url) {
            return failing && url.contains(u"c.com"_s) ? quorvane::testing::FakeReply(std::nullopt)
                                                       : replica(url);
        });
        f.h.batch.start();
        QVERIFY(f.runToEnd());
        const RunId first = f.journal.listRun();
        failing = false;
        QVERIFY(f.h.batch.retry());
        QVERIFY(f.runToEnd());
        f.h.time.advance(1000);
        const RunId retry = f.journal.listRun();
        const HistoryStore::Run run = f.reader().run(retry).value();
        QVERIFY(retry != first && run.kind == Kind::Retry && run.parent == first && run.finished);
        QCOMPARE(listed(f.reader().restoredRows(retry)), listed(f.h.batch));
        QVERIFY(listed(f.reader().restoredRows(first)).at(1).contains(u"失败:"_s));
        QVERIFY(!listed(f.h.batch).at(1).contains(u"失败:"_s));
    }

    void resumeGoesOnInTheSameRun() {
        Journaled f;
        f.h.batch.setPacing(50, 3);  // an automatic pause every fifty rows
        f.h.batch.start();
        const RunId run = f.journal.listRun();
        QVERIFY(f.h.time.advanceUntil([&] { return f.h.batch.paused(); }, 10'000));
        f.h.time.advance(1000);
        QCOMPARE(f.unfinished().value().id, run);
        f.h.batch.pause();
        f.h.batch.start();
        QVERIFY(f.runToEnd());
        QCOMPARE(f.journal.listRun(), run);
        f.h.time.advance(5000);  // and the pause after the last rows resumes a run that is done
        QVERIFY(!f.unfinished());
        QCOMPARE(listed(f.reader().restoredRows(run)), listed(f.h.batch));
    }

    void userEndsFinishTheRun_data() {
        QTest::addColumn<QString>("end");
        QTest::addColumn<bool>("finished");
        QTest::newRow("stop") << u"stop"_s << true;
        QTest::newRow("a new list") << u"import"_s << true;
        QTest::newRow("the single query") << u"single"_s << true;
        QTest::newRow("pause") << u"pause"_s << false;
        QTest::newRow("stop during a pause, then resume") << u"pause stop start"_s << false;
    }

    void userEndsFinishTheRun() {
        QFETCH(QString, end);
        QFETCH(bool, finished);
        Journaled f;
        const std::map<QString, std::function<void()>> steps = {
            {u"stop"_s, [&] { f.h.batch.stop(); }},
            {u"pause"_s, [&] { f.h.batch.pause(); }},
            {u"start"_s, [&] { f.h.batch.start(); }},
            {u"import"_s, [&] { f.h.importDomains({u"x.com"_s}); }},
            {u"single"_s, [&] { f.h.keywords.query(u"x.com"_s); }}};
        f.h.batch.start();
        const RunId run = f.journal.listRun();
        f.h.time.advance(30);
        for (const QString& step : end.split(u' ')) {
            QVERIFY(steps.contains(step));
            steps.at(step)();
            f.h.time.advance(1000);
        }
        QCOMPARE(f.journal.listRun(), end == u"import"_s ? 0 : run);
        QCOMPARE(!f.unfinished(), finished);
    }

    void singleQueryIsARunOfOneRow() {
        Journaled f;
        f.h.keywords.query(u"a.com"_s);
        QVERIFY(
            f.h.time.advanceUntil([&] { return f.h.keywords.figure(StatsField::Indexed).known(); }, 10'000));
        f.h.time.advance(1000);
        HistoryStore reader = f.reader();
        const HistoryStore::Run run = reader.run(f.journal.singleRun()).value();
        QVERIFY(run.kind == Kind::Single && run.finished);
        const replica::StatsFigures page = replica::statsFiguresFor(u"a.com"_s);
        QCOMPARE(listed(reader.restoredRows(run.id)),
                 QStringList{QStringList({u"a.com#0"_s, page.weight, page.keywords, page.traffic,
                                          page.indexed, u"?"_s, page.snapshot})
                                 .join(u'|')});
        QVERIFY(!reader.lastUnfinishedBatch());
    }
};

QTEST_GUILESS_MAIN(TestHistory)
#include "tst_history.moc"
