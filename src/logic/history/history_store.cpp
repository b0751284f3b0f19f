// SPDX-License-Identifier: GPL-3.0-or-later
// The history file: its schema and migrations, the queue of records and its commits, the queries.
#include "history/history_store.h"

#include "fetch/window_timer.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QVariant>
#include <algorithm>
#include <functional>
#include <limits>
#include <map>
#include <unordered_map>

using namespace Qt::StringLiterals;

namespace quorvane {

namespace {

const QString kDriver = u"QSQLITE"_s;
const QString kFileName = u"history.sqlite"_s;
constexpr int kCommitMs = 1000;
// Rows one statement writes: far fewer statements for the same rows. A commit's checks go in the
// largest of these that fit, a second's worth of rows in a few statements.
constexpr std::array<int, 4> kStatementRows = {64, 16, 4, 1};
constexpr int kRowsPerStatement = kStatementRows[0];

// SQLite's primary result codes, as the driver reports them.
enum SqliteCode : int {
    kPerm = 3,
    kBusy = 5,
    kLocked = 6,
    kReadOnly = 8,
    kIoError = 10,
    kCorrupt = 11,
    kFull = 13,
    kCantOpen = 14,
    kNotADatabase = 26,
};

int codeOf(const QSqlError& error) {
    return error.nativeErrorCode().toInt() & 0xff;
}

bool busy(const QSqlError& error) {
    return codeOf(error) == kBusy || codeOf(error) == kLocked;
}

bool broken(const QSqlError& error) {
    return codeOf(error) == kCorrupt || codeOf(error) == kNotADatabase;
}

// The columns of the six figures, in the cells' order. Each holds the text when the figure was read,
// the id of its reason (an integer) when it failed, NULL when it was not known. They are declared
// without a type, so that SQLite keeps a text such as "12" a text.
constexpr std::array<const char*, kDomainFigures> kFigureColumns = {"weight",  "keywords",  "traffic",
                                                                    "indexed", "backlinks", "snapshot"};

QString figureColumns(const QString& prefix = {}) {
    QStringList names;
    for (const char* column : kFigureColumns) {
        names.append(prefix + QLatin1String(column));
    }
    return names.join(u", "_s);
}

// Migration n brings version n to n + 1; version 0 is an empty file.
const std::array<QStringList, HistoryStore::kSchemaVersion> kMigrations = {{
    {
        u"CREATE TABLE domains(id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE)"_s,
        u"CREATE TABLE reasons(id INTEGER PRIMARY KEY, text TEXT NOT NULL UNIQUE)"_s,
        // kind: 1 batch, 2 retry, 3 single query. root: the run that holds the rows, the run itself or
        // the first of the runs a retry retried. finished: NULL while the run goes on.
        u"CREATE TABLE runs(id INTEGER PRIMARY KEY, kind INTEGER NOT NULL, parent INTEGER, "
        u"root INTEGER NOT NULL, started INTEGER NOT NULL, finished INTEGER, rows INTEGER NOT NULL, "
        u"counted INTEGER NOT NULL DEFAULT 0)"_s,
        u"CREATE INDEX runs_root ON runs(root)"_s,
        u"CREATE TABLE run_rows(run INTEGER NOT NULL, entry INTEGER NOT NULL, domain INTEGER NOT NULL, "
        u"line INTEGER NOT NULL, PRIMARY KEY(run, entry)) WITHOUT ROWID"_s,
        u"CREATE INDEX run_rows_domain ON run_rows(domain)"_s,
        u"CREATE TABLE checks(run INTEGER NOT NULL, entry INTEGER NOT NULL, time INTEGER NOT NULL, "_s +
            figureColumns() + u", PRIMARY KEY(run, entry)) WITHOUT ROWID"_s,
    },
}};

const QString kNewRowsTable =
    u"CREATE TEMP TABLE IF NOT EXISTS new_rows(entry INTEGER PRIMARY KEY, name TEXT NOT NULL, "
    u"line INTEGER NOT NULL)"_s;

// Values are bound by names made once: Qt makes up a name for each value bound by its position,
// which doubles what binding costs.
QStringList placeholderNames() {
    QStringList names;
    for (int i = 0; i < (3 + kDomainFigures) * kRowsPerStatement; ++i) {
        names.append(u":p"_s + QString::number(i));
    }
    return names;
}

QString placeholders(const QStringList& names, int columns, int rows) {
    QStringList values;
    for (int row = 0; row < rows; ++row) {
        values.append(u'(' + names.mid(row * columns, columns).join(u',') + u')');
    }
    return values.join(u',');
}

QString nativePath(const QString& path) {
    return QDir::toNativeSeparators(path);
}

QSqlError newerVersion(int version) {
    return QSqlError({}, u"数据库来自较新的版本（第 %1 版）"_s.arg(version));
}

struct EntryKey {
    HistoryStore::RunId run;
    qint64 entry;
    bool operator==(const EntryKey&) const = default;
};

struct EntryKeyHash {
    std::size_t operator()(const EntryKey& key) const {
        return std::hash<qint64>()(key.run * 1'000'003 + key.entry);
    }
};

using Rows = std::function<std::pair<QString, int>(qint64)>;  // an entry's domain and line number

}  // namespace

struct HistoryStore::Impl {
    Impl(HistoryStore& store, const QString& folder, SystemTimers& timers, const Clock& clock,
         Options options)
        : q(store),
          clock(clock),
          options(options),
          folder(folder),
          path(QDir(folder).filePath(kFileName)),
          connection(u"quorvane-history-%1"_s.arg(reinterpret_cast<quintptr>(&store), 0, 16)),
          tick(timers) {
        tick.setInterval(kCommitMs);
        tick.Timer = [this] {
            tick.setEnabled(false);
            commit();
        };
    }

