// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fetch/charset.h"
#include "fetch/proxy_pool.h"
#include "fetch/services.h"
#include "fetch/xtimer.h"

#include <QString>
#include <chrono>
#include <functional>
#include <memory>

namespace quorvane {

// What a fetcher stands on.
struct FetchContext {
    HttpRequestFactory& http;
    XTimerSupport& timers;
    const Clock& clock;
    ProxyPool& proxies;  // empty: every request goes straight to its server
};

// Fetches one page asynchronously and reports it once through HttpEvent: the decoded text,
// "失败" on any failure, or "" at once for an empty address. One request per fetcher. With proxies, the
// request goes through the next one; a proxy that fails it is set aside and the request goes once more
// through the next, unseen by the event's handler.
class HTTPPage2 final : public std::enable_shared_from_this<HTTPPage2> {
public:
    static std::shared_ptr<HTTPPage2> create(FetchContext& context);
    ~HTTPPage2();
    HTTPPage2(const HTTPPage2&) = delete;
    HTTPPage2& operator=(const HTTPPage2&) = delete;

    // Throws AppError when the request cannot be made. The character set is the one a page is read
    // in when its response declares none.
    void SubIniData(const QString& Url, Charset nUnicode, std::chrono::seconds nSencond);

    std::function<void(const QString& HereReturnCode)> HttpEvent;

    bool isWaiting() const { return xTimer1 && xTimer1->Enabled(); }
    // The HTTP status of the response last reported; 0 when none came (time-out, no answer).
    // The text is delivered whatever the status: the reader decides what an error page means.
    int Status() const { return m_status; }
    // Why the page last reported is no page to read, in words for the user: a time-out, an error
    // status, a body too large, too many redirects, a failed connection, no body. Empty when the
    // fetch itself went well (the page may still hold nothing useful).
    const QString& FailureReason() const { return m_failure; }
    // Whether the server sent the request on to Baidu's robot check.
    bool SentToCheck() const { return m_sentToCheck; }
    // The proxy the request went through last; none without proxies.
    const std::optional<Proxy>& Via() const { return m_proxy; }

    static constexpr int kPollMs = 10;

private:
    explicit HTTPPage2(FetchContext& context) : m_context(context) {}
    void xTimer1_Tick();
    void raise(const QString& text);
    void finish();
    bool retryThroughNextProxy(bool proxyAtFault);

    FetchContext& m_context;
    std::unique_ptr<HttpRequest> m_request;
    qint64 StartTime = 0;
    Charset CharsetName = Charset::Utf8;
    std::chrono::seconds TimeoutSeconds{0};
    std::shared_ptr<XTimer> xTimer1;
    int m_status = 0;
    QString m_failure;
    bool m_sentToCheck = false;
    QString m_url;
    std::optional<Proxy> m_proxy;
    bool m_retried = false;  // the one more try through the next proxy is spent
};

}  // namespace quorvane
