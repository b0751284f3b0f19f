// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/domain_file.h"
#include "batch/domain_list.h"
#include "batch/page_parsers.h"
#include "fetch/proxy_pool.h"
#include "keywords/keyword_parser.h"
#include "replica_site.h"
#include "text/text_file.h"
#include "virtual_time.h"

#include <QFile>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace quorvane;

Q_DECLARE_METATYPE(quorvane::ResultCount::Kind)

namespace {

const QString kKeywordMarker = u"累计找到 <span style=\"color:#F00\">"_s;
const QString kTrafficMarker = u"网站的流量为：<span style=\"color:#F00\">"_s;

// "w=5|k=1234|t=56|s=2026-11-30|i=-" style summary of what the parser cut out; "-": no figure.
QString summary(const std::vector<StatsFigure>& figures) {
    static const char* names[] = {"w", "k", "t", "s", "i"};
    QStringList parts;
    for (const StatsFigure& figure : figures) {
        parts.append(QLatin1StringView(names[static_cast<int>(figure.field)]) + u'=' +
                     (figure.found ? figure.text : u"-"_s));
    }
    return parts.join(u'|');
}

QString page(const QString& section) {
    return u"<html><head><title>x</title></head><body><div>百度权重值为"_s + section +
           u"</div><div>收录数：999 </div></body></html>"_s;
}

}  // namespace

class TestParsers final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void proxyList_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("proxies");  // as redacted() names them, each with its password after
        QTest::addColumn<QString>("problems");
        QTest::newRow("http, credentials") << u"http://h:1\nhttp://bob:s3cret@h:2"_s
                                           << u"http://h:1 |http://bob:***@h:2 s3cret"_s << QString();
        QTest::newRow("socks5") << u"SOCKS5://u:a%40b@[::1]:1/"_s << u"socks5://u:***@[::1]:1 a@b"_s
                                << QString();
        QTest::newRow("skipped lines")
            << u"\n# x\n  \r\n  http://h:4 \r\n\t#c"_s << u"http://h:4 "_s << QString();
        QTest::newRow("bad lines named, the others kept")
            << u"http://a:1\nftp://bob:s3cret@b:2\nhttp://c\nhttp://h:0"_s << u"http://a:1 "_s
            << u"第 2 行（ftp://bob:***@b:2）：不支持的协议|第 3 行（http://c）：缺少端口|第 4 行（http://h:0）：缺少端口"_s;
        QTest::newRow("no scheme") << u"bob:s3cret@h:1"_s << QString()
                                   << u"第 1 行（bob:***@h:1）：缺少 http:// 或 socks5://"_s;
        QTest::newRow("password with @ and /") << u"http://bob:se/c@ret@h"_s << QString()
                                               << u"第 1 行（http://bob:***@h）：缺少主机或格式不对"_s;
        QTest::newRow("blank, path")
            << u"http://h :1\nhttp://h:1/x"_s << QString()
            << u"第 1 行（http://h :1）：含有空白|第 2 行（http://h:1/x）：代理地址不能带路径"_s;
    }
    void proxyList() {
        QFETCH(QString, text);
        QFETCH(QString, proxies);
        QFETCH(QString, problems);
        const ProxyList list = parseProxyList(text);
        QStringList parsed;
        for (const Proxy& proxy : list.proxies) {
            parsed.append(redacted(proxy) + u' ' + proxy.password);
        }
        QCOMPARE(parsed.join(u'|'), proxies);
        QCOMPARE(list.problems.join(u'|'), problems);
    }
    void proxyFile_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("proxies");
        QTest::addColumn<QString>("said");
        const QString lines = u"http://a:1\r\nbad\r\n"_s;
        const QString badLine = u"第 2 行（bad）：缺少 http:// 或 socks5://"_s;
        QTest::newRow("utf-8 with bom") << "\xef\xbb\xbf" + lines.toUtf8() << 1 << badLine;
        QTest::newRow("utf-16 as Notepad saves it")
            << "\xff\xfe" + QByteArray(reinterpret_cast<const char*>(lines.utf16()), lines.size() * 2) << 1
            << badLine;
        QTest::newRow("no text") << QByteArray("http://a:1\0", 11) << 0
                                 << u"不是文本文件（UTF-8、UTF-16 或 GBK）"_s;
    }
    void proxyFile() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, proxies);
        QFETCH(QString, said);
        QStringList problems;
        QVERIFY(readProxyFile(u"/nonexistent/proxies.txt"_s, problems).empty() && problems.isEmpty());
        QTemporaryDir dir;
        QFile file(dir.filePath(u"proxies.txt"_s));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        file.close();
        QCOMPARE(int(readProxyFile(file.fileName(), problems).size()), proxies);
        QCOMPARE(problems.join(u'|'), said);
    }
    void proxyPoolTakesTurnsAndSetsAsideForTenMinutes() {
        testing::VirtualTime time;
        ProxyPool pool(time);
        QVERIFY(!pool.next() && !pool.allSetAside());
        const Proxy a{Proxy::Kind::Http, u"a"_s, 1, {}, {}}, b{Proxy::Kind::Http, u"b"_s, 2, {}, {}};
        pool.setProxies({a, b});
        QVERIFY(pool.next() == a && pool.next() == b && pool.next() == a);
        pool.setAside(b);
        QVERIFY(pool.next() == a && pool.next() == a && !pool.allSetAside());
        time.advance(5000);
        pool.setAside(a);  // all aside: the first to come back is still handed out
        QVERIFY(pool.allSetAside() && pool.next() == b);
        time.advance(ProxyPool::kSetAsideSeconds * 1000 - 5000);
        QVERIFY(!pool.isSetAside(b) && pool.isSetAside(a));
    }
    void statsPage_data();
    void statsPage();
    void statsPageOfReplicaSite();
    void keywordPages_data();
    void keywordPages();
    void resultCount_data();
    void resultCount();
    void resultCountOfReplicaSite();
    void verificationPage_data();
    void verificationPage();
    void domainLinesOfTheBox_data();
    void domainLinesOfTheBox();
    void keywordTable_data();
    void keywordTable();
    void domainFile_data();
    void domainFile();
    void savedRow_data();
    void savedRow();
};

