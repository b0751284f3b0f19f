// SPDX-License-Identifier: GPL-3.0-or-later
#include "fake_http.h"

#include "text/app_error.h"
#include "virtual_time.h"

using namespace Qt::StringLiterals;

namespace quorvane::testing {

struct FakeHttp::State {
    QString url;
    FakeReply reply;
    qint64 doneAtMs = -1;  // -1: not scheduled
    bool aborted = false;
};

class FakeRequest final : public HttpRequest {
public:
    explicit FakeRequest(FakeHttp& owner, std::optional<Proxy> via = std::nullopt)
        : m_owner(owner), m_state(std::make_shared<FakeHttp::State>()), m_via(std::move(via)) {
        ++m_owner.m_liveRequests;
    }

    void open(const QString& method, const QString& url, bool) override {
        if (method != u"GET"_s || (!m_owner.m_reject.isEmpty() && url.contains(m_owner.m_reject))) {
            throw AppError(AppError::kBadAddress, u"无法使用的地址"_s);
        }
        m_state->url = url;
        m_opened = true;
    }
    void send() override {
        if (!m_opened) {
            throw AppError(AppError::kBadAddress, u"未打开"_s);
        }
        m_owner.m_sent.append(m_state->url);
        m_owner.m_sentVia.append(m_via ? redacted(*m_via) : QString());
        if (m_via && m_owner.m_proxyResponder) {
            m_state->reply = m_owner.m_proxyResponder(*m_via, m_state->url);
        } else {
            m_state->reply = m_owner.m_responder ? m_owner.m_responder(m_state->url) : FakeReply{};
        }
        if (!m_state->reply.never && !m_state->reply.manual) {
            m_state->doneAtMs = m_owner.m_time.nowMs() + m_state->reply.delayMs;
        }
        m_owner.m_live.append(m_state);
        m_sentFlag = true;
    }
    int readyState() const override {
        if (!m_sentFlag) {
            return m_opened ? 1 : 0;
        }
        return done() ? 4 : 1;
    }
    int status() const override { return done() ? m_state->reply.status : 0; }
    QByteArray contentType() const override { return done() ? m_state->reply.contentType : QByteArray(); }
    QString redirectedTo() const override { return done() ? m_state->reply.redirectedTo : QString(); }
    std::optional<QByteArray> responseBody() const override {
        return done() ? m_state->reply.body : std::nullopt;
    }
    bool proxyFailed() const override { return done() && m_state->reply.proxyFails; }
    bool handedOn() const override { return !m_sentFlag || !m_state->reply.proxyHangs; }
    void abort() override {
        if (m_sentFlag && !done() && !m_state->aborted) {
            m_state->aborted = true;
            ++m_owner.m_aborted;
        }
    }
    ~FakeRequest() override {
        m_owner.m_live.removeAll(m_state);
        --m_owner.m_liveRequests;
    }

private:
    bool done() const {
        return !m_state->aborted && m_state->doneAtMs >= 0 && m_owner.m_time.nowMs() >= m_state->doneAtMs;
    }

    FakeHttp& m_owner;
    std::shared_ptr<FakeHttp::State> m_state;
    std::optional<Proxy> m_via;
    bool m_opened = false;
    bool m_sentFlag = false;
};

FakeHttp::FakeHttp(VirtualTime& time, Responder responder)
    : m_time(time), m_responder(std::move(responder)) {}

FakeHttp::~FakeHttp() = default;

std::unique_ptr<HttpRequest> FakeHttp::create() {
    return std::make_unique<FakeRequest>(*this);
}

std::unique_ptr<HttpRequest> FakeHttp::create(const Proxy& via) {
    return std::make_unique<FakeRequest>(*this, via);
}

QStringList FakeHttp::pendingManual() const {
    QStringList urls;
    for (const auto& state : m_live) {
        if (state->reply.manual && state->doneAtMs < 0 && !state->aborted) {
            urls.append(state->url);
        }
    }
    return urls;
}

bool FakeHttp::complete(const QString& url, const std::optional<QByteArray>& body, qint64 delayMs) {
    for (const auto& state : m_live) {
        if (state->url == url && state->reply.manual && state->doneAtMs < 0 && !state->aborted) {
            state->reply.body = body;
            state->doneAtMs = m_time.nowMs() + delayMs;
            return true;
        }
    }
    return false;
}

}  // namespace quorvane::testing