    // --- Opening.
    void open();
    bool connect(bool readOnly);
    void disconnect();
    bool createFile();
    bool moveAside(QString& movedTo);
    void startAnew();
    std::optional<QSqlError> setUp(int version);
    std::optional<QSqlError> migrate(int from);

    // --- Problems.
    void report(const QString& message);
    void cannotKeep(const QString& why);
    QString why(const QSqlError& error) const;
    // A failed write: a busy file keeps the queue for the next tick; anything else ends the keeping.
    void failed(const QSqlError& error);

    // --- Writing.
    bool begin(QSqlQuery& query) { return query.exec(u"BEGIN IMMEDIATE"_s); }  // the write lock at once
    void rollback() { QSqlQuery(db).exec(u"ROLLBACK"_s); }
    void schedule();
    bool commit();
    std::optional<QSqlError> writeQueue(QHash<QString, qint64>& learnt);
    std::optional<QSqlError> writeChecks(QHash<QString, qint64>& learnt);
    std::optional<QSqlError> writeRows(RunId run, qint64 count, const Rows& rows);
    std::optional<qint64> reasonId(const QString& text, QSqlError& error);
    RunId beginRows(RunKind kind, RunId parent, qint64 count, const Rows& rows);
    void clearQueue();

    // --- Reading.
    // Queries see what is queued too.
    bool readable() {
        if (keeping) {
            commit();
        }
        return connected;
    }
    Figure figureOf(const QVariant& value);
    QString reasonText(qint64 id);
    std::optional<Run> runFrom(QSqlQuery& query);
    qint64 domainId(const QString& name);
    // The checks of the domain's rows, in every run that holds them: the columns asked for, then the
    // six figures; none when the domain was never checked or the file cannot be read.
    std::optional<QSqlQuery> checksOf(const QString& domain, const QString& columns, const QString& filter,
                                      const QVariantList& values = {}, bool queued = true);

    HistoryStore& q;
    const Clock& clock;
    Options options;
    QString folder;
    QString path;
    QString connection;
    QSqlDatabase db;
    bool connected = false;  // queries can be answered
    bool keeping = false;    // and records written
    bool toldCannotKeep = false;
    QStringList problems;
    WindowTimer tick;
    const QStringList names = placeholderNames();

    struct Pending {
        RunId run;
        qint64 entry;
        qint64 time;
        std::array<Figure, kDomainFigures> figures;
    };
    std::vector<Pending> pending;
    std::unordered_map<EntryKey, std::size_t, EntryKeyHash> pendingAt;
    std::map<RunId, qint64> counts;
    std::map<RunId, std::optional<qint64>> ends;  // a finish time, or none to reopen
    QHash<QString, qint64> reasonIds;
    QHash<qint64, QString> reasonTexts;
    std::array<std::unique_ptr<QSqlQuery>, kStatementRows.size()> upserts;  // by kStatementRows
    // The commit's own statements, prepared once: a commit a second adds up.
    enum Statement { kBegin, kCommit, kCounted, kFinished, kStatements };
    std::array<std::unique_ptr<QSqlQuery>, kStatements> statements;
    QSqlQuery& statement(Statement which);
};

// --- Opening.

void HistoryStore::Impl::open() {
    if (!QSqlDatabase::isDriverAvailable(kDriver)) {
        cannotKeep(u"缺少 SQLite 数据库驱动"_s);
        return;
    }
    if (!QDir().mkpath(folder)) {
        cannotKeep(u"无法建立文件夹 %1"_s.arg(nativePath(folder)));
        return;
    }
    if (!QFile::exists(path) && !createFile()) {
        return;
    }
    if (!connect(false)) {
        return;
    }
    QSqlQuery query(db);
    if (!query.exec(u"PRAGMA user_version"_s) || !query.next()) {
        const QSqlError error = query.lastError();
        query = QSqlQuery();
        if (broken(error)) {
            startAnew();
            return;
        }
        disconnect();
        cannotKeep(why(error));
        // What cannot be written may still be read.
        if (connect(true) && !QSqlQuery(db).exec(u"PRAGMA user_version"_s)) {
            disconnect();
        }
        return;
    }
    const int version = query.value(0).toInt();
    query = QSqlQuery();
    if (version > kSchemaVersion) {
        // A newer program's file: it is read as it is, and nothing is written into it.
        cannotKeep(why(newerVersion(version)));
        return;
    }
    if (const auto error = setUp(version)) {
        if (broken(*error)) {
            startAnew();
            return;
        }
        cannotKeep(why(*error));
        return;
    }
    keeping = true;
}

bool HistoryStore::Impl::connect(bool readOnly) {
    db = QSqlDatabase::addDatabase(kDriver, connection);
    if (readOnly) {
        // Immutable: SQLite needs no -shm or -wal beside it, where none can be made.
        db.setDatabaseName(QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded) + u"?immutable=1"_s);
        db.setConnectOptions(u"QSQLITE_OPEN_READONLY;QSQLITE_OPEN_URI"_s);
    } else {
        db.setDatabaseName(path);
        db.setConnectOptions(u"QSQLITE_BUSY_TIMEOUT=%1"_s.arg(options.busyTimeoutMs));
    }
    connected = db.open();
    if (!connected) {
        const QSqlError error = db.lastError();
        disconnect();
        if (!readOnly) {
            cannotKeep(why(error));
        }
    }
    return connected;
}

