// SPDX-License-Identifier: GPL-3.0-or-later
#include "fetch/httppage2.h"

#include "fetch/addresses.h"
#include "fetch/charset.h"
#include "text/app_error.h"
#include "text/cells.h"

#include "text/textcut.h"

#include <QUrl>
#include <algorithm>
#include <limits>

using namespace Qt::StringLiterals;

namespace quorvane {

namespace {

// Only blanks count: an address of tabs or line breaks is sent and fails like any bad address.
bool isBlank(const QString& url) {
    return std::all_of(url.cbegin(), url.cend(), [](QChar c) { return c == u' '; });
}

}  // namespace

std::shared_ptr<HTTPPage2> HTTPPage2::create(FetchContext& context) {
    return std::shared_ptr<HTTPPage2>(new HTTPPage2(context));
}

HTTPPage2::~HTTPPage2() {
    if (xTimer1) {
        xTimer1->Tick = nullptr;
    }
    if (m_request) {
        m_request->abort();
    }
}

void HTTPPage2::SubIniData(const QString& Url, Charset nUnicode, std::chrono::seconds nSencond) {
    if (isBlank(Url)) {
        raise(QString());
        return;
    }
    if (xTimer1 && xTimer1->Enabled()) {
        // The earlier request is abandoned without an event.
        xTimer1->Tick = nullptr;
        xTimer1->setEnabled(false);
    }
    if (m_request) {
        m_request->abort();
    }
    m_status = 0;
    m_failure.clear();
    m_sentToCheck = false;
    m_url = Url;
    m_retried = false;
    m_proxy = m_context.proxies.next();
    m_request = m_proxy ? m_context.http.create(*m_proxy) : m_context.http.create();
    m_request->open(u"GET"_s, Url, true);
    m_request->send();

    xTimer1 = XTimer::create(m_context.timers);
    // The poll timer keeps this fetcher alive while the request waits, even once its owner let go.
    xTimer1->Tick = [self = shared_from_this()] { self->xTimer1_Tick(); };
    xTimer1->setInterval(kPollMs);
    try {
        xTimer1->setEnabled(true);
    } catch (...) {
        xTimer1->Tick = nullptr;
        throw;
    }
    StartTime = m_context.clock.nowSeconds();
    CharsetName = nUnicode;
    TimeoutSeconds = nSencond;
}

void HTTPPage2::xTimer1_Tick() {
    // Keeps this object alive through the handler, which may drop the last outside reference.
    const auto keepAlive = shared_from_this();
    if (!m_request) {
        finish();
        return;
    }
    if (m_request->readyState() != 4) {
        if (m_context.clock.nowSeconds() - StartTime > TimeoutSeconds.count()) {
            if (retryThroughNextProxy(!m_request->handedOn())) {
                return;
            }
            m_request->abort();
            m_request.reset();
            finish();
            m_failure = u"超时：%1 秒内无应答"_s.arg(TimeoutSeconds.count());
            raise(kFailureText);
        }
        return;
    }
    if (m_request->proxyFailed() && retryThroughNextProxy(true)) {
        return;
    }
    QString result = kFailureText;
    m_status = m_request->status();
    const std::optional<QByteArray> body = m_request->responseBody();
    if (body && body->size() >= 3) {
        try {
            result = decodePage(*body, m_request->contentType(), CharsetName);
        } catch (...) {
            result = kFailureText;
        }
    }
    m_sentToCheck = isVerificationHost(QUrl(m_request->redirectedTo()).host());
    if (m_sentToCheck) {
        result = kFailureText;
        m_failure = kVerificationReason;
    } else if (m_status >= 400) {
        m_failure = u"HTTP %1"_s.arg(m_status);
    } else if (!body) {
        m_failure = m_request->failure();
    }
    if (m_failure.isEmpty() && result == kFailureText) {
        m_failure = u"页面中没有数据"_s;
    }
    // Stop polling before the event: a handler that lets the event loop run must not see a second one.
    finish();
    m_request.reset();
    raise(result);
}

// Sets a failing proxy aside and sends the request once more through the next one, with the whole time
// limit again. False when the failure stands: no proxy, not its fault, the one more try spent, or no
// proxy left to try.
bool HTTPPage2::retryThroughNextProxy(bool proxyAtFault) {
    if (!m_proxy || !proxyAtFault) {
        return false;
    }
    m_context.proxies.setAside(*m_proxy);
    if (m_retried || m_context.proxies.allSetAside()) {
        return false;
    }
    const std::optional<Proxy> next = m_context.proxies.next();
    std::unique_ptr<HttpRequest> request = m_context.http.create(*next);
    try {
        request->open(u"GET"_s, m_url, true);
        request->send();
    } catch (const AppError&) {
        return false;
    }
    m_retried = true;
    m_request->abort();
    m_request = std::move(request);
    m_proxy = next;
    StartTime = m_context.clock.nowSeconds();
    return true;
}

void HTTPPage2::finish() {
    if (xTimer1) {
        // Dropping Tick breaks the fetcher-timer cycle; the running tick holds its own copy.
        xTimer1->Tick = nullptr;
        xTimer1->setEnabled(false);
    }
}

void HTTPPage2::raise(const QString& text) {
    const auto handler = HttpEvent;
    if (handler) {
        handler(text);
    }
}

}  // namespace quorvane