void TestParsers::statsPage_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("figures");
    const QString full = u"5，网站 "_s + kKeywordMarker + u"1234</span>个 "_s + kTrafficMarker +
                         u"56</span> 百度快照日期：2026-11-30 更新 收录数：789 条"_s;
    QTest::newRow("all markers") << page(full) << u"w=5|k=1234|t=56|s=2026-11-30|i=789"_s;
    QTest::newRow("two-digit weight")
        << page(u"10"_s + full.mid(2)) << u"w=10|k=1234|t=56|s=2026-11-30|i=789"_s;
    QTest::newRow("empty section") << page(QString()) << u"w=-|k=-|t=-|s=-|i=-"_s;
    QTest::newRow("marker at the very end") << u"abc百度权重值为"_s << u"w=-|k=-|t=-|s=-|i=-"_s;
    QTest::newRow("no weight marker") << u"<html>nothing</html>"_s << QString();
    QTest::newRow("failure text") << u"失败"_s << QString();
    QTest::newRow("empty keyword count")
        << page(u"3，"_s + kKeywordMarker + u"<b>"_s + kTrafficMarker + u"9<"_s) << u"w=3|k=-|t=9|s=-|i=-"_s;
    QTest::newRow("missing keyword marker")
        << page(u"3，"_s + kTrafficMarker + u"9< 百度快照日期：2026-01-01 "_s)
        << u"w=3|k=-|t=9|s=2026-01-01|i=-"_s;
    QTest::newRow("missing traffic marker")
        << page(u"3，"_s + kKeywordMarker + u"12<"_s) << u"w=3|k=12|t=-|s=-|i=-"_s;
    QTest::newRow("snapshot without blank takes the rest")
        << page(u"3，"_s + kKeywordMarker + u"1<"_s + kTrafficMarker + u"2<百度快照日期：2026-12-01"_s)
        << u"w=3|k=1|t=2|s=2026-12-01|i=-"_s;
    QTest::newRow("figures outside the section are not seen")
        << page(u"4，"_s + kKeywordMarker + u"7<"_s + kTrafficMarker + u"8< 百度快照日期：2026-02-02 "_s)
        << u"w=4|k=7|t=8|s=2026-02-02|i=-"_s;
    QTest::newRow("snapshot right at blank is no date")
        << page(u"1，"_s + kKeywordMarker + u"1<"_s + kTrafficMarker + u"1<百度快照日期： x 收录数：5 "_s)
        << u"w=1|k=1|t=1|s=-|i=5"_s;
    QTest::newRow("only the first weight marker counts")
        << u"<div>百度权重值为2，</div><div>百度权重值为8，</div>"_s << u"w=2|k=-|t=-|s=-|i=-"_s;
    QTest::newRow("a range of visits, grouped counts")
        << page(u"6，"_s + kKeywordMarker + u"1,234<"_s + kTrafficMarker +
                u"765~1255< 百度快照日期：2026/3/9 "_s)
        << u"w=6|k=1,234|t=765~1255|s=2026/3/9|i=-"_s;
    QTest::newRow("texts that are no figures")
        << page(u"--"_s + kKeywordMarker + u"很多<"_s + kTrafficMarker +
                u"-5< 百度快照日期：2026-13-01 收录数：n/a "_s)
        << u"w=-|k=-|t=-|s=-|i=-"_s;
    const replica::StatsFigures partial = replica::statsFiguresFor(u"partial.cn"_s);
    QTest::newRow("a page that stops early")
        << QString::fromUtf8(replica::replicaReply(replica::requestFor("/baidu/partial.cn/")).body)
        << u"w="_s + partial.weight + u"|k="_s + partial.keywords + u"|t=-|s=-|i=-"_s;
}