void HistoryStore::Impl::disconnect() {
    upserts = {};
    statements = {};
    if (db.isValid()) {
        db.close();
    }
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(connection);
    connected = false;
    keeping = false;
}

// The file is made before SQLite opens it, so that it and its -wal and -shm, which SQLite gives the
// same mode, are the user's alone.
bool HistoryStore::Impl::createFile() {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly,
                  QFileDevice::ReadOwner | QFileDevice::WriteOwner) ||
        QFile::exists(path)) {
        return true;  // made here, or by another window meanwhile
    }
    cannotKeep(u"无法在 %1 中建立文件（%2）"_s.arg(nativePath(folder), file.errorString()));
    return false;
}

bool HistoryStore::Impl::moveAside(QString& movedTo) {
    const QString stamp = QDateTime::fromSecsSinceEpoch(clock.nowSeconds()).toString(u"yyyyMMdd-HHmmss"_s);
    movedTo = path + u".broken-"_s + stamp;
    for (int n = 2; QFile::exists(movedTo); ++n) {
        movedTo = path + u".broken-"_s + stamp + u'-' + QString::number(n);
    }
    if (!QFile::rename(path, movedTo)) {
        return false;
    }
    // The journal files go along, so that the copy opens as it was.
    for (const QString& suffix : {u"-wal"_s, u"-shm"_s}) {
        if (QFile::exists(path + suffix)) {
            QFile::rename(path + suffix, movedTo + suffix);
        }
    }
    return true;
}

// The file is no database: it is set aside, never deleted, and a new one begun.
void HistoryStore::Impl::startAnew() {
    disconnect();
    QString movedTo;
    if (!moveAside(movedTo)) {
        cannotKeep(u"历史数据库已损坏，也无法移开"_s);
        return;
    }
    report(u"历史数据库已损坏，已另存为 %1，并新建了一个。"_s.arg(nativePath(movedTo)));
    if (!createFile() || !connect(false)) {
        return;
    }
    if (const auto error = setUp(0)) {
        cannotKeep(why(*error));
        return;
    }
    keeping = true;
}

// WAL: readers never wait for a commit, and a commit writes only its own pages. NORMAL syncs at
// checkpoints: a kill loses nothing committed, a power cut at most the last commits.
std::optional<QSqlError> HistoryStore::Impl::setUp(int version) {
    QSqlQuery query(db);
    for (const QString& pragma :
         {u"PRAGMA journal_mode=WAL"_s, u"PRAGMA synchronous=NORMAL"_s, u"PRAGMA temp_store=MEMORY"_s}) {
        if (!query.exec(pragma)) {
            return query.lastError();
        }
    }
    if (auto error = migrate(version)) {
        return error;
    }
    if (!query.exec(kNewRowsTable)) {
        return query.lastError();
    }
    return std::nullopt;
}

