// SPDX-License-Identifier: GPL-3.0-or-later
// What a user waits for when pasting into the domain box and importing: the box's layout of the
// pasted text, the import, and the list's first paint, beside a bare split of the same text.
#include "form_harness.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <cstdio>

using namespace Qt::StringLiterals;
using namespace quorvane;

namespace {

void measure(const char* name, const QString& text) {
    testing::FormHarness h;
    h.form->show();
    h.click(u"Command14");
    QTest::qWait(20);

    QElapsedTimer timer;
    timer.start();
    const qsizetype pieces = text.split(u"\r\n"_s).size();
    const qint64 baselineNs = timer.nsecsElapsed();

    timer.restart();
    h.fill(u"Text1", text);
    QApplication::processEvents();
    QTest::qWait(1);
    const qint64 pasteNs = timer.nsecsElapsed();

    timer.restart();
    h.click(u"Command12");
    QApplication::processEvents();
    QTest::qWait(1);
    const qint64 importNs = timer.nsecsElapsed();

    const double baselineMs = static_cast<double>(baselineNs) / 1e6;
    std::printf("%-32s paste %8.1f ms  import+paint %8.1f ms  (baseline split %6.2f ms, %lld pieces)\n", name,
                static_cast<double>(pasteNs) / 1e6, static_cast<double>(importNs) / 1e6, baselineMs,
                static_cast<long long>(pieces));
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QString line;
    for (int i = 0; line.size() < 1'000'000; ++i) {
        line += u"www.example"_s + QString::number(i) + u".com,"_s;  // no break opportunity for wrapping
    }
    measure("one 1 MB line", line);
    QString lines;
    for (int i = 0; i < 100'000; ++i) {
        lines += u"www.example"_s + QString::number(i) + u".com\r\n"_s;
    }
    measure("100,000 lines", lines);
    return 0;
}