void TestParsers::statsPage() {
    QFETCH(QString, text);
    QFETCH(QString, figures);
    QCOMPARE(summary(parseStatsPage(text)), figures);
}

void TestParsers::statsPageOfReplicaSite() {
    for (const QString& domain : {u"www.baidu.com"_s, u"a.cn"_s, u" spaced.com "_s}) {
        const replica::StatsFigures expected = replica::statsFiguresFor(domain);
        const QString text = QString::fromUtf8(replica::statsPageFor(domain));
        QCOMPARE(summary(parseStatsPage(text)), u"w="_s + expected.weight + u"|k="_s + expected.keywords +
                                                    u"|t="_s + expected.traffic + u"|s="_s +
                                                    expected.snapshot + u"|i="_s + expected.indexed);
    }
}

void TestParsers::keywordPages_data() {
    QTest::addColumn<QString>("count");
    QTest::addColumn<int>("pages");  // -1: no page count
    // Rounded up: a last page with one or two keywords is still read.
    QTest::newRow("1") << u"1"_s << 1;
    QTest::newRow("2") << u"2"_s << 1;
    QTest::newRow("25") << u"25"_s << 1;
    QTest::newRow("26") << u"26"_s << 2;
    QTest::newRow("27") << u"27"_s << 2;
    QTest::newRow("50") << u"50"_s << 2;
    QTest::newRow("51") << u"51"_s << 3;
    QTest::newRow("1000") << u"1000"_s << 40;
    QTest::newRow("1003 capped") << u"1003"_s << 40;
    QTest::newRow("grouped 1,003") << u"1,003"_s << 40;
    QTest::newRow("0") << u"0"_s << 0;
    QTest::newRow("819178 still gets its 40 pages") << u"819178"_s << 40;
    QTest::newRow("1e30") << u"1e30"_s << 40;
    QTest::newRow("empty") << QString() << -1;
    QTest::newRow("not a number") << u"abc"_s << -1;
}

void TestParsers::keywordPages() {
    QFETCH(QString, count);
    QFETCH(int, pages);
    const auto result = keywordPagesFor(count);
    QCOMPARE(result.has_value(), pages >= 0);
    if (pages >= 0) {
        QCOMPARE(*result, pages);
    }
}

