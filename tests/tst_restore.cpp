// SPDX-License-Identifier: GPL-3.0-or-later
// A batch run the program died in comes back at the next start, figures, failures and reasons too.
#include "form_harness.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTest>
#include <csignal>

using namespace Qt::StringLiterals;
using namespace quorvane;
using namespace quorvane::testing;

namespace {

const QString kQuestion = u"上次的批量查询没有完成（已查询 %1 / 共 %2 条，"_s;

// The rows of the domain list, as shown, each with the reasons of its failed cells.
QStringList shownRows(const FormHarness& h) {
    QStringList rows;
    const ListModel& list = h.list(u"ListView1").items();
    for (int row = 1; row <= list.itemCount(); ++row) {
        QString line = h.rowCells(row).join(u'|');
        for (int cell = 2; cell <= 7; ++cell) {
            line += list.subItemTip(row, cell).isEmpty() ? QString() : u'#' + list.subItemTip(row, cell);
        }
        rows.append(line);
    }
    return rows;
}

}  // namespace

class TestRestore final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void unfinishedRunComesBack_data() {
        QTest::addColumn<MsgResult>("answer");
        QTest::newRow("是") << MsgResult::Yes;
        QTest::newRow("否") << MsgResult::No;
    }

    // The window closes mid-run as a crash would leave it: the run never finished in the history.
    void unfinishedRunComesBack() {
        QFETCH(MsgResult, answer);
        QTemporaryDir history;
        QStringList before;
        {
            FormHarness h(0, QString(), history.path());
            h.importDomains({u"a.com"_s, u"notfound.b.com"_s, u"partial.c.com"_s, u"d.com"_s, u"hang.e.com"_s,
                             u"f.com"_s});
            h.pressStart();
            QVERIFY(h.time.advanceUntil([&] { return h.text(u"Label2") == u"4"_s; }, 30'000));
            h.time.advance(1000);  // the last figures committed
            before = shownRows(h);
        }
        FormHarness h(0, QString(), history.path());
        h.messages.answer(answer);
        h.form->offerRestore();
        QCOMPARE(h.messages.shown.size(), 1);
        QVERIFY2(h.messages.texts().first().startsWith(kQuestion.arg(4).arg(6)),
                 qPrintable(h.messages.texts().first()));
        QCOMPARE(h.messages.shown.first().buttons, MsgButtons::YesNo);
        if (answer == MsgResult::Yes) {
            QCOMPARE(shownRows(h), before);  // every figure and failure, with its reason
            QVERIFY(before.at(1).contains(u"失败"_s) && before.at(1).contains(u'#'));
            QCOMPARE(h.text(u"Label3"), u"6"_s);
            QVERIFY(h.control<QWidget>(u"Frame2").isHidden());  // the batch view, ready for Ctrl+R
            h.pressKey(Qt::Key_R);
            QVERIFY(h.time.advanceUntil([&] { return !h.runs->batch.active(); }, 30'000));
            QCOMPARE(h.rowCells(6), expectedCells(u"f.com"_s));
            QCOMPARE(h.rowCells(1), expectedCells(u"a.com"_s));
        } else {
            QCOMPARE(h.list(u"ListView1").items().itemCount(), 0);
        }
        // Asked once either way.
        h.time.advance(1000);
        FormHarness again(0, QString(), history.path());
        again.form->offerRestore();
        QCOMPARE(again.messages.texts(), QStringList());
    }

    void brokenHistoryIsSaidOnce() {
        QTemporaryDir history;
        QFile file(QDir(history.path()).filePath(u"history.sqlite"_s));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QByteArray(4096, 'x')) == 4096);
        file.close();
        FormHarness h(0, QString(), history.path());
        h.form->offerRestore();
        QCOMPARE(h.messages.shown.size(), 1);
        QVERIFY2(h.messages.texts().first().contains(u"history.sqlite.broken-"_s),
                 qPrintable(h.messages.texts().first()));
        h.importDomains({u"a.com"_s});
        h.pressStart();
        h.time.advance(5000);
        QCoreApplication::processEvents();
        QCOMPARE(h.messages.shown.size(), 1);
        QCOMPARE(h.rowCells(1), expectedCells(u"a.com"_s));
    }

    // The real program over the replica, killed mid-run: what it showed a second before is all back.
    void killedProgramComesBack() {
        QTemporaryDir data;
        QProcess demo;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"XDG_DATA_HOME"_s, data.path());
        environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        demo.setProcessEnvironment(environment);
        demo.start(QStringLiteral(QUORVANE_DEMO), {u"batch"_s});
        QVERIFY(demo.waitForStarted());
        // Each count with the time it was seen; the run is killed well inside it.
        QElapsedTimer clock;
        clock.start();
        QList<std::pair<qint64, int>> counts;
        while (clock.elapsed() < 30'000 && (counts.isEmpty() || counts.last().second < 5 ||
                                            clock.elapsed() - counts.first().first < 1500)) {
            demo.waitForReadyRead(100);
            while (demo.canReadLine()) {
                const QString line = QString::fromUtf8(demo.readLine()).trimmed();
                if (line.startsWith(u"已查询 "_s)) {
                    counts.append({clock.elapsed(), line.sliced(4).chopped(2).toInt()});
                }
            }
        }
        QVERIFY2(!counts.isEmpty() && counts.last().second < 26, "the run ended before it could be killed");
        ::kill(static_cast<pid_t>(demo.processId()), SIGKILL);
        const qint64 killedAt = clock.elapsed();
        QVERIFY(demo.waitForFinished());
        int shownBefore = 0;
        for (const auto& [at, count] : counts) {
            shownBefore = at <= killedAt - 1000 ? count : shownBefore;
        }
        QVERIFY(shownBefore > 0);

        FormHarness h(0, QString(), QDir(data.path()).filePath(u"Quorvane/demo"_s));
        h.form->offerRestore();  // unanswered: 是, the default
        QCOMPARE(h.messages.shown.size(), 1);
        QCOMPARE(h.text(u"Label3"), u"26"_s);
        for (int row = 1; row <= shownBefore; ++row) {
            const QStringList cells = h.rowCells(row);
            QVERIFY2(!cells.contains(u"..."_s), qPrintable(cells.join(u'|')));
            if (cells.first().startsWith(u"www."_s)) {
                QCOMPARE(cells, expectedCells(cells.first()));
            }
        }
    }
};

QTEST_MAIN(TestRestore)
#include "tst_restore.moc"
