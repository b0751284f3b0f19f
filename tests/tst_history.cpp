// SPDX-License-Identifier: GPL-3.0-or-later
// The history store on a real SQLite file in a temporary folder, on virtual time.
#include "history/history_store.h"
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

Q_DECLARE_METATYPE(quorvane::Figure)

namespace {

constexpr auto kWeight = DomainCell::Weight;

// A figure as one text: the value, "失败:" and the reason, or "?" when unknown.
QString described(const Figure& figure) {
    return figure.state == Figure::State::Value    ? figure.text
           : figure.state == Figure::State::Failed ? u"失败:"_s + figure.reason
                                                   : u"?"_s;
}

QStringList described(const std::array<Figure, kDomainFigures>& figures) {
    QStringList texts;
    for (const Figure& figure : figures) {
        texts.append(described(figure));
    }
    return texts;
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
    QVariant value(const QString& sql) {
        QSqlQuery query(db);
        return query.exec(sql) && query.next() ? query.value(0) : QVariant();
    }
    QString name;
    QSqlDatabase db;
};

int modeOf(const QString& path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? static_cast<int>(info.st_mode & 0777)
                                                                   : -1;
}

QByteArray contentsOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Read-only for this thread even as root, whom no mode stops: then the files are nobody's and the
// file system is asked as nobody, who may pass through the folder above.
struct ReadOnlyFolder {
    static constexpr uid_t kNobody = 65534;
    explicit ReadOnlyFolder(QString folder) : path(std::move(folder)) {
        if (root) {
            const QStringList names = QDir(path).entryList(QDir::Files) << QString();
            for (const QString& name : names) {
                QVERIFY(::chown(QFile::encodeName(QDir(path).filePath(name)).constData(), kNobody, kNobody) ==
                        0);
            }
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
    void newFileIsPrivateAndInWal();
    void migratesFromVersion0_data();
    void migratesFromVersion0();
    void newerVersionIsLeftAlone();
    void commitsOnTheTick();
    void figuresComeBackAsTheyWere_data();
    void figuresComeBackAsTheyWere();
    void restoredRowsMergeTheRetriedRun();
    void previousGoodSkipsFailuresAndTheRunsOwnChain();
    void historyOfListsEveryCheck();
    void pruneKeepsTheNewestLists();
    void twoStoresShareTheFile();
    void busyFileKeepsTheQueue();
    void brokenFileIsSetAside_data();
    void brokenFileIsSetAside();
    void unwritableFolderIsSaidOnce_data();
    void unwritableFolderIsSaidOnce();
    void fullDiskIsSaidOnce();
};

void TestHistory::newFileIsPrivateAndInWal() {
    RunHarness h;
    QTemporaryDir dir;
    HistoryStore store(dir.filePath(u"made"_s), h.time, h.time);
    QVERIFY(store.keeping());
    QVERIFY(store.problems().isEmpty());
    h.importDomains({u"a.com"_s});
    store.record(store.beginRun(Kind::Batch, h.batch), 1, kWeight, Figure::value(u"3"_s));
    QVERIFY(store.flush());
    for (const QString& suffix : {u""_s, u"-wal"_s, u"-shm"_s}) {
        QCOMPARE(modeOf(store.filePath() + suffix), 0600);
    }
    Raw raw(store.filePath());
    QCOMPARE(raw.value(u"PRAGMA journal_mode"_s).toString(), u"wal"_s);
    QCOMPARE(raw.value(u"PRAGMA user_version"_s).toInt(), HistoryStore::kSchemaVersion);
}

void TestHistory::migratesFromVersion0_data() {
    QTest::addColumn<bool>("withHeader");
    QTest::newRow("empty file") << false;
    QTest::newRow("database of no table") << true;
}

void TestHistory::migratesFromVersion0() {
    QFETCH(bool, withHeader);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"history.sqlite"_s);
    QFile(path).open(QIODevice::WriteOnly);
    if (withHeader) {
        Raw raw(path);
        QSqlQuery(raw.db).exec(u"CREATE TABLE t(x)"_s);
        QSqlQuery(raw.db).exec(u"DROP TABLE t"_s);
    }
    QCOMPARE(QFileInfo(path).size() > 0, withHeader);
    RunHarness h;
    h.importDomains({u"a.com"_s});
    {
        HistoryStore store(dir.path(), h.time, h.time);
        QVERIFY(store.keeping());
        store.record(store.beginRun(Kind::Batch, h.batch), 1, kWeight, Figure::value(u"3"_s));
    }
    Raw raw(path);
    QCOMPARE(raw.value(u"PRAGMA user_version"_s).toInt(), 1);
    QCOMPARE(raw.value(u"SELECT count(*) FROM checks"_s).toInt(), 1);
}

void TestHistory::newerVersionIsLeftAlone() {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"history.sqlite"_s);
    {
        Raw raw(path);
        QSqlQuery(raw.db).exec(u"CREATE TABLE future(x)"_s);
        QSqlQuery(raw.db).exec(u"INSERT INTO future VALUES('kept')"_s);
        QSqlQuery(raw.db).exec(u"PRAGMA user_version = %1"_s.arg(HistoryStore::kSchemaVersion + 1));
    }
    const QByteArray bytes = contentsOf(path);
    RunHarness h;
    h.importDomains({u"a.com"_s});
    {
        HistoryStore store(dir.path(), h.time, h.time);
        QVERIFY(!store.keeping());
        QCOMPARE(store.problems(),
                 QStringList{u"历史记录无法保存：数据库来自较新的版本（第 2 版），查询照常进行。"_s});
        callEverything(store, h.batch);
        h.time.advance(5000);
        QCOMPARE(h.time.activeTimers(), 0);
        QCOMPARE(store.problems().size(), 1);
    }
    QCOMPARE(contentsOf(path), bytes);
}

void TestHistory::commitsOnTheTick() {
    RunHarness h;
    QTemporaryDir dir;
    HistoryStore store(dir.path(), h.time, h.time);
    h.importDomains({u"a.com"_s, u"b.com"_s});
    const HistoryStore::RunId run = store.beginRun(Kind::Batch, h.batch);
    store.record(run, 1, kWeight, Figure::value(u"1"_s));
    h.time.advance(500);
    store.record(run, 2, DomainCell::Backlinks, Figure::failed(u"连接失败"_s));
    store.setCounted(run, 1);
    HistoryStore reader(dir.path(), h.time, h.time);
    h.time.advance(499);
    QCOMPARE(reader.checkCount(), 0LL);
    QCOMPARE(reader.run(run).value().counted, 0LL);
    h.time.advance(1);
    QCOMPARE(reader.checkCount(), 2LL);
    QCOMPARE(reader.run(run).value().counted, 1LL);
    QCOMPARE(described(reader.restoredRows(run).at(1).figures).at(4), u"失败:连接失败"_s);
}

void TestHistory::figuresComeBackAsTheyWere_data() {
    QTest::addColumn<int>("cell");
    QTest::addColumn<Figure>("figure");
    QTest::addColumn<int>("checks");
    QTest::newRow("a one, not a reason's id") << int(kWeight) << Figure::value(u"1"_s) << 1;
    QTest::newRow("a count") << int(DomainCell::Indexed) << Figure::value(u"1,230"_s) << 1;
    QTest::newRow("a real zero") << int(DomainCell::Backlinks) << Figure::value(u"0"_s) << 1;
    QTest::newRow("an empty value") << int(DomainCell::Traffic) << Figure::value(u""_s) << 1;
    QTest::newRow("a date") << int(DomainCell::Snapshot) << Figure::value(u"2024-01-02"_s) << 1;
    QTest::newRow("a failure") << int(kWeight) << Figure::failed(u"连接失败：超时"_s) << 1;
    QTest::newRow("a failure of no reason") << int(DomainCell::Keywords) << Figure::failed(QString()) << 1;
    QTest::newRow("unknown") << int(kWeight) << Figure{} << 0;
}

void TestHistory::figuresComeBackAsTheyWere() {
    QFETCH(int, cell);
    QFETCH(Figure, figure);
    QFETCH(int, checks);
    RunHarness h;
    QTemporaryDir dir;
    h.importDomains({u"a.com"_s});
    HistoryStore::RunId run = 0;
    {
        HistoryStore store(dir.path(), h.time, h.time);
        run = store.beginRun(Kind::Batch, h.batch);
        store.record(run, 1, cell, figure);
    }
    HistoryStore reader(dir.path(), h.time, h.time);
    QCOMPARE(reader.checkCount(), qint64(checks));
    const auto at = static_cast<std::size_t>(cell - kWeight);
    QCOMPARE(described(reader.restoredRows(run).at(0).figures[at]), described(figure));
    const std::vector<HistoryStore::Check> history = reader.historyOf(u"a.com"_s);
    QCOMPARE(history.size(), std::size_t(checks));
    if (checks > 0) {
        QCOMPARE(described(history[0].figures[at]), described(figure));
    }
}

void TestHistory::restoredRowsMergeTheRetriedRun() {
    RunHarness h;
    QTemporaryDir dir;
    HistoryStore store(dir.path(), h.time, h.time);
    h.batch.import(u"a.com\n\nb.com\nc.com"_s, false);
    const HistoryStore::RunId first = store.beginRun(Kind::Batch, h.batch);
    for (int cell = kWeight; cell < DomainCell::Count; ++cell) {
        store.record(first, 1, cell, Figure::value(QString::number(cell)));
        store.record(first, 2, cell, cell == kWeight ? Figure::failed(u"无数据"_s) : Figure::value(u"b"_s));
    }
    store.record(first, 3, kWeight, Figure::value(u"c"_s));
    const HistoryStore::RunId retry = store.beginRun(Kind::Retry, h.batch, first);
    store.record(retry, 2, kWeight, Figure::value(u"9"_s));
    store.record(retry, 3, DomainCell::Keywords, Figure::failed(u"超时"_s));
    const std::vector<HistoryStore::RestoredRow> rows = store.restoredRows(retry);
    QCOMPARE(rows.size(), std::size_t(3));
    QCOMPARE(QStringList({rows[0].domain, rows[1].domain, rows[2].domain}),
             QStringList({u"a.com"_s, u"b.com"_s, u"c.com"_s}));
    QCOMPARE(QList<int>({rows[0].line, rows[1].line, rows[2].line}), QList<int>({1, 3, 4}));
    QCOMPARE(described(rows[0].figures), QStringList({u"2"_s, u"3"_s, u"4"_s, u"5"_s, u"6"_s, u"7"_s}));
    QCOMPARE(described(rows[1].figures), QStringList({u"9"_s, u"b"_s, u"b"_s, u"b"_s, u"b"_s, u"b"_s}));
    QCOMPARE(described(rows[2].figures),
             QStringList({u"c"_s, u"失败:超时"_s, u"?"_s, u"?"_s, u"?"_s, u"?"_s}));
    QCOMPARE(described(store.restoredRows(first).at(1).figures[0]), u"失败:无数据"_s);
    QCOMPARE(store.run(retry).value().parent, first);
}

void TestHistory::previousGoodSkipsFailuresAndTheRunsOwnChain() {
    RunHarness h;
    QTemporaryDir dir;
    HistoryStore store(dir.path(), h.time, h.time);
    h.importDomains({u"a.com"_s});
    const auto runWith = [&](Kind kind, const Figure& weight, HistoryStore::RunId parent = 0) {
        const HistoryStore::RunId run = store.beginRun(kind, h.batch, parent);
        store.record(run, 1, kWeight, weight);
        h.time.advance(60'000);
        return run;
    };
    const qint64 firstTime = h.time.nowSeconds();
    const HistoryStore::RunId first = runWith(Kind::Batch, Figure::value(u"5"_s));
    runWith(Kind::Batch, Figure::failed(u"无数据"_s));
    const HistoryStore::RunId third = runWith(Kind::Batch, Figure::value(u"7"_s));
    const HistoryStore::RunId retry = runWith(Kind::Retry, Figure::value(u"8"_s), third);
    const HistoryStore::RunId fifth = runWith(Kind::Batch, Figure{});
    const auto good = store.previousGood(u"a.com"_s, kWeight, third);
    QVERIFY(good);
    QCOMPARE(good->run, first);
    QCOMPARE(good->time, firstTime);
    QCOMPARE(good->text, u"5"_s);
    QCOMPARE(good->number, 5.0);
    QCOMPARE(store.previousGood(u"a.com"_s, kWeight, retry).value().run, first);
    QCOMPARE(store.previousGood(u"a.com"_s, kWeight, fifth).value().text, u"8"_s);
    QVERIFY(!store.previousGood(u"a.com"_s, kWeight, first));
    QVERIFY(!store.previousGood(u"a.com"_s, DomainCell::Keywords, fifth));
}

void TestHistory::historyOfListsEveryCheck() {
    RunHarness h;
    QTemporaryDir dir;
    HistoryStore store(dir.path(), h.time, h.time);
    h.importDomains({u"b.com"_s, u"a.com"_s});
    const HistoryStore::RunId batch = store.beginRun(Kind::Batch, h.batch);
    store.record(batch, 1, kWeight, Figure::value(u"1"_s));
    store.record(batch, 2, kWeight, Figure::value(u"2"_s));
    h.time.advance(10'000);
    const HistoryStore::RunId retry = store.beginRun(Kind::Retry, h.batch, batch);
    store.record(retry, 2, DomainCell::Keywords, Figure::failed(u"超时"_s));
    h.time.advance(10'000);
    const HistoryStore::RunId single = store.beginSingle(u"a.com"_s);
    store.record(single, 1, DomainCell::Snapshot, Figure::value(u"2024-05-06"_s));
    const std::vector<HistoryStore::Check> history = store.historyOf(u"a.com"_s);
    QCOMPARE(history.size(), std::size_t(3));
    QCOMPARE(QList<qint64>({history[0].run, history[1].run, history[2].run}),
             QList<qint64>({batch, retry, single}));
    QCOMPARE(history[2].kind, Kind::Single);
    QCOMPARE(history[2].time - history[0].time, 20LL);
    QCOMPARE(described(history[0].figures), QStringList({u"2"_s, u"?"_s, u"?"_s, u"?"_s, u"?"_s, u"?"_s}));
    QCOMPARE(described(history[1].figures).at(1), u"失败:超时"_s);
    QCOMPARE(described(history[2].figures).at(5), u"2024-05-06"_s);
    QVERIFY(store.historyOf(u"c.com"_s).empty());
}

void TestHistory::pruneKeepsTheNewestLists() {
    RunHarness h;
    QTemporaryDir dir;
    HistoryStore store(dir.path(), h.time, h.time);
    std::vector<HistoryStore::RunId> runs;
    for (const QString& domain : {u"old.com"_s, u"a.com"_s, u"a.com"_s, u"a.com"_s}) {
        h.importDomains({domain});
        runs.push_back(store.beginRun(Kind::Batch, h.batch));
        store.record(runs.back(), 1, kWeight, Figure::value(u"1"_s));
    }
    const HistoryStore::RunId retry = store.beginRun(Kind::Retry, h.batch, runs[2]);
    store.record(retry, 1, DomainCell::Keywords, Figure::value(u"2"_s));
    const HistoryStore::RunId singles[] = {store.beginSingle(u"s.com"_s), store.beginSingle(u"s.com"_s),
                                           store.beginSingle(u"s.com"_s)};
    QCOMPARE(store.prune(2), 3);  // the first two lists and the first single query
    QVERIFY(!store.run(runs[0]) && !store.run(runs[1]) && !store.run(singles[0]));
    QVERIFY(store.run(runs[2]) && store.run(retry) && store.run(runs[3]) && store.run(singles[2]));
    QCOMPARE(described(store.restoredRows(retry).at(0).figures).mid(0, 2), QStringList({u"1"_s, u"2"_s}));
    QCOMPARE(store.checkCount(), 3LL);
    Raw raw(store.filePath());
    QCOMPARE(raw.value(u"SELECT count(*) FROM domains WHERE name = 'old.com'"_s).toInt(), 0);
}

void TestHistory::twoStoresShareTheFile() {
    RunHarness h;
    QTemporaryDir dir;
    HistoryStore one(dir.path(), h.time, h.time);
    HistoryStore two(dir.path(), h.time, h.time);
    h.importDomains({u"a.com"_s});
    const HistoryStore::RunId first = one.beginRun(Kind::Batch, h.batch);
    const HistoryStore::RunId second = two.beginRun(Kind::Batch, h.batch);
    QVERIFY(first != 0 && second != 0 && first != second);
    one.record(first, 1, kWeight, Figure::value(u"1"_s));
    two.record(second, 1, kWeight, Figure::value(u"2"_s));
    h.time.advance(1000);
    QCOMPARE(one.historyOf(u"a.com"_s).size(), std::size_t(2));
    QCOMPARE(two.lastUnfinishedBatch().value().id, second);
    QVERIFY(one.problems().isEmpty() && two.problems().isEmpty());
}

void TestHistory::busyFileKeepsTheQueue() {
    RunHarness h;
    QTemporaryDir dir;
    HistoryStore store(dir.path(), h.time, h.time, HistoryStore::Options{.busyTimeoutMs = 20});
    h.importDomains({u"a.com"_s});
    const HistoryStore::RunId run = store.beginRun(Kind::Batch, h.batch);
    store.record(run, 1, kWeight, Figure::value(u"1"_s));
    {
        Raw other(store.filePath());
        QVERIFY(QSqlQuery(other.db).exec(u"BEGIN IMMEDIATE"_s));
        h.time.advance(1000);
        QSqlQuery(other.db).exec(u"ROLLBACK"_s);
        QCOMPARE(other.value(u"SELECT count(*) FROM checks"_s).toInt(), 0);
    }
    h.time.advance(1000);
    Raw raw(store.filePath());
    QCOMPARE(raw.value(u"SELECT count(*) FROM checks"_s).toInt(), 1);
    QVERIFY(store.keeping());
    QVERIFY(store.problems().isEmpty());
}

void TestHistory::brokenFileIsSetAside_data() {
    QTest::addColumn<QByteArray>("bytes");
    QByteArray garbage(8192, Qt::Uninitialized);
    QRandomGenerator random(7);
    random.fillRange(reinterpret_cast<quint32*>(garbage.data()), garbage.size() / 4);
    QTest::newRow("garbage") << garbage;
    RunHarness h;
    QTemporaryDir dir;
    h.importDomains(quorvane::testing::numberedDomains(3000));
    {
        HistoryStore store(dir.path(), h.time, h.time);
        store.beginRun(Kind::Batch, h.batch);
    }
    const QByteArray whole = contentsOf(QDir(dir.path()).filePath(u"history.sqlite"_s));
    QTest::newRow("truncated") << whole.first(whole.size() / 2);
}

void TestHistory::brokenFileIsSetAside() {
    QFETCH(QByteArray, bytes);
    RunHarness h;
    QTemporaryDir dir;
    const QString path = dir.filePath(u"history.sqlite"_s);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    file.close();
    const QString movedTo = path + u".broken-"_s +
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

void TestHistory::unwritableFolderIsSaidOnce_data() {
    QTest::addColumn<bool>("readOnly");
    QTest::addColumn<std::size_t>("checksLeft");
    QTest::newRow("read-only folder") << true << std::size_t(1);
    QTest::newRow("a file for a folder") << false << std::size_t(0);
}

void TestHistory::unwritableFolderIsSaidOnce() {
    QFETCH(bool, readOnly);
    QFETCH(std::size_t, checksLeft);
    RunHarness h;
    QTemporaryDir dir;
    // A name SQLite's addresses would take apart, were it not encoded.
    const QString kept = dir.filePath(u"历史 #1?%"_s);
    h.importDomains({u"a.com"_s});
    {
        HistoryStore store(kept, h.time, h.time);
        store.record(store.beginRun(Kind::Batch, h.batch), 1, kWeight, Figure::value(u"1"_s));
    }
    const QString folder = readOnly ? kept : QDir(kept).filePath(u"history.sqlite"_s);
    std::optional<ReadOnlyFolder> lock;
    if (readOnly) {
        lock.emplace(kept);
    }
    HistoryStore store(folder, h.time, h.time);
    QVERIFY(!store.keeping());
    QCOMPARE(store.problems().size(), 1);
    QVERIFY2(store.problems()[0].startsWith(u"历史记录无法保存："_s) &&
                 store.problems()[0].endsWith(u"，查询照常进行。"_s),
             qPrintable(store.problems()[0]));
    callEverything(store, h.batch);
    h.time.advance(5000);
    QCOMPARE(h.time.activeTimers(), 0);
    QCOMPARE(store.problems().size(), 1);
    QCOMPARE(store.historyOf(u"a.com"_s).size(), checksLeft);
}

void TestHistory::fullDiskIsSaidOnce() {
    RunHarness h;
    QTemporaryDir dir;
    HistoryStore store(dir.path(), h.time, h.time);
    QSignalSpy said(&store, &HistoryStore::problemFound);
    h.importDomains(quorvane::testing::numberedDomains(50));
    const HistoryStore::RunId run = store.beginRun(Kind::Batch, h.batch);
    QVERIFY(store.flush());
    {
        FullDisk full(
            std::max(QFileInfo(store.filePath()).size(), QFileInfo(store.filePath() + u"-wal"_s).size()));
        for (int round = 0; round < 3; ++round) {
            for (int entry = 1; entry <= 50; ++entry) {
                store.record(run, entry, kWeight,
                             Figure::failed(QString(4000, u'x') + QString::number(entry)));
            }
            h.time.advance(1000);
        }
    }
    QCOMPARE(said.count(), 1);
    QVERIFY(!store.keeping());
    QVERIFY2(said[0][0].toString().startsWith(u"历史记录无法保存："_s), qPrintable(said[0][0].toString()));
    callEverything(store, h.batch);
    QCOMPARE(store.run(run).value().rows, 50LL);
    QCOMPARE(said.count(), 1);
}

QTEST_GUILESS_MAIN(TestHistory)
#include "tst_history.moc"