void TestParsers::resultCount_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<ResultCount::Kind>("kind");
    QTest::addColumn<QString>("figure");
    using K = ResultCount::Kind;
    QTest::newRow("about 1,230") << u"<p>百度为您找到相关结果约1,230个</p>"_s << K::Figure << u"1,230"_s;
    QTest::newRow("site: count line") << u"找到相关结果数约7,400个"_s << K::Figure << u"7,400"_s;
    QTest::newRow("ungrouped, no 约") << u"找到相关结果 92 个"_s << K::Figure << u"92"_s;
    QTest::newRow("no 个") << u"找到相关结果约12 条 约"_s << K::NoCount << QString();
    QTest::newRow("marker twice") << u"找到相关结果约5个 找到相关结果约9个"_s << K::Figure << u"5"_s;
    QTest::newRow("个 only after second marker")
        << u"找到相关结果约5 找到相关结果9个"_s << K::NoCount << QString();
    QTest::newRow("nothing after marker") << u"abc找到相关结果"_s << K::NoCount << QString();
    QTest::newRow("second marker at once") << u"找到相关结果找到相关结果3个"_s << K::NoCount << QString();
    QTest::newRow("个 at once") << u"找到相关结果个"_s << K::NoCount << QString();
    QTest::newRow("words, not a number") << u"找到相关结果约很多个"_s << K::NoCount << QString();
    QTest::newRow("no marker") << u"<html>没有结果</html>"_s << K::NoCount << QString();
    QTest::newRow("failure text") << u"失败"_s << K::NoCount << QString();
    QTest::newRow("no results, no comma")
        << u"<p>抱歉没有找到与<em>“site:a.cn”</em>相关的网页。</p>"_s << K::NoResults << QString();
    QTest::newRow("no results, words apart")
        << u"<p>抱歉，没有找到与“site:a.cn”的网页</p>"_s << K::NoCount << QString();
    const auto file = [](const char* name) {
        QFile page(QFINDTESTDATA(QString::fromLatin1("data/baidu/") + QLatin1StringView(name)));
        return page.open(QIODevice::ReadOnly) ? QString::fromUtf8(page.readAll()) : QString();
    };
    QTest::newRow("today's domain: page") << file("domain-query.html") << K::Figure << u"1,240,000"_s;
    QTest::newRow("today's site: page") << file("site-query.html") << K::Figure << u"7,400"_s;
    QTest::newRow("today's no-result page") << file("no-results.html") << K::NoResults << QString();
    QTest::newRow("page cut off after the marker") << file("cut-off.html") << K::NoCount << QString();
    QTest::newRow("robot check") << file("verify.html") << K::NoCount << QString();
    QTest::newRow("portal page") << file("portal.html") << K::NoCount << QString();
}

void TestParsers::resultCount() {
    QFETCH(QString, text);
    QFETCH(ResultCount::Kind, kind);
    QFETCH(QString, figure);
    QVERIFY(!text.isEmpty());
    const ResultCount count = parseResultCount(text);
    QCOMPARE(count.kind, kind);
    QCOMPARE(count.figure, figure);
}

void TestParsers::resultCountOfReplicaSite() {
    // Domains that name the check page or its host still get their real counts.
    for (const QString& domain : {u"www.qq.com"_s, u"wappass.baidu.com"_s, u"百度安全验证.com"_s}) {
        for (const auto kind : {replica::QueryKind::Domain, replica::QueryKind::Site}) {
            const QString text = QString::fromUtf8(replica::resultPageFor(kind, domain));
            const ResultCount count = parseResultCount(text);
            QCOMPARE(count.kind, ResultCount::Kind::Figure);
            QCOMPARE(count.figure, replica::resultCountFor(kind, domain));
            QVERIFY(!isFailedAnswer(text));
        }
    }
}

void TestParsers::verificationPage_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("verification");
    QTest::newRow("title") << u"<html><head><title>百度安全验证</title></head></html>"_s << true;
    QTest::newRow("title with attributes") << u"<title lang=\"zh\">百度安全验证</title>"_s << true;
    QTest::newRow("redirect body") << u"<a href=\"https://wappass.baidu.com/static/captcha\">here</a>"_s
                                   << true;
    QTest::newRow("results page") << u"<title>百度搜索</title>找到相关结果约3个"_s << false;
    QTest::newRow("words in body only") << u"<title>百度搜索</title><p>百度安全验证</p>"_s << false;
    QTest::newRow("title padded") << u"<title>\n  百度安全验证 </title>"_s << true;
    QTest::newRow("query in the title")
        << u"<title>site:百度安全验证.com_百度搜索</title>找到相关结果约3个"_s << false;
    QTest::newRow("results that link to the check host")
        << u"<title>site:wappass.baidu.com</title>百度为您找到相关结果约204个"_s << false;
}

