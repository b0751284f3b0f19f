// SPDX-License-Identifier: GPL-3.0-or-later
#include "replica_site.h"

#include <QDate>
#include <QStringEncoder>
#include <QtGlobal>

#include <algorithm>
#include <array>
#include <utility>

using namespace Qt::StringLiterals;

namespace quorvane::replica {

namespace {

// FNV-1a with a fixed basis, so figures are the same on every run and machine (qHash is
// seeded per process).
quint64 fnv1a(QByteArrayView bytes) {
    quint64 hash = 14695981039346656037ULL;
    for (const char c : bytes) {
        hash ^= quint8(c);
        hash *= 1099511628211ULL;
    }
    return hash;
}

// FNV's low bits are weak for small moduli; a splitmix finaliser spreads them.
quint64 mix(quint64 x) {
    x ^= x >> 30;
    x *= 0xbf58476d1ce4e5b9ULL;
    x ^= x >> 27;
    x *= 0x94d049bb133111ebULL;
    x ^= x >> 31;
    return x;
}

quint64 seedFor(QByteArrayView salt, const QString& domain) {
    const QByteArray key = salt.toByteArray() + '\n' + domain.toUtf8();
    return mix(fnv1a(key));
}

QString grouped(quint64 value) {
    const QString digits = QString::number(value);
    QString out;
    for (qsizetype i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) {
            out += u',';
        }
        out += digits[i];
    }
    return out;
}

QByteArray toGbk(const QString& text) {
    QStringEncoder encoder("GBK");
    if (!encoder.isValid()) {
        qWarning("quorvane-replica: this Qt has no GBK encoder; search pages will be empty");
        return {};
    }
    return encoder.encode(text);
}

QString queryText(QueryKind kind, const QString& domain) {
    return (kind == QueryKind::Domain ? u"domain:"_s : u"site:"_s) + domain;
}

QString statsHead(const QString& escapedDomain) {
    return uR"(<!DOCTYPE html>
<html lang="zh-CN">
<head>
<meta charset="utf-8">
<title>)"_s +
           escapedDomain +
           uR"(的百度权重_SEO综合查询 - 站长数据</title>
<meta name="keywords" content="百度权重,关键词排名,)"_s +
           escapedDomain +
           uR"(">
<link rel="stylesheet" href="/static/style.css">
</head>
<body>
<div class="top"><a href="/">站长数据</a> &gt; <a href="/baidu/">百度权重查询</a> &gt; )"_s +
           escapedDomain +
           uR"(</div>
<div class="search"><form action="/baidu/" method="get"><input type="text" name="domain" value=")"_s +
           escapedDomain +
           uR"("><button type="submit">查询</button></form></div>
)"_s;
}

QString statsTail() {
    return uR"(<div class="note">数据来源于公开页面，仅供参考。</div>
</div>
<div class="footer">&copy; 站长数据 · 关于我们 · 联系方式</div>
</body>
</html>
)"_s;
}

QString weightText(const StatsFigures& figures) {
    return u"百度权重值为"_s + figures.weight + u"，"_s;
}

QString keywordText(const StatsFigures& figures) {
    return uR"(累计找到 <span style="color:#F00">)"_s + figures.keywords + u"</span> 条关键词排名记录，"_s;
}

QByteArray partialStatsPageFor(const QString& domain) {
    const QString escaped = domain.toHtmlEscaped();
    const StatsFigures figures = statsFiguresFor(domain);
    const QString page = statsHead(escaped) +
                         uR"(<div class="main">
<div class="title"><h1>)"_s +
                         escaped + u" 的百度权重</h1></div>\n<div class=\"weight\">"_s + weightText(figures) +
                         keywordText(figures) + u"其余数据暂缺。</div>\n"_s + statsTail();
    return page.toUtf8();
}

QByteArray markerlessStatsPageFor(const QString& domain) {
    const QString escaped = domain.toHtmlEscaped();
    const QString page = statsHead(escaped) +
                         uR"(<div class="main">
<div class="title"><h1>)"_s +
                         escaped +
                         uR"(</h1></div>
<div class="empty">暂无该网站的统计数据，请稍后再查询。</div>
)"_s + statsTail();
    return page.toUtf8();
}

// Baidu serves UTF-8 today; the GBK form is the older one, still met on mirrors and caches.
QString resultHead(const QString& escapedQuery, const QString& charset = u"utf-8"_s) {
    return uR"(<!DOCTYPE html>
<html>
<head>
<meta http-equiv="content-type" content="text/html;charset=)"_s +
           charset +
           uR"(">
<title>)"_s +
           escapedQuery +
           uR"(_百度搜索</title>
