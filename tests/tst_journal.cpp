// SPDX-License-Identifier: GPL-3.0-or-later
// The journal keeps what the runs find, run on virtual time against the replica's pages.
#include "history/journal.h"
#include "replica_site.h"
#include "run_harness.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace quorvane;
using quorvane::testing::RunHarness;
using Start = BatchRun::Start;

Q_DECLARE_METATYPE(quorvane::BatchRun::Start)

namespace {

// Normal rows and rows whose pages hold no figures, each failure with its own reason.
const QStringList kDomains = {u"a.com"_s,         u"notfound.b.com"_s, u"c.com"_s,
                              u"partial.d.com"_s, u"nomarker.e.com"_s, u"empty.f.com"_s,
                              u"garbage.g.com"_s, u"h.com"_s};

QString described(const Figure& figure) {
    return figure.state == Figure::State::Value    ? figure.text
           : figure.state == Figure::State::Failed ? u"失败:"_s + figure.reason
                                                   : u"?"_s;
}

// The list as the batch run holds it, and as the store gives it back.
QStringList listed(const BatchRun& batch) {
    QStringList rows;
    for (qint64 entry = 1; entry <= batch.rowCount(); ++entry) {
        QString row = batch.domain(entry) + u'#' + QString::number(batch.lineNumber(entry));
        for (int cell = DomainCell::Weight; cell < DomainCell::Count; ++cell) {
            row += u'|' + described(batch.figure(entry, cell));
        }
        rows.append(row);
    }
    return rows;
}

QStringList listed(const std::vector<HistoryStore::RestoredRow>& restored) {
    QStringList rows;
    for (const HistoryStore::RestoredRow& restoredRow : restored) {
        QString row = restoredRow.domain + u'#' + QString::number(restoredRow.line);
        for (const Figure& figure : restoredRow.figures) {
            row += u'|' + described(figure);
        }
        rows.append(row);
    }
    return rows;
}

// The runs with a journal, the store's file in a folder of its own.
struct JournalHarness final {
    RunHarness runs;
    BatchRun& batch = runs.batch;
    KeywordRun& keywords = runs.keywords;
    quorvane::testing::VirtualTime& time = runs.time;
    QTemporaryDir dir;
    HistoryStore store{dir.path(), time, time};
    Journal journal{store, batch, keywords};

    // Enough rows that a second's commit finds the run still going.
    JournalHarness() {
        batch.import((kDomains + quorvane::testing::numberedDomains(100)).join(u"\n\n"_s), false);
    }
    bool runToEnd() {
        return time.advanceUntil([&] { return batch.rowsCounted() == batch.rowCount(); }, 60'000);
    }
    // What another window, or the program started again, reads from the file.
    std::vector<HistoryStore::RestoredRow> readBack(HistoryStore::RunId run) {
        return HistoryStore(dir.path(), time, time).restoredRows(run);
    }
    std::optional<HistoryStore::Run> unfinished() {
        return HistoryStore(dir.path(), time, time).lastUnfinishedBatch();
    }
};

}  // namespace

class TestJournal final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void startSaysHowBeforeAnythingChanges();
    void everyFigureShownIsKeptWithinASecond();
    void retryGoesOnFromTheRunItRetries();
    void resumeGoesOnInTheSameRun();
    void userEndsFinishTheRun_data();
    void userEndsFinishTheRun();
    void singleQueryIsARunOfOneRow();
};