void TestParsers::verificationPage() {
    QFETCH(QString, text);
    QFETCH(bool, verification);
    QCOMPARE(isVerificationPage(text), verification);
    QCOMPARE(isFailedAnswer(text), verification);
}

void TestParsers::domainLinesOfTheBox_data() {
    QTest::addColumn<QString>("boxText");
    QTest::addColumn<QStringList>("rows");  // "number:domain"
    const QString pad(40, u'x');            // longer than the scanner's blocks
    QTest::newRow("every kind of break")
        << u"a.com\r\nb.com\nc.com\rd.com\u2029e.com\u2028f.com"_s
        << QStringList{u"1:a.com"_s, u"2:b.com"_s, u"3:c.com"_s, u"4:d.com"_s, u"5:e.com"_s, u"6:f.com"_s};
    QTest::newRow("CR CR LF is two breaks")
        << u"a.com\r\r\nb.com"_s << QStringList{u"1:a.com"_s, u"3:b.com"_s};
    QTest::newRow("LF CR is two breaks") << u"a.com\n\rb.com"_s << QStringList{u"1:a.com"_s, u"3:b.com"_s};
    QTest::newRow("final break, empty last piece skipped") << u"a.com\n"_s << QStringList{u"1:a.com"_s};
    QTest::newRow("only breaks") << u"\r\n\n"_s << QStringList{};
    QTest::newRow("empty") << QString() << QStringList{};
    QTest::newRow("no stop") << pad << QStringList{};
    QTest::newRow("stop deep in a long line")
        << (pad + u'.' + pad + u"\n"_s + pad) << QStringList{u"1:"_s + pad + u'.' + pad};
    QTest::newRow("CR LF across a block edge")
        << (QString(31, u'y') + u"\r\n.b\n"_s + pad + u"\r"_s) << QStringList{u"2:.b"_s};
    QTest::newRow("stop right before a break in a long line")
        << (pad + u".\u2029"_s + pad + u"\u2028."_s) << QStringList{u"1:"_s + pad + u'.', u"3:."_s};
    QTest::newRow("breaks and stops after long plain runs")
        << (QString(40, u'y') + u"\n"_s + QString(45, u'z') + u".\r\n"_s + QString(70, u'w') + u"-."_s)
        << QStringList{u"2:"_s + QString(45, u'z') + u'.', u"3:"_s + QString(70, u'w') + u"-."_s};
    QTest::newRow("stop right after two plain blocks")
        << (QString(64, u'y') + u".\nb"_s) << QStringList{u"1:"_s + QString(64, u'y') + u'.'};
    QTest::newRow("three with final break")
        << u"a.com\r\nb.com\r\nc.com\r\n"_s << QStringList{u"1:a.com"_s, u"2:b.com"_s, u"3:c.com"_s};
    QTest::newRow("gap keeps numbering")
        << u"a.com\r\n\r\nb.com"_s << QStringList{u"1:a.com"_s, u"3:b.com"_s};
    QTest::newRow("mixed with gaps") << u"a.com\n\r\nb.com\r\rc.com\n"_s
                                     << QStringList{u"1:a.com"_s, u"3:b.com"_s, u"5:c.com"_s};
    QTest::newRow("word without stop skipped") << u"hello\r\nx.cn"_s << QStringList{u"2:x.cn"_s};
    QTest::newRow("blanks kept") << u"  a.com \t"_s << QStringList{u"1:  a.com \t"_s};
    QTest::newRow("scheme and slash kept") << u"http://www.a.com/"_s << QStringList{u"1:http://www.a.com/"_s};
    QTest::newRow("duplicates kept") << u"a.com\r\na.com"_s << QStringList{u"1:a.com"_s, u"2:a.com"_s};
}

