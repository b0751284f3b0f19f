#pragma once

#include "fake_http.h"
#include "scripted_services.h"
#include "virtual_time.h"
#include "window/form1.h"

#include "platform/qt_services.h"
#include "replica_site.h"

#include <QNetworkAccessManager>
#include <QTemporaryDir>
#include <memory>

namespace quorvane::testing {

// Cells 1 to 7 of a domain row: the domain and its six figures.
QStringList rowCellsOf(const Form1& form, int row);
// Whether every result cell of every row is known.
bool allFilledOf(const Form1& form);
// A domain row as the replica site's pages fill it.
QStringList expectedCells(const QString& domain);

// Answers like the replica site, on virtual time.
FakeHttp::Responder replicaResponder(qint64 delayMs = 20);

// The whole window on virtual time, with the replica site's pages behind fake HTTP.
struct FormHarness {
    static constexpr auto kStats = u"http://stats.test";
    static constexpr auto kSearch = u"http://search.test";
    static constexpr auto kUpdate = u"http://update.test";

    VirtualTime time;
    FakeHttp http{time};
    ScriptedMessageBoxes messages;
    ScriptedDialogs dialogs;
    RecordingClipboard clipboard;
    RecordingShell shell;
    QTemporaryDir folder;
    int ended = 0;
    std::unique_ptr<Form1> form;

    // logicalDpi: of the screen the lists measure in; 0 takes the test screen's.
    // updateSite: empty as in a build without the update check.
    explicit FormHarness(double logicalDpi = 0, const QString& updateSite = QString::fromUtf16(kUpdate));
    ~FormHarness();

    // Types the domains into the box, one per line, and presses "手动导入".
    void importDomains(const QStringList& domains);
    // Advances virtual time in steps until done() holds; false when maxMs passed first.
    bool advanceUntil(const std::function<bool()>& done, qint64 maxMs, qint64 stepMs = 10);
    QString cell(int row, int index) const;
    QStringList rowCells(int row) const;
    // Whether every result cell of every row is known.
    bool allFilled() const;
    // Addresses sent for one kind of page.
    QStringList sentStats() const;
    QStringList sentKeywordPages() const;
    QStringList sentDomainQueries() const;
    QStringList sentSiteQueries() const;
};

// The whole window on the real stack: Qt timers and clock, QNetworkAccessManager, and the replica
// site on loopback for all three sites; only the modal boxes and desktop services are scripted.
struct RealForm {
    replica::ReplicaSite site;
    QtSystemTimers timers;
    QtClock clock;
    QNetworkAccessManager network;
    QtHttpRequestFactory http{network};
    ScriptedMessageBoxes messages;
    ScriptedDialogs dialogs;
    RecordingClipboard clipboard;
    RecordingShell shell;
    QTemporaryDir folder;
    std::unique_ptr<Form1> form;

    RealForm();
    ~RealForm();
    void importDomains(const QStringList& domains);
};

}  // namespace quorvane::testing
