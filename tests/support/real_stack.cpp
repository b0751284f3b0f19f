// SPDX-License-Identifier: GPL-3.0-or-later
#include "real_stack.h"

#include <QElapsedTimer>
#include <QNetworkProxy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace quorvane::testing {

RealStack::RealStack(qint64 bodyCap) : http(manager, bodyCap) {
    manager.setProxy(QNetworkProxy::NoProxy);
}

Fetched fetchTimed(RealStack& stack, const QString& url, Charset charset, int waitMs) {
    Fetched out;
    QElapsedTimer clock;
    auto page = HTTPPage2::create(stack.context);
    page->HttpEvent = [&](const QString& text) {
        if (out.events.isEmpty()) {
            out.elapsedMs = clock.elapsed();
        }
        out.events.append(text);
    };
    clock.start();
    page->SubIniData(url, charset, std::chrono::seconds(5));
    if (QTest::qWaitFor([&] { return !out.events.isEmpty(); }, waitMs)) {
        QTest::qWait(30);
    }
    out.reason = page->FailureReason();
    out.waiting = page->isWaiting();
    page->HttpEvent = nullptr;  // a fetcher still waiting outlives `out`
    return out;
}

}  // namespace quorvane::testing
