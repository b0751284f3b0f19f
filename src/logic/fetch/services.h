// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fetch/proxies.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

namespace quorvane {

using TimerId = quint32;

// Window-less periodic timers delivered on the UI thread; setTimer returns 0 when none can be had.
class SystemTimers {
public:
    using Callback = std::function<void(TimerId)>;
    virtual ~SystemTimers() = default;
    virtual TimerId setTimer(int intervalMs, Callback proc) = 0;
    virtual void killTimer(TimerId id) = 0;
};

// Wall clock read in whole seconds.
class Clock {
public:
    virtual ~Clock() = default;
    virtual qint64 nowSeconds() const = 0;
};

// One asynchronous GET. open and send throw AppError when the address cannot be used.
class HttpRequest {
public:
    virtual ~HttpRequest() = default;
    virtual void open(const QString& method, const QString& url, bool async) = 0;
    virtual void send() = 0;
    // 0 unsent, 1 opened, 2 headers received, 3 loading, 4 done.
    virtual int readyState() const = 0;
    // The whole body once done; empty optional when there is none to give (failed or over the cap).
    virtual std::optional<QByteArray> responseBody() const = 0;
    // The HTTP status of the response once its headers arrived; 0 when there is none.
    virtual int status() const = 0;
    // Drops the transfer and its connection.
    virtual void abort() = 0;
    // Why a done request gives no body, in words for the user ("页面过大", "连接失败：…"); empty when
    // it gives one or nothing is known.
    virtual QString failure() const { return {}; }
    // The response's Content-Type header as sent; empty when none came.
    virtual QByteArray contentType() const { return {}; }
    // Where the server last redirected the request to; empty when it did not.
    virtual QString redirectedTo() const { return {}; }
    // Whether a done request failed at its proxy rather than at the server: the proxy refused, dropped
    // or timed out the connection, could not be found, or wants other credentials.
    virtual bool proxyFailed() const { return false; }
    // Whether the request went out: to the server, or to its proxy (an HTTP proxy has it once it is
    // written to it, a SOCKS5 proxy once it connected to the server). A request that times out before
    // is the proxy's fault.
    virtual bool handedOn() const { return true; }
};

class HttpRequestFactory {
public:
    virtual ~HttpRequestFactory() = default;
    virtual std::unique_ptr<HttpRequest> create() = 0;
    // A request through a proxy of the user's list.
    virtual std::unique_ptr<HttpRequest> create(const Proxy& via) = 0;
};

}  // namespace quorvane