void TestParsers::domainLinesOfTheBox() {
    QFETCH(QString, boxText);
    QFETCH(QStringList, rows);
    const auto summary = [](const std::vector<DomainLine>& lines) {
        QStringList got;
        for (const DomainLine& line : lines) {
            got.append(QString::number(line.number) + u':' + line.domain);
        }
        return got;
    };
    QCOMPARE(summary(domainLinesOfBox(boxText)), rows);
}

namespace {

// One table row as the statistics site writes it; an empty argument leaves that cell's marker out.
QString keywordRow(const QString& keyword, const QString& rank, const QString& index, const QString& indexed,
                   const QString& title) {
    QString row = u"<tr><td>"_s;
    if (!keyword.isNull())
        row += u"<a rel=\"nofollow\">"_s + keyword + u"</a>"_s;
    if (!rank.isNull())
        row += u"</td><td width=\"110%\">"_s + rank;
    if (!index.isNull())
        row += u"</td><td align=\"right\">"_s + index;
    if (!indexed.isNull())
        row += u"</td><td align=\"right\">"_s + indexed;
    if (!title.isNull())
        row += u"</td><td><a rel=\"nofollow\">"_s + title + u"</a>"_s;
    return row + u"</td></tr>"_s;
}

QString keywordPage(const QString& rows, const QString& tail = u"<div>页号 1 2 3</div>"_s) {
    return u"<table><tr><td>关键字</td><td>网页标题</td></tr>"_s + rows + u"</table>"_s + tail;
}

// "a|b|c|d|e;a|b" per row, "-" for a row without cells; "!" alone when the page did not parse.
QString tableSummary(const KeywordTable& table) {
    if (!table.parsed)
        return u"!"_s;
    QStringList rows;
    for (const KeywordTableRow& row : table.rows)
        rows.append(row.cells.isEmpty() ? u"-"_s : row.cells.join(u'|'));
    return rows.join(u';');
}

}  // namespace

void TestParsers::keywordTable_data() {
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("rows");
    const QString a = keywordRow(u"百度"_s, u"1"_s, u"100"_s, u"20"_s, u"首页"_s);
    const QString b = keywordRow(u"地图"_s, u"3"_s, u"99"_s, u"7"_s, u"地图页"_s);
    const QString header = u"<td>网页标题</td>"_s;
    QTest::newRow("two rows") << keywordPage(a + b) << u"百度|1|100|20|首页;地图|3|99|7|地图页"_s;
    QTest::newRow("empty cell") << keywordPage(keywordRow(u"k"_s, u""_s, u"1"_s, u"2"_s, u"t"_s))
                                << u"k||1|2|t"_s;
    QTest::newRow("entity kept") << keywordPage(keywordRow(u"a&amp;b"_s, u"1"_s, u"2"_s, u"3"_s, u"t"_s))
                                 << u"a&amp;b|1|2|3|t"_s;
    QTest::newRow("blanks kept") << keywordPage(keywordRow(u" k "_s, u" 1"_s, u"2 "_s, u"3"_s, u" t"_s))
                                 << u" k | 1|2 |3| t"_s;
    QTest::newRow("no paging area") << keywordPage(a, u"<div>end</div>"_s) << u"百度|1|100|20|首页"_s;
    QTest::newRow("rows after the paging area are not read")
        << keywordPage(a, u"页号"_s + b) << u"百度|1|100|20|首页"_s;
    QTest::newRow("no row start") << (u"x"_s + header + u"<td>a</td>页号"_s) << QString();
    QTest::newRow("paging area right after the header") << (header + u"页号"_s + a) << QString();
    QTest::newRow("missing rank marker in row 3 of 5")
        << keywordPage(a + b + keywordRow(u"k3"_s, QString(), u"1"_s, u"2"_s, u"t"_s) + a + b)
        << u"百度|1|100|20|首页;地图|3|99|7|地图页;k3;百度|1|100|20|首页;地图|3|99|7|地图页"_s;
    QTest::newRow("one number marker: cut stops at the second")
        << keywordPage(keywordRow(u"k"_s, u"1"_s, u"5"_s, QString(), u"t"_s)) << u"k|1|5"_s;
    QTest::newRow("markers out of order, third occurrences cut cells")
        << keywordPage(
               u"<tr><td width=\"110%\">2</td><a rel=\"nofollow\">k</a><td align=\"right\">5</td>"
               u"<td align=\"right\">6right\">x</td><a rel=\"nofollow\">t nofollow\">u</a></tr>"_s)
        << u"k|2|5|6|t "_s;
    QTest::newRow("marker ends the row") << (header + u"<tr>nofollow\">"_s) << u"-"_s;
    QTest::newRow("no header cell") << u"<table><tr><td>关键字</td></tr></table>"_s << u"!"_s;
    QTest::newRow("failure text") << u"失败"_s << u"!"_s;
    QTest::newRow("nothing after the header") << (u"x"_s + header) << u"!"_s;
}