</head>
<body>
<div id="head"><form name="f" action="/s"><input type="text" name="wd" value=")"_s +
           escapedQuery +
           uR"("><input type="submit" value="百度一下"></form></div>
<div id="container">
)"_s;
}

QByteArray partialResultPageFor(QueryKind kind, const QString& domain) {
    // Cut off right after the marker, as a dropped transfer would leave it.
    return (resultHead(queryText(kind, domain).toHtmlEscaped()) +
            u"<div class=\"result-molecule\"><span class=\"hint_PIwZX c_font_2AD7M\">百度为您找到相关结果"_s)
        .toUtf8();
}

QByteArray markerlessResultPageFor(QueryKind kind, const QString& domain) {
    const QString escaped = queryText(kind, domain).toHtmlEscaped();
    // Baidu's own page for a query without results: a real zero.
    return (resultHead(escaped) +
            uR"(<div class="nors"><p>抱歉，没有找到与<span style="font-family:宋体">“</span><em>)"_s +
            escaped +
            uR"(</em><span style="font-family:宋体">”</span>相关的网页。</p>
<p>温馨提示：</p><ul><li>请检查您的输入是否正确</li><li>如网页未收录，请提交网址给我们</li></ul></div>
</div>
</body>
</html>
)"_s)
        .toUtf8();
}

QByteArray verifyPage() {
    return QByteArray(
        uR"(<!DOCTYPE html>
<html>
<head>
<meta charset="utf-8">
<title>百度安全验证</title>
</head>
<body>
<div class="timeout"><div class="timeout-img"></div>
<div class="timeout-title">网络不给力，请稍后重试</div>
<a class="timeout-button" href="/">返回首页</a></div>
<div class="timeout-feedback"><a href="/">问题反馈</a></div>
</body>
</html>
)"_s.toUtf8());
}

QByteArray notFoundPage() {
    return QByteArrayLiteral(
        "<!DOCTYPE html>\n<html><head><title>404 Not Found</title></head>\n<body><h1>Not Found</h1>"
        "<p>The requested page does not exist on this server.</p></body></html>\n");
}

Reply unknownRoute() {
    return Reply::withStatus(404, QByteArrayLiteral("<h1>Not Found</h1>\n"));
}

QString decoded(QByteArrayView raw) {
    return QString::fromUtf8(QByteArray::fromPercentEncoding(raw.toByteArray()));
}

// The page with bytes put in front of the first occurrence of marker (or at its end).
QByteArray spliced(const QByteArray& page, const QByteArray& marker, QByteArrayView bytes) {
    const qsizetype at = page.indexOf(marker);
    QByteArray out = page;
    out.insert(at < 0 ? out.size() : at, bytes);
    return out;
}

Reply redirectTo(const QByteArray& location) {
    Reply reply = Reply::withStatus(302, "<html><body>Moved</body></html>\n");
    reply.headers.append({QByteArrayLiteral("Location"), location});
    return reply;
}

// The normal answer as raw bytes: a head with extra header lines making it kBigHeaderBytes larger.
Reply bigHeader(const Reply& normal) {
    QByteArray head = "HTTP/1.1 200 OK\r\nContent-Type: " + normal.contentType +
                      "\r\nContent-Length: " + QByteArray::number(normal.body.size()) +
                      "\r\nConnection: close\r\n";
    const QByteArray filler(100, 'x');
    const qsizetype target = head.size() + kBigHeaderBytes;
    for (int n = 0; head.size() < target; ++n) {
        head += "X-Filler-" + QByteArray::number(n) + ": " + filler + "\r\n";
    }
    return Reply::rawBytes(head + "\r\n" + normal.body);
}

// A head announcing the whole body, then only its first half.
Reply cutOff(const Reply& normal) {
    const QByteArray head = "HTTP/1.1 200 OK\r\nContent-Type: " + normal.contentType +
                            "\r\nContent-Length: " + QByteArray::number(normal.body.size()) +
                            "\r\nConnection: close\r\n\r\n";
    return Reply::rawBytes(head + normal.body.first(normal.body.size() / 2));
}

enum class Route { Stats, Keywords, Search, Unknown };

struct Routed {
    Route route = Route::Unknown;
    QueryKind kind = QueryKind::Site;
    QString domain;
    int page = 0;
};