std::optional<QSqlError> HistoryStore::Impl::migrate(int from) {
    for (int version = from; version < kSchemaVersion; ++version) {
        QSqlQuery query(db);
        const auto fail = [&] {
            const QSqlError error = query.lastError();
            query = QSqlQuery();
            rollback();
            return error;
        };
        if (!begin(query)) {
            return query.lastError();
        }
        // Another window may have migrated the file while this one waited for it.
        if (!query.exec(u"PRAGMA user_version"_s) || !query.next()) {
            return fail();
        }
        const int now = query.value(0).toInt();
        if (now > version) {
            query = QSqlQuery();
            rollback();
            if (now > kSchemaVersion) {
                return newerVersion(now);
            }
            version = now - 1;
            continue;
        }
        for (const QString& statement : kMigrations[static_cast<std::size_t>(version)]) {
            if (!query.exec(statement)) {
                return fail();
            }
        }
        if (!query.exec(u"PRAGMA user_version = %1"_s.arg(version + 1)) || !query.exec(u"COMMIT"_s)) {
            return fail();
        }
    }
    return std::nullopt;
}

// --- Problems.

void HistoryStore::Impl::report(const QString& message) {
    problems.append(message);
    Q_EMIT q.problemFound(message);
}

void HistoryStore::Impl::cannotKeep(const QString& why) {
    keeping = false;
    clearQueue();
    tick.setEnabled(false);
    // Said once: each call after it meets the same problem.
    if (!toldCannotKeep) {
        toldCannotKeep = true;
        report(u"历史记录无法保存：%1，查询照常进行。"_s.arg(why));
    }
}

QString HistoryStore::Impl::why(const QSqlError& error) const {
    switch (codeOf(error)) {
        case kFull:
            return u"磁盘已满"_s;
        case kPerm:
        case kReadOnly:
        case kCantOpen:
            return u"无法写入 %1"_s.arg(nativePath(folder));
        case kIoError:
            return u"读写文件出错（%1）"_s.arg(error.databaseText());
        case kBusy:
        case kLocked:
            return u"数据库被另一个程序占用"_s;
        default:
            return error.databaseText().isEmpty() ? error.text() : error.databaseText();
    }
}

void HistoryStore::Impl::failed(const QSqlError& error) {
    if (busy(error)) {
        schedule();
        return;
    }
    if (broken(error)) {
        // Damaged while open: set aside for the next start to begin anew, and nothing more is written now.
        disconnect();
        QString movedTo;
        if (moveAside(movedTo)) {
            report(u"历史数据库已损坏，已另存为 %1。"_s.arg(nativePath(movedTo)));
        }
        cannotKeep(u"数据库已损坏"_s);
        return;
    }
    cannotKeep(why(error));
}

// --- Writing.

void HistoryStore::Impl::schedule() {
    if (keeping) {
        tick.setEnabled(true);
    }
}

void HistoryStore::Impl::clearQueue() {
    pending.clear();
    pendingAt.clear();
    counts.clear();
    ends.clear();
}

std::optional<qint64> HistoryStore::Impl::reasonId(const QString& text, QSqlError& error) {
    if (const auto found = reasonIds.constFind(text); found != reasonIds.cend()) {
        return *found;
    }
    // An empty reason is kept as an empty text, never as NULL.
    const QString stored = text.isNull() ? u""_s : text;
    QSqlQuery query(db);
    query.prepare(u"INSERT INTO reasons(text) VALUES(?) ON CONFLICT(text) DO NOTHING"_s);
    query.addBindValue(stored);
    if (!query.exec()) {
        error = query.lastError();
        return std::nullopt;
    }
    query.prepare(u"SELECT id FROM reasons WHERE text = ?"_s);
    query.addBindValue(stored);
    if (!query.exec() || !query.next()) {
        error = query.lastError();
        return std::nullopt;
    }
    return query.value(0).toLongLong();
}

// The queued checks, the reasons first; the ids of new reasons count once the transaction commits.
std::optional<QSqlError> HistoryStore::Impl::writeChecks(QHash<QString, qint64>& learnt) {
    constexpr int kColumns = 3 + kDomainFigures;
    std::vector<std::array<QVariant, kDomainFigures>> cells(pending.size());
    for (std::size_t i = 0; i < pending.size(); ++i) {
        for (std::size_t c = 0; c < cells[i].size(); ++c) {
            const Figure& figure = pending[i].figures[c];
            if (figure.state == Figure::State::Value) {
                cells[i][c] = figure.text.isNull() ? u""_s : figure.text;  // a null text would bind as NULL
            } else if (figure.state == Figure::State::Failed) {
                qint64 id = learnt.value(figure.reason, 0);
                if (id == 0) {
                    QSqlError error;
                    const std::optional<qint64> found = reasonId(figure.reason, error);
                    if (!found) {
                        return error;
                    }
                    id = *found;
                    learnt.insert(figure.reason, id);
                }
                cells[i][c] = id;
            }
        }
    }
    const auto statement = [&](int rows) {
        QString updates = u"time = excluded.time"_s;
        for (const char* column : kFigureColumns) {
            const QString name = QLatin1String(column);
            updates += u", "_s + name + u" = coalesce(excluded."_s + name + u", "_s + name + u')';
        }
        auto prepared = std::make_unique<QSqlQuery>(db);
        prepared->prepare(u"INSERT INTO checks(run, entry, time, "_s + figureColumns() + u") VALUES "_s +
                          placeholders(names, kColumns, rows) + u" ON CONFLICT(run, entry) DO UPDATE SET "_s +
                          updates);
        return prepared;
    };
    for (std::size_t done = 0; done < pending.size();) {
        std::size_t size = 0;
        while (pending.size() - done < static_cast<std::size_t>(kStatementRows[size])) {
            ++size;
        }
        std::unique_ptr<QSqlQuery>& prepared = upserts[size];
        if (!prepared) {
            prepared = statement(kStatementRows[size]);
        }
        int at = 0;
        for (const std::size_t end = done + static_cast<std::size_t>(kStatementRows[size]); done < end;
             ++done) {
            prepared->bindValue(names[at++], pending[done].run);
            prepared->bindValue(names[at++], pending[done].entry);
            prepared->bindValue(names[at++], pending[done].time);
            for (const QVariant& cell : cells[done]) {
                prepared->bindValue(names[at++], cell);
            }
        }
        if (!prepared->exec()) {
            const QSqlError error = prepared->lastError();
            prepared.reset();
            return error;
        }
    }
    return std::nullopt;
}

