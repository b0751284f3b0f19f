// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fake_http.h"
#include "virtual_time.h"

#include "runs.h"

#include <QTemporaryDir>
#include <memory>

namespace quorvane::testing {

// prefix1suffix to prefixNsuffix: site1.com, site2.com and so on.
QStringList numberedDomains(int n, const QString& prefix = QStringLiteral("site"),
                            const QString& suffix = QStringLiteral(".com"));
// A domain row as the replica site's pages fill it.
QStringList expectedCells(const QString& domain);

// Answers like the replica site, on virtual time.
FakeHttp::Responder replicaResponder(qint64 delayMs = 20);
// Like the replica site, but Baidu answers every query with its robot check.
FakeHttp::Responder robotCheckOnBaidu();
// Lines of a saved result file: done rows whole with the replica's figures (done1.com, …), then rows
// not asked yet (open1.com, …).
QString savedLines(int done, int open);

// The sites on virtual time: the replica's pages behind fake HTTP, and what was asked of them.
struct VirtualSites {
    static constexpr auto kStats = u"http://stats.test";
    static constexpr auto kSearch = u"http://search.test";
    static constexpr auto kUpdate = u"http://update.test";

    VirtualTime time;
    FakeHttp http{time};

    VirtualSites();
    // Addresses sent for one kind of page.
    QStringList sentStats() const;
    QStringList sentKeywordPages() const;
    QStringList sentDomainQueries() const;
    QStringList sentSiteQueries() const;
    // Requests of the batch run's three chains.
    int batchSent() const;
    // The runs, keeping their history in historyFolder.
    std::unique_ptr<Runs> makeRuns(const QString& historyFolder);
};

// What read() gives each time an automatic pause of the run begins, watched tick by tick.
template <typename Read>
auto atPauses(VirtualTime& time, const BatchRun& batch, qint64 maxMs, Read read) {
    QList<decltype(read())> seen;
    for (qint64 t = 0, pauseAt = batch.pauseAt(); t < maxMs; t += 10, pauseAt = batch.pauseAt()) {
        time.advance(10);  // one progress tick
        if (batch.pauseAt() != pauseAt && batch.paused()) {
            seen.append(read());
        }
    }
    return seen;
}

// The runs alone, with no window, on virtual time against the replica's pages.
struct RunHarness final : VirtualSites {
    QTemporaryDir historyFolder;
    std::unique_ptr<Runs> runs = makeRuns(historyFolder.path());
    BatchRun& batch = runs->batch;
    KeywordRun& keywords = runs->keywords;

    ~RunHarness();
    // A new list, one domain a line, as "手动导入" makes it.
    void importDomains(const QStringList& domains) { batch.import(domains.join(u'\n'), false); }
    // The domain of a row and its six figures as the list shows them.
    QStringList rowCells(qint64 entry) const;
    // Whether every figure of every row is known.
    bool allFilled() const;
};

// A replica domain with between lo and hi keywords.
QString domainWithKeywords(int lo, int hi);

}  // namespace quorvane::testing
