// SPDX-License-Identifier: GPL-3.0-or-later
#include "fetch/proxy_pool.h"

#include <algorithm>

namespace quorvane {

void ProxyPool::setProxies(std::vector<Proxy> proxies) {
    m_entries.clear();
    for (Proxy& proxy : proxies) {
        m_entries.push_back({std::move(proxy), 0});
    }
    m_next = 0;
}

std::optional<Proxy> ProxyPool::next() {
    if (m_entries.empty()) {
        return std::nullopt;
    }
    std::size_t chosen = m_next % m_entries.size();
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        const std::size_t at = (m_next + i) % m_entries.size();
        if (!aside(m_entries[at])) {
            chosen = at;
            break;
        }
        if (m_entries[at].backAt < m_entries[chosen].backAt) {
            chosen = at;
        }
    }
    m_next = chosen + 1;
    return m_entries[chosen].proxy;
}

void ProxyPool::setAside(const Proxy& proxy) {
    for (Entry& entry : m_entries) {
        if (entry.proxy == proxy) {
            entry.backAt = m_clock.nowSeconds() + kSetAsideSeconds;
        }
    }
}

bool ProxyPool::isSetAside(const Proxy& proxy) const {
    return std::any_of(m_entries.begin(), m_entries.end(),
                       [&](const Entry& entry) { return entry.proxy == proxy && aside(entry); });
}

bool ProxyPool::allSetAside() const {
    return !m_entries.empty() &&
           std::all_of(m_entries.begin(), m_entries.end(), [&](const Entry& entry) { return aside(entry); });
}

}  // namespace quorvane