bool HistoryStore::Impl::commit() {
    if (!keeping) {
        return false;
    }
    if (pending.empty() && counts.empty() && ends.empty()) {
        return true;
    }
    QHash<QString, qint64> learnt;
    if (const auto error = writeQueue(learnt)) {
        // The queries of the transaction are gone by now, as failed() may close the connection.
        rollback();
        failed(*error);
        return false;
    }
    reasonIds.insert(learnt);
    clearQueue();
    return true;
}

QSqlQuery& HistoryStore::Impl::statement(Statement which) {
    static constexpr std::array<QStringView, kStatements> kSql = {
        u"BEGIN IMMEDIATE", u"COMMIT", u"UPDATE runs SET counted = ? WHERE id = ?",
        u"UPDATE runs SET finished = ? WHERE id = ?"};
    std::unique_ptr<QSqlQuery>& query = statements[which];
    if (!query) {
        query = std::make_unique<QSqlQuery>(db);
        query->prepare(kSql[which].toString());
    }
    return *query;
}

std::optional<QSqlError> HistoryStore::Impl::writeQueue(QHash<QString, qint64>& learnt) {
    if (QSqlQuery& begin = statement(kBegin); !begin.exec()) {
        return begin.lastError();
    }
    if (auto error = writeChecks(learnt)) {
        return error;
    }
    QSqlQuery& counted = statement(kCounted);
    for (const auto& [run, rows] : counts) {
        counted.bindValue(0, rows);
        counted.bindValue(1, run);
        if (!counted.exec()) {
            return counted.lastError();
        }
    }
    QSqlQuery& finished = statement(kFinished);
    for (const auto& [run, time] : ends) {
        finished.bindValue(0, time ? QVariant(*time) : QVariant());
        finished.bindValue(1, run);
        if (!finished.exec()) {
            return finished.lastError();
        }
    }
    if (QSqlQuery& commit = statement(kCommit); !commit.exec()) {
        return commit.lastError();
    }
    return std::nullopt;
}

// The rows go through a temporary table, so that their domains are found or added in one statement.
std::optional<QSqlError> HistoryStore::Impl::writeRows(RunId run, qint64 count, const Rows& rows) {
    QSqlQuery many(db);
    many.prepare(u"INSERT INTO temp.new_rows VALUES "_s + placeholders(names, 3, kRowsPerStatement));
    QSqlQuery one(db);
    one.prepare(u"INSERT INTO temp.new_rows VALUES "_s + placeholders(names, 3, 1));
    for (qint64 entry = 1; entry <= count;) {
        QSqlQuery& insert = count - entry + 1 >= kRowsPerStatement ? many : one;
        int at = 0;
        for (const qint64 end = entry + (&insert == &many ? kRowsPerStatement : 1); entry < end; ++entry) {
            const auto [domain, line] = rows(entry);
            insert.bindValue(names[at++], entry);
            insert.bindValue(names[at++], domain);
            insert.bindValue(names[at++], line);
        }
        if (!insert.exec()) {
            return insert.lastError();
        }
    }
    QSqlQuery query(db);
    if (!query.exec(u"INSERT OR IGNORE INTO domains(name) SELECT name FROM temp.new_rows ORDER BY entry"_s)) {
        return query.lastError();
    }
    query.prepare(
        u"INSERT INTO run_rows(run, entry, domain, line) SELECT ?, n.entry, d.id, n.line "
        u"FROM temp.new_rows n JOIN domains d ON d.name = n.name"_s);
    query.addBindValue(run);
    if (!query.exec() || !query.exec(u"DELETE FROM temp.new_rows"_s)) {
        return query.lastError();
    }
    return std::nullopt;
}