bool allDigits(QByteArrayView text) {
    return !text.isEmpty() && text.size() <= 6 &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

QString keywordPageHtml(const QString& domain, int page, bool withHeader, int rowWithoutRank) {
    const QString escaped = domain.toHtmlEscaped();
    QString html =
        statsHead(escaped) + u"<div class=\"main\"><div class=\"title\"><h1>"_s + escaped +
        u" 的关键词排名</h1></div>\n<table class=\"kw\">\n<tr><td>关键词</td><td>排名</td><td>百度指数</td>"
        u"<td>收录量</td>"_s +
        (withHeader ? u"<td>网页标题</td>"_s : u"<td>标题</td>"_s) + u"</tr>\n"_s;
    const QList<KeywordFigures> rows = keywordRowsFor(domain, page);
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const KeywordFigures& row = rows[i];
        html += u"<tr><td><a href=\"/s?wd="_s + QString::number(i) + u"\" rel=\"nofollow\">"_s + row.keyword +
                u"</a></td>"_s;
        if (i + 1 != rowWithoutRank) {
            html += u"<td style=\"width:110%\">"_s + row.rank + u"</td>"_s;
        }
        html += u"<td align=\"right\">"_s + row.index + u"</td><td align=\"right\">"_s + row.indexed +
                u"</td><td><a href=\"http://"_s + escaped + u"/\" rel=\"nofollow\">"_s + row.title +
                u"</a></td></tr>\n"_s;
    }
    const int count = statsFiguresFor(domain).keywords.toInt();
    html += u"</table>\n<div class=\"pages\">页号："_s;
    for (int p = 0; p * kKeywordsPerPage < count; ++p) {
        html += (p == page ? u"<strong>"_s
                           : u"<a href=\"/baidu/"_s + escaped + u"/"_s + QString::number(p) + u"/\">"_s) +
                QString::number(p + 1) + (p == page ? u"</strong> "_s : u"</a> "_s);
    }
    return html + u"</div></div>\n"_s + statsTail();
}

Routed route(const Request& request) {
    // Split the raw target, then decode: a "%2F" inside the domain must not look like a slash.
    const qsizetype question = request.target.indexOf('?');
    const QByteArrayView rawPath =
        question < 0 ? QByteArrayView(request.target) : QByteArrayView(request.target).first(question);
    Routed routed;
    if (rawPath.startsWith("/baidu/")) {
        QByteArrayView rest = rawPath.sliced(7);
        if (rest.endsWith('/')) {
            rest.chop(1);
        }
        const qsizetype slash = rest.indexOf('/');
        if (!rest.isEmpty() && slash < 0) {
            routed.route = Route::Stats;
            routed.domain = decoded(rest);
        } else if (slash > 0 && rawPath.endsWith('/') && allDigits(rest.sliced(slash + 1))) {
            routed.route = Route::Keywords;
            routed.domain = decoded(rest.first(slash));
            routed.page = rest.sliced(slash + 1).toByteArray().toInt();
        }
        return routed;
    }
    if (rawPath != "/s") {
        return routed;
    }
    const QList<QByteArray> fields = request.query.split('&');
    for (const QByteArray& field : fields) {
        if (!field.startsWith("wd=")) {
            continue;
        }
        const QString words = decoded(QByteArrayView(field).sliced(3));
        const std::array<std::pair<QString, QueryKind>, 2> prefixes{
            {{u"domain:"_s, QueryKind::Domain}, {u"site:"_s, QueryKind::Site}}};
        for (const auto& [prefix, kind] : prefixes) {
            if (words.startsWith(prefix) && words.size() > prefix.size()) {
                routed.route = Route::Search;
                routed.kind = kind;
                routed.domain = words.sliced(prefix.size());
            }
        }
        break;
    }
    return routed;
}

}  // namespace

