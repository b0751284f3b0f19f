// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "form1.h"
#include "run_harness.h"
#include "scripted_services.h"

#include "qt_services.h"
#include "replica_site.h"

#include <QNetworkAccessManager>
#include <QTemporaryDir>
#include <memory>
#include <source_location>

namespace quorvane::testing {

// Where a test asked for a control or a click, for the message when there is none.
using Here = std::source_location;
// Fails the running test there, and ends it.
[[noreturn]] void failHere(const QByteArray& what, Here where);
// A control of the window by its object name ("Command3", "Label5_1"). One that is missing, or of
// another type, fails the running test where it was asked for, and ends it.
template <typename W = QWidget>
W& control(const QWidget& window, QStringView name, Here where = Here::current()) {
    W* found = window.findChild<W*>(name.toString());
    if (!found) {
        failHere("the window has no control " + name.toUtf8() + " of the type asked for", where);
    }
    return *found;
}

// The left edge of a list's column in its client pixels.
int leftPixels(const ListView& list, int column);
// Double-clicks list at client x (pixels inside the frame) on row `row` (0: below the rows), in its
// middle or on its very first pixel line.
void doubleClick(ListView& list, int clientX, int row, bool topLine = false);

// The window with its modal boxes and desktop services scripted, and verbs that work its real controls.
struct FormDriver {
    ScriptedMessageBoxes messages;
    ScriptedDialogs dialogs;
    RecordingClipboard clipboard;
    RecordingShell shell;
    QTemporaryDir folder;
    std::unique_ptr<Runs> runs;   // what the window shows; made by the harness, after what they use
    std::unique_ptr<Form1> form;  // made by the harness, after what it uses

    template <typename W = QWidget>
    W& control(QStringView name, Here where = Here::current()) const {
        return testing::control<W>(*form, name, where);
    }
    ListView& list(QStringView name, Here where = Here::current()) const {
        return control<ListView>(name, where);
    }
    // What a label, a line edit or the domain box shows.
    QString text(QStringView name, Here where = Here::current()) const;
    // Replaces the text of a line edit, an editable combo box or the domain box, as a paste over it would.
    FormDriver& fill(QStringView name, const QString& text, Here where = Here::current());
    // Clicks a button or check box; a disabled one ignores it.
    void click(QStringView name, Here where = Here::current()) const;
    // Clicks the header of a list's column (numbered from 1) with the mouse.
    void clickHeader(QStringView name, int column, Here where = Here::current()) const;
    // Shows the window; whether it was exposed in time.
    bool showWindow();
    // Shows and activates the window, as the window's keys need; whether it became active in time.
    bool showActive();
    // Shows and activates the window in its batch view; whether it became active in time.
    bool showBatchView();
    // A key pressed on the window (made active first), Ctrl+ unless told otherwise.
    void pressKey(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::ControlModifier);
    // Puts text in the domain box and presses "手动导入".
    void importBox(const QString& text) { fill(u"Text1", text).click(u"Command12"); }
    // Types the domains into the box, one per line, and presses "手动导入".
    void importDomains(const QStringList& domains) { importBox(domains.join(u'\n')); }
    // Writes the lines (UTF-8) as the domain file, names it in "导入路径" and presses "确认导入".
    void importFile(const QString& lines);
    // The pacing boxes: "查询: … 条，停 … 秒".
    FormDriver& setRowsPerBatch(const QString& rows) { return fill(u"Text4", rows); }
    FormDriver& setPauseSeconds(const QString& seconds) { return fill(u"Combo1", seconds); }
    // "开始", "暂停" and "停止" of the batch view.
    void pressStart() { click(u"Command3"); }
    void pressPause() { click(u"Command9"); }
    void pressStop() { click(u"Command10"); }
    // Types the domain into the single query's box and presses "开  始".
    void querySingle(const QString& domain) { fill(u"Text5", domain).click(u"Command11"); }
    // Chooses the kind of filter (0 text, 1 search index, 2 indexed count), types the value and
    // presses "开 始".
    void filter(int kind, const QString& value);

    QString cell(int row, int index) const { return list(u"ListView1").items().subItem(row, index); }
    // Cells 1 to 7 of a domain row: the domain and its six figures.
    QStringList rowCells(int row) const;
    // Whether every result cell of every row is known.
    bool allFilled() const;
};

// The whole window on virtual time, with the replica site's pages behind fake HTTP.
struct FormHarness final : FormDriver, VirtualSites {
    int ended = 0;

    // logicalDpi: of the screen the lists measure in; 0 takes the test screen's.
    // updateSite: empty as in a build without the update check.
    // historyFolder: empty for one of its own in the harness's folder.
    explicit FormHarness(double logicalDpi = 0, const QString& updateSite = QString::fromUtf16(kUpdate),
                         const QString& historyFolder = {});
    ~FormHarness();

    // The window's settings: the virtual sites, and files in the harness's folder.
    const Settings settings{QString::fromUtf16(kStats),
                            QString::fromUtf16(kSearch),
                            QString::fromUtf16(kUpdate),
                            true,
                            365,
                            folder.filePath(QStringLiteral("proxies.txt"))};
};

// The whole window on the real stack: Qt timers and clock, QNetworkAccessManager, and the replica
// site on loopback for all three sites; only the modal boxes and desktop services are scripted.
struct RealForm final : FormDriver {
    replica::ReplicaSite site;
    QtSystemTimers timers;
    QtClock clock;
    QNetworkAccessManager network;
    QtHttpRequestFactory http{network};

    RealForm();
    ~RealForm();
};

}  // namespace quorvane::testing