HistoryStore::RunId HistoryStore::Impl::beginRows(RunKind kind, RunId parent, qint64 count,
                                                  const Rows& rows) {
    if (!keeping) {
        return 0;
    }
    QSqlQuery query(db);
    if (!begin(query)) {
        // Busy past the time-out: this run is not kept; the queue waits for the next tick.
        failed(query.lastError());
        return 0;
    }
    const auto fail = [&](const QSqlError& error) {
        query = QSqlQuery();
        rollback();
        failed(error);
        return RunId{0};
    };
    RunId root = 0;
    if (parent != 0) {
        query.prepare(u"SELECT root FROM runs WHERE id = ?"_s);
        query.addBindValue(parent);
        if (!query.exec()) {
            return fail(query.lastError());
        }
        // A parent that is gone leaves a retry with rows of its own.
        root = query.next() ? query.value(0).toLongLong() : 0;
        parent = root != 0 ? parent : 0;
    }
    query.prepare(u"INSERT INTO runs(kind, parent, root, started, rows) VALUES(?, ?, ?, ?, ?)"_s);
    query.addBindValue(static_cast<int>(kind));
    query.addBindValue(parent != 0 ? QVariant(parent) : QVariant());
    query.addBindValue(root);
    query.addBindValue(clock.nowSeconds());
    query.addBindValue(count);
    if (!query.exec()) {
        return fail(query.lastError());
    }
    const RunId id = query.lastInsertId().toLongLong();
    if (root == 0) {
        query.prepare(u"UPDATE runs SET root = id WHERE id = ?"_s);
        query.addBindValue(id);
        if (!query.exec()) {
            return fail(query.lastError());
        }
        if (const auto error = writeRows(id, count, rows)) {
            return fail(*error);
        }
    }
    if (!query.exec(u"COMMIT"_s)) {
        return fail(query.lastError());
    }
    return id;
}

// --- Reading.

QString HistoryStore::Impl::reasonText(qint64 id) {
    if (!reasonTexts.contains(id)) {
        QSqlQuery query(db);
        query.setForwardOnly(true);
        query.exec(u"SELECT id, text FROM reasons"_s);
        while (query.next()) {
            reasonTexts.insert(query.value(0).toLongLong(), query.value(1).toString());
        }
    }
    return reasonTexts.value(id);
}

Figure HistoryStore::Impl::figureOf(const QVariant& value) {
    // The driver gives NULL as a null variant of the column's type.
    if (value.isNull()) {
        return {};
    }
    switch (value.typeId()) {
        case QMetaType::QString:
            return Figure::value(value.toString());
        case QMetaType::LongLong:
        case QMetaType::Int:
            return Figure::failed(reasonText(value.toLongLong()));
        default:
            return {};
    }
}

std::optional<HistoryStore::Run> HistoryStore::Impl::runFrom(QSqlQuery& query) {
    if (!query.next()) {
        return std::nullopt;
    }
    Run run;
    run.id = query.value(0).toLongLong();
    run.kind = static_cast<RunKind>(query.value(1).toInt());
    run.parent = query.value(2).toLongLong();
    run.started = query.value(3).toLongLong();
    if (!query.value(4).isNull()) {
        run.finished = query.value(4).toLongLong();
    }
    run.rows = query.value(5).toLongLong();
    run.counted = query.value(6).toLongLong();
    return run;
}

qint64 HistoryStore::Impl::domainId(const QString& name) {
    QSqlQuery query(db);
    query.prepare(u"SELECT id FROM domains WHERE name = ?"_s);
    query.addBindValue(name);
    return query.exec() && query.next() ? query.value(0).toLongLong() : 0;
}

// --- The store.

HistoryStore::HistoryStore(const QString& folder, SystemTimers& timers, const Clock& clock, Options options,
                           QObject* parent)
    : QObject(parent), d(std::make_unique<Impl>(*this, folder, timers, clock, options)) {
    d->open();
}

HistoryStore::~HistoryStore() {
    d->commit();
    d->disconnect();
}

QString HistoryStore::filePath() const {
    return d->path;
}

bool HistoryStore::keeping() const {
    return d->keeping;
}

QStringList HistoryStore::problems() const {
    return d->problems;
}

HistoryStore::RunId HistoryStore::beginRun(RunKind kind, const BatchRun& rows, RunId parent) {
    return d->beginRows(kind, kind == RunKind::Retry ? parent : 0, rows.rowCount(), [&](qint64 entry) {
        return std::pair(rows.domain(entry).toString(), rows.lineNumber(entry));
    });
}

HistoryStore::RunId HistoryStore::beginSingle(const QString& domain) {
    return d->beginRows(RunKind::Single, 0, 1, [&](qint64) { return std::pair(domain, 0); });
}

