// SPDX-License-Identifier: GPL-3.0-or-later
// The run state's transitions, without a window: each row applies a sequence of events to a fresh
// state and names what must hold after it.
#include "batch/run_state.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace quorvane;

namespace {

// One event per letter: s Start (10 rows a batch), p user Pause, t user Stop, a automatic pause,
// b pause boundary passed (10 rows on), i import (5 rows a batch), q single query, m cursors moved to
// row 4 by the chains, r retry of rows 2 and 4 (2 rows a batch), R the same at 1 row a batch, c a row
// counted.
RunState play(const QString& events) {
    RunState state;
    for (const QChar event : events) {
        switch (event.unicode()) {
            case u's':
                state.start(10);
                break;
            case u'p':
                state.userPause();
                break;
            case u't':
                state.userStop();
                break;
            case u'a':
                state.automaticPause();
                break;
            case u'b':
                state.passPauseBoundary(10);
                break;
            case u'i':
                state.import(5);
                break;
            case u'q':
                state.singleQuery();
                break;
            case u'r':
                state.startRetry(2, {false, true, false, true});
                break;
            case u'R':
                state.startRetry(1, {false, true, false, true});
                break;
            case u'c':
                state.rowCounted();
                break;
            case u'm':
                // Three rows on, in every chain and the count.
                for (int i = 0; i < 3; ++i) {
                    for (const auto chain : {RunState::Stats, RunState::DomainQuery, RunState::SiteQuery}) {
                        state.advance(chain, 100);
                    }
                    state.rowCounted();
                }
                break;
            default:
                qFatal("unknown event");
        }
    }
    return state;
}

// Flags, cursors and boundary as one text: "C1 C2 C4 H | stats domain site | progress pauseAt".
QString summary(const RunState& s) {
    return u"%1%2%3%4|%5,%6,%7|%8,%9"_s.arg(s.Check1())
        .arg(s.Check2())
        .arg(s.Check4())
        .arg(s.haltedByUser() ? 1 : 0)
        .arg(s.StatsRow())
        .arg(s.DomainQueryRow())
        .arg(s.SiteQueryRow())
        .arg(s.ProgressRow())
        .arg(s.PauseAt());
}

}  // namespace

class TestRunState final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void transitions_data();
    void transitions();
    void advanceStopsAtTheLastRow();
    void robotChecksBackOff();
};

void TestRunState::transitions_data() {
    QTest::addColumn<QString>("events");
    QTest::addColumn<QString>("after");
    QTest::newRow("window start") << QString() << u"0000|1,1,1|1,0"_s;
    QTest::newRow("fresh start") << u"ms"_s << u"0000|1,1,1|1,10"_s;
    QTest::newRow("pause keeps cursors") << u"smp"_s << u"1101|4,4,4|4,10"_s;
    QTest::newRow("resume after pause") << u"smps"_s << u"0000|4,4,4|4,10"_s;
    QTest::newRow("stop then start is fresh") << u"smts"_s << u"0000|1,1,1|1,10"_s;
    QTest::newRow("automatic pause, resume") << u"smbas"_s << u"0000|4,4,4|4,20"_s;
    QTest::newRow("boundary after a user halt") << u"smtb"_s << u"1001|4,4,4|4,20"_s;
    QTest::newRow("import ends a run") << u"smi"_s << u"0001|1,1,1|1,5"_s;
    QTest::newRow("import ends a pause") << u"smpi"_s << u"1001|1,1,1|1,5"_s;
    QTest::newRow("pause and start after import") << u"smips"_s << u"0000|1,1,1|1,5"_s;
    QTest::newRow("single query takes over") << u"smpq"_s << u"0011|1,1,1|4,10"_s;
    QTest::newRow("batch start after single") << u"qs"_s << u"0000|1,1,1|1,10"_s;
    QTest::newRow("a run counts every row") << u"scc"_s << u"0000|1,1,1|3,10"_s;
    // Row 1 needs no retry: the next pause comes one retried row later.
    QTest::newRow("a retry paces retried rows") << u"rcc"_s << u"0000|1,1,1|3,3"_s;
    // With 1 row a batch the boundary is due at once; a row left alone must not leave it behind.
    QTest::newRow("a retry at 1 row a batch") << u"Rc"_s << u"0000|1,1,1|2,2"_s;
    QTest::newRow("a fresh start ends a retry") << u"rscc"_s << u"0000|1,1,1|3,10"_s;
}

void TestRunState::transitions() {
    QFETCH(QString, events);
    QFETCH(QString, after);
    QCOMPARE(summary(play(events)), after);
}

void TestRunState::advanceStopsAtTheLastRow() {
    RunState state;
    QVERIFY(state.advance(RunState::DomainQuery, 2));
    QCOMPARE(state.DomainQueryRow(), 2);
    QVERIFY(!state.advance(RunState::DomainQuery, 2));
    QCOMPARE(state.DomainQueryRow(), 2);
    QCOMPARE(state.StatsRow(), 1);
}

void TestRunState::robotChecksBackOff() {
    RunState state;
    state.start(10);
    QVERIFY(!state.robotCheck());
    state.goodAnswer();  // a good answer between: the count starts again
    QVERIFY(!state.robotCheck());
    QVERIFY(!state.robotCheck());
    QVERIFY(state.robotCheck());
    QList<int> backOffs;
    for (int i = 0; i < 6; ++i) {
        backOffs.append(state.blockPause());
        QVERIFY(state.halted() && state.paused() && state.blocked());
        QVERIFY(!state.robotCheck());  // no second block while one lasts
        QVERIFY(!state.start(10));     // resumes
        QVERIFY(!state.blocked());
    }
    QCOMPARE(backOffs, (QList<int>{300, 600, 1200, 2400, 3600, 3600}));
    QVERIFY(state.robotCheck());  // still checked after a resume: blocks again at once
    state.goodAnswer();
    QCOMPARE(state.blockPause(), 300);
    state.userStop();
    QVERIFY(!state.blocked());
    QVERIFY(!state.robotCheck());  // a late reply after 停止 starts no pause that would resume
    state.start(10);
    state.userPause();
    QVERIFY(!state.robotCheck());
}

QTEST_MAIN(TestRunState)
#include "tst_runstate.moc"
