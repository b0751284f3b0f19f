// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fetch/httppage2.h"
#include "fetch/xtimer.h"
#include "qt_services.h"

#include <QNetworkAccessManager>
#include <QStringList>

namespace quorvane::testing {

// The real stack: Qt timers, the wall clock and QNetworkAccessManager, without a proxy (the tests'
// servers are on loopback).
struct RealStack {
    QtSystemTimers timers;
    XTimerSupport support{timers};
    QtClock clock;
    QNetworkAccessManager manager;
    QtHttpRequestFactory http;
    ProxyPool proxies{clock};
    FetchContext context{http, support, clock, proxies};
    explicit RealStack(qint64 bodyCap = QtHttpRequestFactory::kDefaultBodyCap);
};

struct Fetched {
    QStringList events;
    qint64 elapsedMs = -1;  // at the first event
    QString reason;         // the fetcher's FailureReason() at the end
    bool waiting = false;   // the fetcher's isWaiting() at the end
};

// One fetch with the program's 5 s time-out; waits in real time up to waitMs for its event, then a
// little longer so that a second event would show.
Fetched fetchTimed(RealStack& stack, const QString& url, Charset charset, int waitMs = 5000);
inline QStringList fetchReal(RealStack& stack, const QString& url, Charset charset, int waitMs = 5000) {
    return fetchTimed(stack, url, charset, waitMs).events;
}

}  // namespace quorvane::testing