FaultMode faultModeFor(const QString& domain) {
    const qsizetype dot = domain.indexOf(u'.');
    const QStringView label = dot < 0 ? QStringView(domain) : QStringView(domain).first(dot);
    const std::array<std::pair<QStringView, FaultMode>, 23> modes{{
        {u"kwnohead", FaultMode::KwNoHead}, {u"kwmissing", FaultMode::KwMissing},
        {u"kwentity", FaultMode::KwEntity}, {u"kwfail", FaultMode::KwFail},
        {u"hang", FaultMode::Hang},         {u"notfound", FaultMode::NotFound},
        {u"empty", FaultMode::Empty},       {u"nomarker", FaultMode::NoMarker},
        {u"partial", FaultMode::Partial},   {u"garbage", FaultMode::Garbage},
        {u"huge", FaultMode::Huge},         {u"verify", FaultMode::Verify},
        {u"slow", FaultMode::Slow},         {u"trickle", FaultMode::Trickle},
        {u"cutoff", FaultMode::Cutoff},     {u"loop", FaultMode::Loop},
        {u"scheme", FaultMode::Scheme},     {u"bigheader", FaultMode::BigHeader},
        {u"badutf8", FaultMode::BadUtf8},   {u"badgbk", FaultMode::BadGbk},
        {u"flaky", FaultMode::Flaky},       {u"gbk", FaultMode::Gbk},
        {u"wappass", FaultMode::Wappass},
    }};
    for (const auto& [name, mode] : modes) {
        if (label.compare(name, Qt::CaseInsensitive) == 0) {
            return mode;
        }
    }
    return FaultMode::None;
}

StatsFigures statsFiguresFor(const QString& domain) {
    StatsFigures figures;
    figures.weight = QString::number(seedFor("weight", domain) % 11);
    figures.keywords = QString::number(seedFor("keywords", domain) % 3000);
    figures.traffic = QString::number(seedFor("traffic", domain) % 100000);
    figures.snapshot =
        QDate(2026, 1, 1).addDays(qint64(seedFor("snapshot", domain) % 365)).toString(Qt::ISODate);
    figures.indexed = QString::number(seedFor("indexed", domain) % 1000000);
    return figures;
}

QString resultCountFor(QueryKind kind, const QString& domain) {
    const quint64 seed = seedFor(kind == QueryKind::Domain ? "domain" : "site", domain);
    // Vary the magnitude too, so counts with and without separators both occur.
    quint64 limit = 10;
    for (quint64 digits = seed % 9; digits > 0; --digits) {
        limit *= 10;
    }
    return grouped((seed >> 8) % limit);
}

QByteArray statsPageFor(const QString& domain) {
    const QString escaped = domain.toHtmlEscaped();
    const StatsFigures figures = statsFiguresFor(domain);
    // The side box repeats some markers before the real section, as such sites do; only the
    // section after the weight marker holds this domain's figures.
    const QString page = statsHead(escaped) +
                         uR"(<div class="related"><div class="title">同类网站</div>
<p>同类网站的流量为：<span style="color:#F00">--</span> 百度快照日期：-- 收录数：-- </p></div>
<div class="main">
<div class="title"><h1>)"_s +
                         escaped + u" 的百度权重</h1></div>\n<div class=\"weight\">"_s + weightText(figures) +
                         keywordText(figures) + uR"(预计来自百度网站的流量为：<span style="color:#F00">)"_s +
                         figures.traffic + u"</span> IP/日；百度快照日期："_s + figures.snapshot +
                         u" 收录数："_s + figures.indexed + u" 个页面。</div>\n"_s + statsTail();
    return page.toUtf8();
}

namespace {

// A result page as Baidu lays it out today: the count line of a domain: query, or the shorter one
// of a site: query ("找到相关结果数约N个").
QString resultPageText(QueryKind kind, const QString& domain, const QString& charset) {
    const QString escapedDomain = domain.toHtmlEscaped();
    const QString countLine = kind == QueryKind::Site ? u"找到相关结果数约"_s : u"百度为您找到相关结果约"_s;
    return resultHead(queryText(kind, domain).toHtmlEscaped(), charset) +
           u"<div class=\"result-molecule\"><span class=\"hint_PIwZX c_font_2AD7M\"><span class=\"nums_text\">"_s +
           countLine + resultCountFor(kind, domain) +
           uR"(个</span></span></div>
<div id="content_left">
<div class="result"><h3><a href="http://)"_s +
           escapedDomain + u"/\">"_s + escapedDomain +
           uR"( - 首页</a></h3><div class="c-abstract">欢迎访问本站首页。</div></div>
<div class="result"><h3><a href="http://)"_s +
           escapedDomain + u"/about.html\">关于我们 - "_s + escapedDomain +
           uR"(</a></h3><div class="c-abstract">本站简介与联系方式。</div></div>
</div>
<div id="page"><strong>1</strong> <span>2</span> <span>3</span> <span>下一页&gt;</span></div>
</div>
</body>
</html>
)"_s;
}

}  // namespace

QByteArray resultPageFor(QueryKind kind, const QString& domain) {
    return resultPageText(kind, domain, u"utf-8"_s).toUtf8();
}