void HistoryStore::record(RunId run, qint64 entry, int cell, const Figure& figure) {
    if (!d->keeping || run == 0 || entry < 1 || !figure.known() || cell < DomainCell::Weight ||
        cell >= DomainCell::Count) {
        return;
    }
    auto found = d->pendingAt.find({run, entry});
    if (found == d->pendingAt.end()) {
        found = d->pendingAt.emplace(EntryKey{run, entry}, d->pending.size()).first;
        d->pending.push_back({run, entry, 0, {}});
    }
    Impl::Pending& check = d->pending[found->second];
    check.time = d->clock.nowSeconds();
    check.figures[static_cast<std::size_t>(cell - DomainCell::Weight)] = figure;
    d->schedule();
}

void HistoryStore::setCounted(RunId run, qint64 counted) {
    if (d->keeping && run != 0) {
        d->counts[run] = counted;
        d->schedule();
    }
}

void HistoryStore::finishRun(RunId run) {
    if (d->keeping && run != 0) {
        d->ends[run] = d->clock.nowSeconds();
        d->schedule();
    }
}

void HistoryStore::reopenRun(RunId run) {
    if (d->keeping && run != 0) {
        d->ends[run] = std::nullopt;
        d->schedule();
    }
}

bool HistoryStore::flush() {
    d->tick.setEnabled(false);
    return d->commit();
}

std::optional<HistoryStore::Run> HistoryStore::lastUnfinishedBatch() {
    if (!d->readable()) {
        return std::nullopt;
    }
    QSqlQuery query(d->db);
    query.exec(
        u"SELECT id, kind, parent, started, finished, rows, counted FROM runs WHERE kind IN (1, 2) "
        u"ORDER BY id DESC LIMIT 1"_s);
    std::optional<Run> last = d->runFrom(query);
    return last && !last->finished ? last : std::nullopt;
}

std::optional<HistoryStore::Run> HistoryStore::run(RunId id) {
    if (!d->readable()) {
        return std::nullopt;
    }
    QSqlQuery query(d->db);
    query.prepare(u"SELECT id, kind, parent, started, finished, rows, counted FROM runs WHERE id = ?"_s);
    query.addBindValue(id);
    query.exec();
    return d->runFrom(query);
}

std::vector<HistoryStore::RestoredRow> HistoryStore::restoredRows(RunId run) {
    std::vector<RestoredRow> rows;
    if (!d->readable()) {
        return rows;
    }
    // The run and the runs it retried, oldest first: the first holds the rows.
    std::vector<RunId> chain;
    QSqlQuery query(d->db);
    query.prepare(u"SELECT parent FROM runs WHERE id = ?"_s);
    for (RunId at = run; at != 0;) {
        query.addBindValue(at);
        if (!query.exec() || !query.next() || std::find(chain.begin(), chain.end(), at) != chain.end()) {
            break;
        }
        chain.insert(chain.begin(), at);
        at = query.value(0).toLongLong();
    }
    if (chain.empty()) {
        return rows;
    }
    query.setForwardOnly(true);
    query.prepare(
        u"SELECT rr.entry, d.name, rr.line FROM run_rows rr JOIN domains d ON d.id = rr.domain "
        u"WHERE rr.run = ? ORDER BY rr.entry"_s);
    query.addBindValue(chain.front());
    if (!query.exec()) {
        return rows;
    }
    // Entries run from 1 with no gap: a row's place in the vector is its entry less one.
    while (query.next() && query.value(0).toLongLong() == static_cast<qint64>(rows.size()) + 1) {
        rows.push_back({query.value(1).toString(), query.value(2).toInt(), {}});
    }
    query.prepare(u"SELECT entry, "_s + figureColumns() + u" FROM checks WHERE run = ?"_s);
    for (const RunId at : chain) {
        query.addBindValue(at);
        if (!query.exec()) {
            continue;
        }
        while (query.next()) {
            const qint64 entry = query.value(0).toLongLong();
            if (entry < 1 || entry > static_cast<qint64>(rows.size())) {
                continue;
            }
            auto& figures = rows[static_cast<std::size_t>(entry - 1)].figures;
            for (std::size_t c = 0; c < figures.size(); ++c) {
                if (Figure figure = d->figureOf(query.value(static_cast<int>(c) + 1)); figure.known()) {
                    figures[c] = std::move(figure);
                }
            }
        }
    }
    return rows;
}