void TestParsers::keywordTable() {
    QFETCH(QString, page);
    QFETCH(QString, rows);
    QCOMPARE(tableSummary(parseKeywordTable(page)), rows);
}

void TestParsers::domainFile_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");  // null: not text
    const QString domains = u"www.百度.com\r\n例子.cn\r\n"_s;
    QStringEncoder toGbk("GBK");
    const QByteArray gbk = toGbk.encode(domains);
    QTest::newRow("utf-8") << domains.toUtf8() << domains;
    QTest::newRow("utf-8 with bom") << (QByteArray("\xEF\xBB\xBF") + domains.toUtf8()) << domains;
    QTest::newRow("gbk") << gbk << domains;
    QTest::newRow("utf-16le with bom")
        << (QByteArray("\xFF\xFE") +
            QByteArray(reinterpret_cast<const char*>(domains.utf16()), domains.size() * 2))
        << domains;
    QTest::newRow("utf-16be with bom")
        << (QByteArray("\xFE\xFF") + QByteArray(QStringEncoder(QStringConverter::Utf16BE).encode(domains)))
        << domains;
    QTest::newRow("ascii") << QByteArray("a.com\nb.com") << u"a.com\nb.com"_s;
    QTest::newRow("empty") << QByteArray() << u""_s;
    QTest::newRow("nul byte") << QByteArray("a.com\0b.com", 11) << QString();
    QTest::newRow("nul byte after a utf-8 bom") << QByteArray(
                                                       "\xEF\xBB\xBF"
                                                       "a.com\0b.com",
                                                       14)
                                                << QString();
    QTest::newRow("neither utf-8 nor gbk") << QByteArray("\x81\x20\xFF\xFF") << QString();
    QTest::newRow("utf-16le cut inside a code unit") << QByteArray("\377\376a\0.\0c\0n", 9) << QString();
    QTest::newRow("utf-16be unpaired surrogate") << QByteArray("\xFE\xFF\xD8\x00\0a", 6) << QString();
}

void TestParsers::domainFile() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    const auto decoded = decodeUserText(bytes);
    QCOMPARE(decoded.has_value(), !text.isNull());
    if (decoded) {
        QCOMPARE(*decoded, text);
    }
}

void TestParsers::savedRow_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("fields");  // "|"-joined as imported; empty: no saved row
    QTest::newRow("whole row") << u"a.com|7|1,234|765~1255|7400|0|2026-01-01"_s
                               << u"a.com|7|1,234|765~1255|7400|0|2026-01-01"_s;
    QTest::newRow("failed and unknown cells")
        << u"d.example.com|7|失败|...|...|...|2026/1/1"_s << u"d.example.com|7|失败|...|...|...|2026/1/1"_s;
    // Cells no run writes are asked for again, not taken for figures.
    QTest::newRow("words and empty cells")
        << u"b.com|abc||0|-1|1.5|2026-02-30"_s << u"b.com|...|...|0|...|...|..."_s;
    QTest::newRow("six fields") << u"c.com|1|2|3|4|5"_s << QString();
    QTest::newRow("plain domain") << u"e.com"_s << QString();
}

void TestParsers::savedRow() {
    QFETCH(QString, line);
    QFETCH(QString, fields);
    const auto saved = savedRowFields(line);
    QCOMPARE(saved ? saved->join(u'|') : QString(), fields);
}

QTEST_GUILESS_MAIN(TestParsers)
#include "tst_parsers.moc"