QByteArray gbkResultPageFor(QueryKind kind, const QString& domain) {
    return toGbk(resultPageText(kind, domain, u"gbk"_s));
}

QList<KeywordFigures> keywordRowsFor(const QString& domain, int page) {
    static const std::array<QStringView, 8> suffixes{u"官网",   u"下载", u"登录", u"怎么样",
                                                     u"是什么", u"价格", u"教程", u"客服电话"};
    const int count = statsFiguresFor(domain).keywords.toInt();
    const int first = page * kKeywordsPerPage;
    QList<KeywordFigures> rows;
    // Keywords are named after the site, not its "www".
    const QString name = (domain.startsWith(u"www."_s) ? domain.mid(4) : domain).section(u'.', 0, 0);
    for (int n = first; n < count && n < first + kKeywordsPerPage && page >= 0; ++n) {
        const quint64 seed = seedFor(QByteArray("keyword" + QByteArray::number(n)), domain);
        KeywordFigures row;
        row.keyword = name + suffixes[seed % suffixes.size()].toString() + QString::number(n + 1);
        if (faultModeFor(domain) == FaultMode::KwEntity) {
            row.keyword = u" "_s + row.keyword + u"&amp;"_s + name + u" "_s;
        }
        row.rank = QString::number(1 + (seed >> 8) % 50);
        row.index = QString::number((seed >> 16) % 2000);
        row.indexed = QString::number((seed >> 28) % 100000);
        row.title = domain.toHtmlEscaped() + u" - "_s + row.keyword + u"_相关页面"_s;
        rows.append(row);
    }
    return rows;
}

QByteArray keywordPageFor(const QString& domain, int page) {
    return keywordPageHtml(domain, page, true, 0).toUtf8();
}

QByteArray garbageFor(const QString& domain) {
    quint64 state = seedFor("garbage", domain) | 1U;
    const qsizetype size = 2048 + qsizetype(state % 4096);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char& byte : bytes) {
        // xorshift64*
        state ^= state >> 12;
        state ^= state << 25;
        state ^= state >> 27;
        byte = char((state * 0x2545f4914f6cdd1dULL) >> 56);
    }
    return bytes;
}

Request requestFor(const QByteArray& target) {
    Request request;
    request.method = "GET";
    request.target = target;
    const qsizetype question = target.indexOf('?');
    request.path = QByteArray::fromPercentEncoding(question < 0 ? target : target.left(question));
    request.query = question < 0 ? QByteArray() : target.mid(question + 1);
    return request;
}

QByteArray updatePage() {
    return toGbk(
        uR"(<!DOCTYPE html>
<html>
<head><meta http-equiv="Content-Type" content="text/html; charset=gbk"><title>新版发布</title></head>
<body><h1>Vantorel12 发布</h1><p>新版本查询更快，支持更多统计数据。</p></body>
</html>
)"_s);
}

