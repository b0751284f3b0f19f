// SPDX-License-Identifier: GPL-3.0-or-later
#include "fetch/proxies.h"

#include "text/text_file.h"

#include <QFile>
#include <QUrl>
#include <variant>

using namespace Qt::StringLiterals;

namespace quorvane {

namespace {

// The line as a message may quote it: whatever stands between the first ':' of the user part and the
// last '@' becomes ***. The last '@', not the first, so that a password holding an '@' or a '/' is
// hidden whole even on a line that is no address at all.
QString redactedLine(QStringView line) {
    const qsizetype schemeEnd = line.indexOf(u"://"_s);
    const qsizetype start = schemeEnd < 0 ? 0 : schemeEnd + 3;
    const qsizetype at = line.lastIndexOf(u'@');
    if (at < start) {
        return line.toString();
    }
    const qsizetype colon = line.sliced(start, at - start).indexOf(u':');
    if (colon < 0) {
        return line.toString();
    }
    return line.first(start + colon + 1).toString() + u"***"_s + line.sliced(at);
}

// The proxy a line names, or why it names none.
std::variant<Proxy, QString> parseLine(QStringView line) {
    const qsizetype schemeEnd = line.indexOf(u"://"_s);
    if (schemeEnd < 0) {
        return u"缺少 http:// 或 socks5://"_s;
    }
    Proxy proxy;
    const QString scheme = line.first(schemeEnd).toString().toLower();
    if (scheme == u"http"_s) {
        proxy.kind = Proxy::Kind::Http;
    } else if (scheme == u"socks5"_s) {
        proxy.kind = Proxy::Kind::Socks5;
    } else {
        return u"不支持的协议"_s;
    }
    for (const QChar c : line) {
        if (c.isSpace()) {
            return u"含有空白"_s;
        }
    }
    const QUrl url(line.toString(), QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty()) {
        return u"缺少主机或格式不对"_s;
    }
    if (!(url.path().isEmpty() || url.path() == u"/"_s) || url.hasQuery() || url.hasFragment()) {
        return u"代理地址不能带路径"_s;
    }
    if (url.port() <= 0) {
        return u"缺少端口"_s;
    }
    proxy.host = url.host();
    proxy.port = static_cast<quint16>(url.port());
    proxy.user = url.userName(QUrl::FullyDecoded);
    proxy.password = url.password(QUrl::FullyDecoded);
    return proxy;
}

}  // namespace

QString redacted(const Proxy& proxy) {
    QString text = proxy.kind == Proxy::Kind::Socks5 ? u"socks5://"_s : u"http://"_s;
    if (!proxy.user.isEmpty() || !proxy.password.isEmpty()) {
        text += proxy.user + (proxy.password.isEmpty() ? u"@"_s : u":***@"_s);
    }
    const QString host = proxy.host.contains(u':') ? u'[' + proxy.host + u']' : proxy.host;
    return text + host + u':' + QString::number(proxy.port);
}

ProxyList parseProxyList(QStringView text) {
    ProxyList list;
    int number = 0;
    for (QStringView line : text.split(u'\n')) {
        ++number;
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(u'#')) {
            continue;
        }
        auto parsed = parseLine(line);
        if (auto* proxy = std::get_if<Proxy>(&parsed)) {
            list.proxies.push_back(std::move(*proxy));
        } else {
            list.problems.append(
                u"第 %1 行（%2）：%3"_s.arg(number).arg(redactedLine(line), std::get<QString>(parsed)));
        }
    }
    return list;
}

std::vector<Proxy> readProxyFile(const QString& path, QStringList& problems) {
    QFile file(path);
    if (!file.exists()) {
        return {};
    }
    if (!file.open(QIODevice::ReadOnly)) {
        problems.append(u"无法读取：%1"_s.arg(file.errorString()));
        return {};
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        problems.append(u"无法读取：%1"_s.arg(file.errorString()));
        return {};
    }
    // Written in any editor, as a domain file is.
    const std::optional<QString> text = decodeUserText(bytes);
    if (!text) {
        problems.append(u"不是文本文件（UTF-8、UTF-16 或 GBK）"_s);
        return {};
    }
    ProxyList list = parseProxyList(*text);
    problems += list.problems;
    return std::move(list.proxies);
}

QString proxyProblemsMessage(const QString& path, const QStringList& problems) {
    return u"代理列表 %1 中有无法使用的行，已跳过：\n"_s.arg(path) + problems.join(u'\n');
}

}  // namespace quorvane
