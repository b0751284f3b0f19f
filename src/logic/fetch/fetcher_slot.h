// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fetch/httppage2.h"

#include <functional>
#include <memory>

namespace quorvane {

// One of the window's fetcher variables: each request gets a new fetcher, and putting it here
// detaches the one before, so a late reply of the old request never reaches the window.
class FetcherSlot final {
public:
    using Handler = std::function<void(const QString&)>;

    explicit FetcherSlot(Handler handler) : m_handler(std::move(handler)) {}
    ~FetcherSlot() { detach(); }
    FetcherSlot(const FetcherSlot&) = delete;
    FetcherSlot& operator=(const FetcherSlot&) = delete;

    HTTPPage2& renew(FetchContext& context) {
        detach();
        m_page = HTTPPage2::create(context);
        m_page->HttpEvent = m_handler;
        return *m_page;
    }
    HTTPPage2* get() const { return m_page.get(); }
    // Lets go of the fetcher: a reply still on its way never reaches the window.
    void detach() {
        if (m_page) {
            m_page->HttpEvent = nullptr;
        }
        m_page.reset();
    }
    // An error status (400 and up) of the reply being handled: its page is no answer to read figures from.
    bool gotErrorPage() const { return m_page && m_page->Status() >= 400; }
    // Why the reply being handled is no page to read; empty when its fetch went well.
    QString failureReason() const { return m_page ? m_page->FailureReason() : QString(); }
    // Whether the reply being handled was sent on to Baidu's robot check.
    bool sentToCheck() const { return m_page && m_page->SentToCheck(); }
    // The proxy the reply being handled came through; none without proxies.
    std::optional<Proxy> proxy() const { return m_page ? m_page->Via() : std::nullopt; }

private:
    Handler m_handler;
    std::shared_ptr<HTTPPage2> m_page;
};

}  // namespace quorvane
