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
        // What is shown does not depend on the password at all.
        quorvane::Proxy other = proxy;
        other.password = proxy.password.isEmpty() ? QString() : u"x"_s;
        require(quorvane::redacted(proxy) == quorvane::redacted(other),
                "a proxy is never shown with its password");
    }
    // A refused line's password, when it is long enough to tell apart from the rest of its line, is
    // not in that line's message.
    int number = 0;
    for (QStringView line : QStringView(text).split(u'\n')) {
        ++number;
        const QString secret = secretOf(line.trimmed());
        QString rest = line.toString();
        rest.remove(rest.indexOf(secret), secret.size());  // the first: no user before it holds it
        if (secret.size() < 6 || rest.contains(secret)) {
            continue;
        }
        const QString prefix = u"第 %1 行"_s.arg(number);
        for (const QString& problem : list.problems) {
            // The line as shown, between "（" and the last "）：", apart from the message's own words.
            const qsizetype open = problem.indexOf(u'（');
            const qsizetype close = problem.lastIndexOf(u"）："_s);
            require(
                !problem.startsWith(prefix) || (open >= 0 && close > open &&
                                                !problem.sliced(open + 1, close - open - 1).contains(secret)),
                "a line refused is never shown with its password");
        }
    }
    return 0;
}
