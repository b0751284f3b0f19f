// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fetch/services.h"

#include <QList>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

namespace quorvane::testing {

class VirtualTime;

// How a fake server answers one address.
struct FakeReply {
    FakeReply() = default;
    FakeReply(std::optional<QByteArray> body_, qint64 delayMs_ = 20, bool never_ = false,
              bool manual_ = false, int status_ = 200)
        : body(std::move(body_)), delayMs(delayMs_), never(never_), manual(manual_), status(status_) {}

    std::optional<QByteArray> body;  // empty optional: done with no body
    qint64 delayMs = 20;             // virtual time until done
    bool never = false;              // never completes
    bool manual = false;             // waits for FakeHttp::complete
    int status = 200;                // HTTP status once done
    QByteArray contentType;          // the Content-Type header sent with it
    QString redirectedTo;            // where the server sent the request on to
    bool proxyFails = false;         // done, failed at its proxy (give it no body)
    bool proxyHangs = false;         // the proxy never takes it (make it never done)
};

// Requests answered on virtual time by a responder function.
class FakeHttp final : public HttpRequestFactory {
public:
    using Responder = std::function<FakeReply(const QString& url)>;
    // Answers a request through a proxy; by default the responder answers it as if sent straight.
    using ProxyResponder = std::function<FakeReply(const Proxy& via, const QString& url)>;

    explicit FakeHttp(VirtualTime& time, Responder responder = {});
    ~FakeHttp() override;

    std::unique_ptr<HttpRequest> create() override;
    std::unique_ptr<HttpRequest> create(const Proxy& via) override;
    void setResponder(Responder responder) { m_responder = std::move(responder); }
    void setProxyResponder(ProxyResponder responder) { m_proxyResponder = std::move(responder); }
    // The proxy of every address sent, in order; "" for one sent straight.
    const QStringList& sentVia() const { return m_sentVia; }
    // Addresses that open() must reject.
    void rejectUrlsContaining(const QString& part) { m_reject = part; }

    // Every address sent, in order.
    const QStringList& sent() const { return m_sent; }
    int sentCount(const QString& url) const { return static_cast<int>(m_sent.count(url)); }
    int abortedCount() const { return m_aborted; }
    // Request objects made here and not yet destroyed.
    int liveRequests() const { return m_liveRequests; }
    // Requests whose reply is manual and still pending, oldest first.
    QStringList pendingManual() const;
    // Completes the oldest pending manual request for url.
    bool complete(const QString& url, const std::optional<QByteArray>& body, qint64 delayMs = 0);

    struct State;

private:
    VirtualTime& m_time;
    Responder m_responder;
    ProxyResponder m_proxyResponder;
    QString m_reject;
    QStringList m_sent;
    QStringList m_sentVia;
    int m_aborted = 0;
    int m_liveRequests = 0;
    QList<std::shared_ptr<State>> m_live;
    friend class FakeRequest;
};

}  // namespace quorvane::testing