std::optional<QSqlQuery> HistoryStore::Impl::checksOf(const QString& domain, const QString& columns,
                                                      const QString& filter, const QVariantList& values,
                                                      bool queued) {
    const qint64 id = (queued ? readable() : connected) ? domainId(domain) : 0;
    if (id == 0) {
        return std::nullopt;
    }
    QSqlQuery query(db);
    query.setForwardOnly(true);
    query.prepare(u"SELECT "_s + columns + u", "_s + figureColumns(u"c."_s) +
                  u" FROM run_rows rr JOIN runs r ON r.root = rr.run "
                  u"JOIN checks c ON c.run = r.id AND c.entry = rr.entry WHERE rr.domain = ? "_s +
                  filter);
    query.addBindValue(id);
    for (const QVariant& value : values) {
        query.addBindValue(value);
    }
    if (!query.exec()) {
        return std::nullopt;
    }
    return query;
}

std::array<std::optional<HistoryStore::PastFigure>, kDomainFigures> HistoryStore::previousGood(
    const QString& domain, RunId before) {
    std::array<std::optional<PastFigure>, kDomainFigures> found;
    // A list of no run yet compares with every run there is.
    const RunId last = before != 0 ? before : std::numeric_limits<RunId>::max();
    std::optional<QSqlQuery> query =
        d->checksOf(domain, u"c.run, c.time"_s,
                    u"AND r.id < ? AND r.root <> coalesce((SELECT root FROM runs WHERE id = ?), 0) "
                    u"ORDER BY c.run DESC, c.time DESC"_s,
                    {last, before},
                    // The list asks as its rows come into view: a run's own records, which are never
                    // compared, need not be committed for it.
                    std::any_of(d->pending.begin(), d->pending.end(),
                                [before](const Impl::Pending& check) { return check.run != before; }));
    if (!query) {
        return found;
    }
    std::size_t missing = found.size();
    while (missing > 0 && query->next()) {
        for (std::size_t c = 0; c < found.size(); ++c) {
            if (const Figure figure = d->figureOf(query->value(static_cast<int>(c) + 2));
                !found[c] && figure.state == Figure::State::Value) {
                found[c] = PastFigure{query->value(0).toLongLong(), query->value(1).toLongLong(), figure.text,
                                      figure.number()};
                --missing;
            }
        }
    }
    return found;
}

std::vector<HistoryStore::Check> HistoryStore::historyOf(const QString& domain) {
    std::vector<Check> checks;
    std::optional<QSqlQuery> query =
        d->checksOf(domain, u"c.run, r.kind, c.time"_s, u"ORDER BY c.run, c.time, c.entry"_s);
    if (!query) {
        return checks;
    }
    while (query->next()) {
        Check check{query->value(0).toLongLong(),
                    static_cast<RunKind>(query->value(1).toInt()),
                    query->value(2).toLongLong(),
                    {}};
        for (std::size_t c = 0; c < check.figures.size(); ++c) {
            check.figures[c] = d->figureOf(query->value(static_cast<int>(c) + 3));
        }
        checks.push_back(std::move(check));
    }
    return checks;
}

int HistoryStore::prune(int keepRuns) {
    if (!d->keeping || !d->commit()) {
        return 0;
    }
    QSqlQuery query(d->db);
    if (!d->begin(query)) {
        d->failed(query.lastError());
        return 0;
    }
    // Whole lists go, so a kept retry keeps the runs it retried, which hold its rows.
    bool done =
        query.exec(u"CREATE TEMP TABLE IF NOT EXISTS doomed(id INTEGER PRIMARY KEY)"_s) &&
        query.exec(u"DELETE FROM temp.doomed"_s) &&
        query.prepare(
            u"INSERT INTO temp.doomed SELECT id FROM runs WHERE root NOT IN ("
            u"SELECT id FROM (SELECT id FROM runs WHERE id = root AND kind <> 3 ORDER BY id DESC LIMIT ?) "
            u"UNION ALL "
            u"SELECT id FROM (SELECT id FROM runs WHERE id = root AND kind = 3 ORDER BY id DESC LIMIT ?))"_s);
    int removed = 0;
    if (done) {
        query.addBindValue(std::max(keepRuns, 0));
        query.addBindValue(std::max(keepRuns, 0));
        done = query.exec();
        removed = query.numRowsAffected();
    }
    done = done && query.exec(u"DELETE FROM checks WHERE run IN temp.doomed"_s) &&
           query.exec(u"DELETE FROM run_rows WHERE run IN temp.doomed"_s) &&
           query.exec(u"DELETE FROM runs WHERE id IN temp.doomed"_s) &&
           query.exec(u"DELETE FROM domains WHERE id NOT IN (SELECT domain FROM run_rows)"_s) &&
           query.exec(u"COMMIT"_s);
    if (!done) {
        const QSqlError error = query.lastError();
        query = QSqlQuery();
        d->rollback();
        d->failed(error);
        return 0;
    }
    return removed;
}

qint64 HistoryStore::checkCount() {
    if (!d->readable()) {
        return 0;
    }
    QSqlQuery query(d->db);
    return query.exec(u"SELECT count(*) FROM checks"_s) && query.next() ? query.value(0).toLongLong() : 0;
}

}  // namespace quorvane
