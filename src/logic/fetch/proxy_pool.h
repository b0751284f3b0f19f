// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fetch/proxies.h"
#include "fetch/services.h"

#include <optional>
#include <vector>

namespace quorvane {

// The user's proxies, handed out in turn. One that failed or met Baidu's robot check is set aside for
// a while, then comes back by itself.
class ProxyPool final {
public:
    explicit ProxyPool(const Clock& clock) : m_clock(clock) {}
    ProxyPool(const ProxyPool&) = delete;
    ProxyPool& operator=(const ProxyPool&) = delete;

    void setProxies(std::vector<Proxy> proxies);
    qsizetype size() const { return static_cast<qsizetype>(m_entries.size()); }
    bool empty() const { return m_entries.empty(); }

    // The next proxy not set aside. When all are, the one that comes back first: a request still goes
    // through a proxy, never around the list. None when the list is empty.
    std::optional<Proxy> next();
    void setAside(const Proxy& proxy);
    bool isSetAside(const Proxy& proxy) const;
    // Whether every proxy is set aside; false for an empty list.
    bool allSetAside() const;

    static constexpr qint64 kSetAsideSeconds = 10 * 60;

private:
    struct Entry {
        Proxy proxy;
        qint64 backAt = 0;  // the second it comes back; past: in the rotation
    };
    bool aside(const Entry& entry) const { return entry.backAt > m_clock.nowSeconds(); }

    const Clock& m_clock;
    std::vector<Entry> m_entries;
    std::size_t m_next = 0;
};

}  // namespace quorvane
