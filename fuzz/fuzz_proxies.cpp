// SPDX-License-Identifier: GPL-3.0-or-later
// The user's proxy list: every proxy taken is one a request can go through, and no message shows a
// password, neither a proxy's nor that of a line refused.

#include "fetch/proxies.h"
#include "fuzz_support.h"

using namespace Qt::StringLiterals;
using quorvane::fuzz::require;

namespace {

// What a line holds between the colon after its user and the last '@': its password, as a line
// refused is shown.
QString secretOf(QStringView line) {
    const qsizetype schemeEnd = line.indexOf(u"://"_s);
    const qsizetype start = schemeEnd < 0 ? 0 : schemeEnd + 3;
    const qsizetype at = line.lastIndexOf(u'@');
    const qsizetype colon = at < start ? -1 : line.sliced(start, at - start).indexOf(u':');
    return colon < 0 ? QString() : line.sliced(start + colon + 1, at - start - colon - 1).toString();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text = quorvane::fuzz::textFrom(data, size);
    const quorvane::ProxyList list = quorvane::parseProxyList(text);
    for (const quorvane::Proxy& proxy : list.proxies) {
        require(!proxy.host.isEmpty() && proxy.port != 0, "a proxy taken has a host and a port");
        const QString shown = quorvane::redacted(proxy);
        const QString visible = proxy.user + proxy.host + QString::number(proxy.port) + u"http://socks5***"_s;
        require(
            proxy.password.isEmpty() || visible.contains(proxy.password) || !shown.contains(proxy.password),
            "a proxy is never shown with its password");
    }
    // A password long enough to tell apart from the rest of the line and the message's own words.
    const QString problems = list.problems.join(u'\n');
    for (QStringView line : QStringView(text).split(u'\n')) {
        const QString secret = secretOf(line.trimmed());
        QString rest = line.toString();
        rest.remove(secret);
        if (secret.size() >= 6 && !rest.contains(secret)) {
            require(!problems.contains(secret), "a line refused is never shown with its password");
        }
    }
    return 0;
}