Reply replicaReply(const Request& request) {
    if (request.method != "GET" && request.method != "HEAD") {
        Reply reply = Reply::withStatus(405, QByteArrayLiteral("<h1>Method Not Allowed</h1>\n"));
        reply.headers.append({QByteArrayLiteral("Allow"), QByteArrayLiteral("GET, HEAD")});
        return reply;
    }
    if (request.target == "/update/article/html/14916.html") {
        return Reply::ok(updatePage(), QByteArrayLiteral("text/html; charset=gbk"));
    }
    const Routed routed = route(request);
    if (routed.route == Route::Unknown) {
        return unknownRoute();
    }
    if (routed.route == Route::Keywords) {
        const QByteArray utf8 = QByteArrayLiteral("text/html; charset=utf-8");
        switch (faultModeFor(routed.domain)) {
            case FaultMode::KwNoHead:
                return Reply::ok(keywordPageHtml(routed.domain, routed.page, false, 0).toUtf8(), utf8);
            case FaultMode::KwMissing:
                return Reply::ok(
                    keywordPageHtml(routed.domain, routed.page, true, routed.page == 0 ? 3 : 0).toUtf8(),
                    utf8);
            case FaultMode::KwFail:
                if (routed.page == 1) {
                    return Reply::withStatus(500, QByteArrayLiteral("<h1>500 Internal Server Error</h1>\n"));
                }
                break;
            case FaultMode::None:
            case FaultMode::KwEntity:
            case FaultMode::Flaky:
                break;
            default:
                return Reply::withStatus(404, notFoundPage());
        }
        return Reply::ok(keywordPageFor(routed.domain, routed.page), utf8);
    }
    const bool stats = routed.route == Route::Stats;
    // Baidu writes its header without the blank.
    const QByteArray contentType =
        stats ? QByteArrayLiteral("text/html; charset=utf-8") : QByteArrayLiteral("text/html;charset=utf-8");
    const QString& domain = routed.domain;
    const auto normalPage = [&] {
        return Reply::ok(stats ? statsPageFor(domain) : resultPageFor(routed.kind, domain), contentType);
    };
    switch (faultModeFor(domain)) {
        case FaultMode::Hang:
            return Reply::hang();
        case FaultMode::NotFound:
            return Reply::withStatus(404, notFoundPage());
        case FaultMode::Empty:
            return Reply::ok({}, contentType);
        case FaultMode::NoMarker:
            return Reply::ok(
                stats ? markerlessStatsPageFor(domain) : markerlessResultPageFor(routed.kind, domain),
                contentType);
        case FaultMode::Partial:
            return Reply::ok(stats ? partialStatsPageFor(domain) : partialResultPageFor(routed.kind, domain),
                             contentType);
        case FaultMode::Garbage:
            return Reply::ok(garbageFor(domain), QByteArrayLiteral("text/html"));
        case FaultMode::Huge: {
            Reply reply = Reply::huge(kHugeBodyBytes);
            reply.contentType = contentType;
            return reply;
        }
        case FaultMode::Verify:
            return stats ? normalPage() : Reply::ok(verifyPage(), contentType);
        case FaultMode::Slow:
            return Reply::delayed(kSlowReplyMs, normalPage());
        case FaultMode::Trickle:
            return Reply::trickle(kTrickleByteMs, normalPage());
        case FaultMode::Cutoff:
            return cutOff(normalPage());
        case FaultMode::Loop:
            return redirectTo(request.target);
        case FaultMode::Scheme:
            return redirectTo(stats ? QByteArrayLiteral("file:///etc/passwd")
                                    : QByteArrayLiteral("ftp://127.0.0.1/"));
        case FaultMode::BigHeader:
            return bigHeader(normalPage());
        case FaultMode::BadUtf8:
            return stats ? Reply::ok(spliced(statsPageFor(domain), u"百度权重值为"_s.toUtf8(), kBadUtf8Bytes),
                                     contentType)
                         : normalPage();
        case FaultMode::BadGbk:
            return stats ? normalPage()
                         : Reply::ok(spliced(gbkResultPageFor(routed.kind, domain), toGbk(u"找到相关结果"_s),
                                             kBadGbkBytes),
                                     QByteArrayLiteral("text/html; charset=gbk"));
        case FaultMode::Gbk:
            return stats ? normalPage()
                         : Reply::ok(gbkResultPageFor(routed.kind, domain), QByteArrayLiteral("text/html"));
        case FaultMode::Wappass:
            return stats ? normalPage() : redirectTo(kVerificationAddress);
        case FaultMode::None:
        case FaultMode::KwNoHead:
        case FaultMode::KwMissing:
        case FaultMode::KwEntity:
        case FaultMode::KwFail:
        case FaultMode::Flaky:
            break;
    }
    return normalPage();
}

ReplicaSite::ReplicaSite(QObject* parent)
    : QObject(parent), server_([this](const Request& request) { return answer(request); }) {}

Reply ReplicaSite::answer(const Request& request) {
    Reply reply = replicaReply(request);
    const Routed routed = route(request);
    if (routed.route != Route::Unknown && faultModeFor(routed.domain) == FaultMode::Flaky &&
        !askedBefore_.contains(request.target)) {
        askedBefore_.insert(request.target);
        reply = Reply::withStatus(503, QByteArrayLiteral("<h1>503 Service Unavailable</h1>\n"));
    }
    reply.delayMs += extraDelayMs_;
    return reply;
}

void ReplicaSite::setExtraDelayMs(int ms) {
    extraDelayMs_ = ms;
}

bool ReplicaSite::listen(quint16 port, const QHostAddress& address) {
    return server_.listen(port, address);
}

quint16 ReplicaSite::port() const {
    return server_.port();
}

QString ReplicaSite::baseUrl() const {
    return server_.baseUrl();
}

QString ReplicaSite::errorString() const {
    return server_.errorString();
}

int ReplicaSite::requestCount() const {
    return server_.requestCount();
}

QList<QByteArray> ReplicaSite::targets() const {
    return server_.targets();
}

int ReplicaSite::openConnections() const {
    return server_.openConnections();
}

}  // namespace quorvane::replica
