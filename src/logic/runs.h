// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "batch/batch_run.h"
#include "fetch/httppage2.h"
#include "fetch/xtimer.h"
#include "history/journal.h"
#include "keywords/keyword_run.h"

namespace quorvane {

// The runs of one window and what they fetch with: the timer table, the fetchers' services, the
// batch run and the single query's keyword run, and the history their figures are kept in
// (historyFolder/history.sqlite). A window shows them; without one they run alike.
class Runs final {
public:
    Runs(SystemTimers& timers, const Clock& clock, HttpRequestFactory& http, BatchRun::Sites sites,
         const QString& historyFolder)
        : timerSupport(timers),
          proxies(clock),
          fetch{http, timerSupport, clock, proxies},
          batch(fetch, sites),
          keywords(fetch, batch, sites.stats),
          history(historyFolder, timers, clock),
          journal(history, batch, keywords) {}
    Runs(const Runs&) = delete;
    Runs& operator=(const Runs&) = delete;

    XTimerSupport timerSupport;
    ProxyPool proxies;  // empty unless the user keeps a list
    FetchContext fetch;
    BatchRun batch;
    KeywordRun keywords;
    HistoryStore history;
    Journal journal;
};

}  // namespace quorvane