void TestJournal::startSaysHowBeforeAnythingChanges() {
    RunHarness h;
    h.importDomains({u"a.com"_s, u"notfound.b.com"_s});
    QStringList events;
    connect(&h.batch, &BatchRun::starting, &h.batch, [&](Start how) {
        events.append(QString::fromLatin1(QMetaEnum::fromType<Start>().valueToKey(static_cast<int>(how))));
    });
    connect(&h.batch, &BatchRun::figuresReset, &h.batch, [&] { events.append(u"reset"_s); });
    connect(&h.batch, &BatchRun::rowCounted, &h.batch, [&](qint64 n) { events.append(QString::number(n)); });
    connect(&h.batch, &BatchRun::stopped, &h.batch, [&] { events.append(u"stopped"_s); });
    h.batch.start();
    h.time.advance(10);
    h.batch.pause();
    h.batch.start();
    h.time.advanceUntil([&] { return h.batch.rowsCounted() == 2; }, 10'000);
    h.batch.stop();
    QVERIFY(h.batch.retry());
    QCOMPARE(events, QStringList({u"Fresh"_s, u"reset"_s, u"0"_s, u"Resume"_s, u"1"_s, u"2"_s, u"stopped"_s,
                                  u"Retry"_s, u"0"_s}));
}

void TestJournal::everyFigureShownIsKeptWithinASecond() {
    JournalHarness h;
    h.batch.start();
    // Halfway, as a kill would find it: what was shown a second ago is in the file.
    QVERIFY(h.time.advanceUntil([&] { return h.batch.rowsCounted() >= 3; }, 60'000));
    const QStringList shown = listed(h.batch);
    const qint64 counted = h.batch.rowsCounted();
    QVERIFY(counted < h.batch.rowCount());
    h.time.advance(1000);
    const QStringList kept = listed(h.readBack(h.journal.listRun()));
    for (qsizetype row = 0; row < shown.size(); ++row) {
        const QStringList was = shown[row].split(u'|');
        const QStringList is = kept.value(row).split(u'|');
        for (qsizetype cell = 0; cell < was.size(); ++cell) {
            QVERIFY2(was[cell] == u"?"_s || was[cell] == is.value(cell),
                     qPrintable(shown[row] + u" / "_s + kept.value(row)));
        }
    }
    QVERIFY(h.unfinished() && h.unfinished().value().counted >= counted);
    QVERIFY(h.runToEnd());
    h.time.advance(1000);
    QCOMPARE(listed(h.readBack(h.journal.listRun())), listed(h.batch));
    QVERIFY(listed(h.batch).join(u' ').contains(u"失败:"_s));
    QVERIFY(!h.unfinished());
}

void TestJournal::retryGoesOnFromTheRunItRetries() {
    JournalHarness h;
    bool failing = true;
    h.runs.http.setResponder([&, replica = quorvane::testing::replicaResponder()](const QString& url) {
        return failing && url.contains(u"c.com"_s) ? quorvane::testing::FakeReply(std::nullopt)
                                                   : replica(url);
    });
    h.batch.start();
    QVERIFY(h.runToEnd());
    const HistoryStore::RunId first = h.journal.listRun();
    failing = false;
    QVERIFY(h.batch.retry());
    QVERIFY(h.runToEnd());
    h.time.advance(1000);
    const HistoryStore::RunId retry = h.journal.listRun();
    QVERIFY(retry != first);
    const auto run = HistoryStore(h.dir.path(), h.time, h.time).run(retry);
    QCOMPARE(run.value().kind, HistoryStore::RunKind::Retry);
    QCOMPARE(run->parent, first);
    QVERIFY(run->finished);
    QCOMPARE(listed(h.readBack(retry)), listed(h.batch));
    QVERIFY(listed(h.readBack(first)).at(2).contains(u"失败:"_s));
    QVERIFY(!listed(h.batch).at(2).contains(u"失败:"_s));
}

void TestJournal::resumeGoesOnInTheSameRun() {
    JournalHarness h;
    h.batch.setPacing(50, 3);  // an automatic pause every fifty rows
    h.batch.start();
    const HistoryStore::RunId run = h.journal.listRun();
    QVERIFY(h.time.advanceUntil([&] { return h.batch.paused(); }, 10'000));
    h.time.advance(1000);
    QCOMPARE(h.unfinished().value().id, run);
    h.batch.pause();
    h.batch.start();
    QVERIFY(h.runToEnd());
    QCOMPARE(h.journal.listRun(), run);
    h.time.advance(5000);  // and the pause after the last rows resumes a run that is done
    QVERIFY(!h.unfinished());
    QCOMPARE(listed(h.readBack(run)), listed(h.batch));
}

void TestJournal::userEndsFinishTheRun_data() {
    QTest::addColumn<QString>("end");
    QTest::addColumn<bool>("finished");
    QTest::newRow("stop") << u"stop"_s << true;
    QTest::newRow("a new list") << u"import"_s << true;
    QTest::newRow("the single query") << u"single"_s << true;
    QTest::newRow("pause") << u"pause"_s << false;
    QTest::newRow("stop during a pause, then resume") << u"pause stop start"_s << false;
}

void TestJournal::userEndsFinishTheRun() {
    QFETCH(QString, end);
    QFETCH(bool, finished);
    JournalHarness h;
    h.batch.start();
    const HistoryStore::RunId run = h.journal.listRun();
    h.time.advance(30);
    for (const QString& step : end.split(u' ')) {
        if (step == u"stop"_s) {
            h.batch.stop();
        } else if (step == u"pause"_s) {
            h.batch.pause();
        } else if (step == u"start"_s) {
            h.batch.start();
        } else if (step == u"import"_s) {
            h.runs.importDomains({u"x.com"_s});
        } else {
            h.keywords.query(u"x.com"_s);
        }
        h.time.advance(1000);
    }
    QCOMPARE(h.journal.listRun(), end == u"import"_s ? 0 : run);
    QCOMPARE(!h.unfinished(), finished);
}

void TestJournal::singleQueryIsARunOfOneRow() {
    JournalHarness h;
    h.keywords.query(u"a.com"_s);
    QVERIFY(h.time.advanceUntil([&] { return h.keywords.figure(StatsField::Indexed).known(); }, 10'000));
    h.time.advance(1000);
    const HistoryStore::RunId single = h.journal.singleRun();
    HistoryStore reader(h.dir.path(), h.time, h.time);
    QCOMPARE(reader.run(single).value().kind, HistoryStore::RunKind::Single);
    QVERIFY(reader.run(single).value().finished);
    const replica::StatsFigures page = replica::statsFiguresFor(u"a.com"_s);
    QCOMPARE(listed(reader.restoredRows(single)),
             QStringList{u"a.com#0|"_s + QStringList({page.weight, page.keywords, page.traffic, page.indexed,
                                                      u"?"_s, page.snapshot})
                                             .join(u'|')});
    QVERIFY(!reader.lastUnfinishedBatch());
}

QTEST_GUILESS_MAIN(TestJournal)
#include "tst_journal.moc"
