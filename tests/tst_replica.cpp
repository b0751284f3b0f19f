// SPDX-License-Identifier: GPL-3.0-or-later
// The replica site and its HTTP server, over real loopback sockets.

#include "batch/page_parsers.h"
#include "mini_http_server.h"
#include "replica_site.h"

#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <QScopedPointer>
#include <QSet>
#include <QSignalSpy>
#include <QStringDecoder>
#include <QTcpSocket>
#include <QTest>
#include <QUrl>

#include <memory>
#include <optional>
#include <stdexcept>

using namespace Qt::StringLiterals;
using namespace quorvane::replica;

namespace {

const QString kWeightMarker = u"百度权重值为"_s;
const QString kKeywordMarker = uR"(累计找到 <span style="color:#F00">)"_s;
const QString kTrafficMarker = uR"(网站的流量为：<span style="color:#F00">)"_s;
const QString kSnapshotMarker = u"百度快照日期："_s;
const QString kIndexedMarker = u"收录数："_s;
const QStringList kStatsMarkers{kWeightMarker, kKeywordMarker, kTrafficMarker, kSnapshotMarker,
                                kIndexedMarker};
const QString kCountMarker = u"找到相关结果"_s;

// "找到相关结果" as GBK bytes, written out so the check does not lean on the encoder under test.
QByteArray gbkCountMarker() {
    return QByteArrayLiteral("\xd5\xd2\xb5\xbd\xcf\xe0\xb9\xd8\xbd\xe1\xb9\xfb");
}

// The two cutting operations the program applies to pages.
std::optional<QString> partAfter(const QString& text, const QString& marker) {
    const qsizetype at = text.indexOf(marker);
    if (at < 0) {
        return std::nullopt;
    }
    const qsizetype from = at + marker.size();
    const qsizetype next = text.indexOf(marker, from);
    return text.mid(from, next < 0 ? -1 : next - from);
}

QString partBefore(const QString& text, const QString& separator) {
    const qsizetype at = text.indexOf(separator);
    return at < 0 ? text : text.left(at);
}

QString fromGbk(const QByteArray& bytes) {
    QStringDecoder decoder("gb2312");
    return decoder.decode(bytes);
}

struct Fetched {
    int status = 0;
    QByteArray contentType;
    QByteArray body;
};

class Client final {
public:
    Client() { nam_.setProxy(QNetworkProxy::NoProxy); }

    QNetworkReply* get(const QUrl& url) {
        QNetworkRequest request(url);
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
        return nam_.get(request);
    }

    // Waits (within QSignalSpy's default time) for a whole reply.
    bool fetch(const QUrl& url, Fetched& out) {
        QScopedPointer<QNetworkReply, QScopedPointerDeleteLater> reply(get(url));
        QSignalSpy finished(reply.get(), &QNetworkReply::finished);
        if (!reply->isFinished() && !finished.wait()) {
            return false;
        }
        out.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        out.contentType = reply->rawHeader("Content-Type");
        out.body = reply->readAll();
        return true;
    }

    // Closes the idle connections Qt keeps open for later requests, or may have opened ahead of one.
    void closeIdleConnections() { nam_.clearConnectionCache(); }

private:
    QNetworkAccessManager nam_;
};

QUrl urlOf(const QString& base, const QString& pathAndQuery) {
    return QUrl(base + pathAndQuery);
}

// A bare socket, for requests no ordinary client would send.
class RawClient final {
public:
    explicit RawClient(quint16 port) {
        QObject::connect(&socket_, &QTcpSocket::readyRead, &socket_,
                         [this] { received_ += socket_.readAll(); });
        socket_.connectToHost(QHostAddress::LocalHost, port);
    }

    bool connected() const { return socket_.state() == QAbstractSocket::ConnectedState; }
    bool closed() const { return socket_.state() == QAbstractSocket::UnconnectedState; }

    void send(const QByteArray& bytes) {
        socket_.write(bytes);
        socket_.flush();
    }

    QByteArray received() {
        received_ += socket_.readAll();
        return received_;
    }

private:
    QTcpSocket socket_;
    QByteArray received_;
};

struct RawResponse {
    QByteArray statusLine;
    QList<QByteArray> headerLines;
    QByteArray body;

    QByteArray header(const QByteArray& name) const {
        for (const QByteArray& line : headerLines) {
            const qsizetype colon = line.indexOf(':');
            if (colon > 0 && line.first(colon).compare(name, Qt::CaseInsensitive) == 0) {
                return line.sliced(colon + 1).trimmed();
            }
        }
        return {};
    }
};

RawResponse parseResponse(const QByteArray& bytes) {
    RawResponse response;
    const qsizetype end = bytes.indexOf("\r\n\r\n");
    const QByteArray head = end < 0 ? bytes : bytes.first(end);
    response.body = end < 0 ? QByteArray() : bytes.sliced(end + 4);
    QList<QByteArray> lines = head.split('\n');
    for (QByteArray& line : lines) {
        if (line.endsWith('\r')) {
            line.chop(1);
        }
    }
    response.statusLine = lines.isEmpty() ? QByteArray() : lines.takeFirst();
    response.headerLines = lines;
    return response;
}

QByteArray getRequest(const QByteArray& target) {
    return "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nUser-Agent: tst_replica\r\n\r\n";
}

// One request on a connection of its own, and the answer the server sent before closing it; empty
// when the connection never opens or never closes.
RawResponse exchange(quint16 port, const QByteArray& request) {
    RawClient client(port);
    if (!QTest::qWaitFor([&] { return client.connected(); })) {
        return {};
    }
    client.send(request);
    if (!QTest::qWaitFor([&] { return client.closed(); })) {
        return {};
    }
    return parseResponse(client.received());
}

// A domain whose weight has the given number of digits, found rather than assumed.
QString domainWithWeightDigits(int digits) {
    for (int i = 0; i < 1000; ++i) {
        const QString domain = u"w"_s + QString::number(i) + u".example.com"_s;
        if (statsFiguresFor(domain).weight.size() == digits) {
            return domain;
        }
    }
    return {};
}

enum class Size { Empty, Page };

}  // namespace

class TestReplica final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void figuresAreDeterministicAndWellFormed();
    void figuresDoNotDependOnTheProcess();
    void faultModeComesFromTheFirstLabel();
    void misbehavingModesShapeTheirReplies_data();
    void misbehavingModesShapeTheirReplies();
    void statsPageCarriesMarkersAndFigures_data();
    void statsPageCarriesMarkersAndFigures();
    void resultPageIsUtf8WithTodaysCountLine_data();
    void resultPageIsUtf8WithTodaysCountLine();
    void faultModes_data();
    void faultModes();
    void hangHoldsTheConnectionUntilTheClientAborts_data();
    void hangHoldsTheConnectionUntilTheClientAborts();
    void hangingSocketClosesWithTheSite();
    void slowAnswersAfterADelay();
    void hugeStreamsTheWholeBody();
    void hugeAbortedMidwayClosesTheConnection();
    void splitRequestIsAnswered();
    void connectionsKeepSeparateBuffers();
    void concurrentRequestsAnswerBesideAHang();
    void percentEncodedDomainIsDecoded_data();
    void percentEncodedDomainIsDecoded();
    void clientEncodedDomainIsDecoded();
    void garbledRequestIsRefused_data();
    void garbledRequestIsRefused();
    void siteRefusesOtherMethods();
    void requestReachesTheHandler();
    void unsafeHeadersAreDropped();
    void rawBytesAreSentAsTheyAre();
    void headGetsNoBody();
    void emptyHugeBodyStillCloses();
    void handlerAnswersEveryRequest();
    void failingHandlerGives500();
    void listenReportsPortAndBaseUrl();
};

void TestReplica::figuresAreDeterministicAndWellFormed() {
    const QRegularExpression digits(u"^[0-9]+$"_s);
    const QRegularExpression groupedCount(u"^[0-9]{1,3}(,[0-9]{3})*$"_s);
    QSet<QString> weights;
    QSet<QString> keywordCounts;
    int differentKinds = 0;
    bool sawSeparator = false;
    bool sawPlainCount = false;
    for (int i = 0; i < 300; ++i) {
        const QString domain = u"d"_s + QString::number(i) + u".example.org"_s;
        const StatsFigures figures = statsFiguresFor(domain);
        const StatsFigures again = statsFiguresFor(domain);
        QCOMPARE(again.weight, figures.weight);
        QCOMPARE(again.keywords, figures.keywords);
        QCOMPARE(again.traffic, figures.traffic);
        QCOMPARE(again.snapshot, figures.snapshot);
        QCOMPARE(again.indexed, figures.indexed);

        bool ok = false;
        const int weight = figures.weight.toInt(&ok);
        QVERIFY(ok);
        QVERIFY(weight >= 0 && weight <= 10);
        QVERIFY2(digits.match(figures.keywords).hasMatch(), qPrintable(figures.keywords));
        QVERIFY2(digits.match(figures.traffic).hasMatch(), qPrintable(figures.traffic));
        QVERIFY2(digits.match(figures.indexed).hasMatch(), qPrintable(figures.indexed));
        QVERIFY2(QDate::fromString(figures.snapshot, u"yyyy-MM-dd"_s).isValid(),
                 qPrintable(figures.snapshot));
        weights.insert(figures.weight);
        keywordCounts.insert(figures.keywords);

        const QString site = resultCountFor(QueryKind::Site, domain);
        const QString backlinks = resultCountFor(QueryKind::Domain, domain);
        QCOMPARE(resultCountFor(QueryKind::Site, domain), site);
        QVERIFY2(groupedCount.match(site).hasMatch(), qPrintable(site));
        QVERIFY2(groupedCount.match(backlinks).hasMatch(), qPrintable(backlinks));
        differentKinds += site != backlinks ? 1 : 0;
        sawSeparator = sawSeparator || site.contains(u',');
        sawPlainCount = sawPlainCount || !site.contains(u',');
    }
    // Both weight shapes, varied counts, and counts that differ by query kind must occur,
    // or pages would not exercise the parsers.
    QVERIFY(weights.contains(u"10"_s));
    QVERIFY(weights.size() == 11);
    QVERIFY(keywordCounts.size() > 200);
    QVERIFY(differentKinds > 250);
    QVERIFY(sawSeparator);
    QVERIFY(sawPlainCount);
}

void TestReplica::figuresDoNotDependOnTheProcess() {
    // Pinned so a per-process hash seed (or a changed hash) shows up: other suites and saved
    // expectations rely on the same domain giving the same figures everywhere.
    const StatsFigures figures = statsFiguresFor(u"example.com"_s);
    QCOMPARE(figures.weight, u"2"_s);
    QCOMPARE(figures.keywords, u"256"_s);
    QCOMPARE(figures.traffic, u"40570"_s);
    QCOMPARE(figures.snapshot, u"2026-06-18"_s);
    QCOMPARE(figures.indexed, u"297699"_s);
    QCOMPARE(resultCountFor(QueryKind::Domain, u"example.com"_s), u"8,247,066"_s);
    QCOMPARE(resultCountFor(QueryKind::Site, u"example.com"_s), u"7"_s);
}

void TestReplica::faultModeComesFromTheFirstLabel() {
    QCOMPARE(faultModeFor(u"hang.example.com"_s), FaultMode::Hang);
    QCOMPARE(faultModeFor(u"Partial.example.com"_s), FaultMode::Partial);
    QCOMPARE(faultModeFor(u"garbage"_s), FaultMode::Garbage);
    QCOMPARE(faultModeFor(u"www.hang.example.com"_s), FaultMode::None);
    QCOMPARE(faultModeFor(u"hanger.example.com"_s), FaultMode::None);
    QCOMPARE(faultModeFor(u"example.com"_s), FaultMode::None);
    QCOMPARE(faultModeFor(QString()), FaultMode::None);
}

// The modes for misbehaving sites, checked on the reply itself; the fetcher's tests drive them
// over sockets.
void TestReplica::misbehavingModesShapeTheirReplies_data() {
    QTest::addColumn<QByteArray>("target");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("location");
    QTest::addColumn<QByteArray>("inBody");  // bytes the body or raw answer holds

    const auto kind = [](Reply::Kind k) { return static_cast<int>(k); };
    QTest::newRow("trickle") << QByteArray("/baidu/trickle.a.com/") << kind(Reply::Kind::Trickle) << 200
                             << QByteArray() << statsPageFor(u"trickle.a.com"_s);
    QTest::newRow("cutoff")
        << QByteArray("/s?wd=site%3Acutoff.a.com") << kind(Reply::Kind::Raw) << 200 << QByteArray()
        << "Content-Length: " + QByteArray::number(resultPageFor(QueryKind::Site, u"cutoff.a.com"_s).size());
    QTest::newRow("loop") << QByteArray("/baidu/loop.a.com/") << kind(Reply::Kind::Normal) << 302
                          << QByteArray("/baidu/loop.a.com/") << QByteArray();
    QTest::newRow("scheme, statistics") << QByteArray("/baidu/scheme.a.com/") << kind(Reply::Kind::Normal)
                                        << 302 << QByteArray("file:///etc/passwd") << QByteArray();
    QTest::newRow("scheme, search") << QByteArray("/s?wd=domain%3Ascheme.a.com") << kind(Reply::Kind::Normal)
                                    << 302 << QByteArray("ftp://127.0.0.1/") << QByteArray();
    QTest::newRow("bigheader") << QByteArray("/baidu/bigheader.a.com/") << kind(Reply::Kind::Raw) << 200
                               << QByteArray() << "\r\n\r\n" + statsPageFor(u"bigheader.a.com"_s);
    QTest::newRow("badutf8") << QByteArray("/baidu/badutf8.a.com/") << kind(Reply::Kind::Normal) << 200
                             << QByteArray() << QByteArray(kBadUtf8Bytes) + u"百度权重值为"_s.toUtf8();
    QTest::newRow("badgbk") << QByteArray("/s?wd=site%3Abadgbk.a.com") << kind(Reply::Kind::Normal) << 200
                            << QByteArray() << QByteArray(kBadGbkBytes);
}

void TestReplica::misbehavingModesShapeTheirReplies() {
    QFETCH(QByteArray, target);
    QFETCH(int, kind);
    QFETCH(int, status);
    QFETCH(QByteArray, location);
    QFETCH(QByteArray, inBody);
    const Reply reply = replicaReply(requestFor(target));
    QCOMPARE(static_cast<int>(reply.kind), kind);
    QCOMPARE(reply.status, status);
    QByteArray sentLocation;
    for (const auto& [name, value] : reply.headers) {
        if (name == "Location") {
            sentLocation = value;
        }
    }
    QCOMPARE(sentLocation, location);
    const QByteArray& bytes = reply.kind == Reply::Kind::Raw ? reply.raw : reply.body;
    QVERIFY(bytes.contains(inBody));
    if (reply.kind == Reply::Kind::Trickle) {
        QCOMPARE(reply.trickleMs, kTrickleByteMs);
    }
    if (QTest::currentDataTag() == QByteArrayLiteral("cutoff")) {
        QVERIFY(!bytes.endsWith(resultPageFor(QueryKind::Site, u"cutoff.a.com"_s)));
    }
    if (QTest::currentDataTag() == QByteArrayLiteral("bigheader")) {
        QVERIFY(bytes.indexOf("\r\n\r\n") >= kBigHeaderBytes);
    }
}

void TestReplica::statsPageCarriesMarkersAndFigures_data() {
    QTest::addColumn<QString>("domain");
    QTest::addColumn<bool>("trailingSlash");
    const QString oneDigit = domainWithWeightDigits(1);
    const QString twoDigits = domainWithWeightDigits(2);
    QVERIFY(!oneDigit.isEmpty());
    QVERIFY(!twoDigits.isEmpty());
    QTest::newRow("one-digit weight, batch address") << oneDigit << true;
    QTest::newRow("one-digit weight, single address") << oneDigit << false;
    QTest::newRow("two-digit weight, batch address") << twoDigits << true;
    QTest::newRow("two-digit weight, single address") << twoDigits << false;
    QTest::newRow("verify mode is normal here") << u"verify.example.com"_s << true;
    QTest::newRow("markup in the domain") << u"a<b>&c.com"_s << true;
}

void TestReplica::statsPageCarriesMarkersAndFigures() {
    QFETCH(QString, domain);
    QFETCH(bool, trailingSlash);
    ReplicaSite site;
    QVERIFY(site.listen());
    Client client;
    Fetched fetched;
    const QString path = u"/baidu/"_s + QString::fromLatin1(QUrl::toPercentEncoding(domain)) +
                         (trailingSlash ? u"/"_s : QString());
    QVERIFY(client.fetch(urlOf(site.baseUrl(), path), fetched));
    QCOMPARE(fetched.status, 200);
    QCOMPARE(fetched.contentType, QByteArrayLiteral("text/html; charset=utf-8"));
    QCOMPARE(fetched.body, statsPageFor(domain));

    const QString page = QString::fromUtf8(fetched.body);
    QVERIFY(page.contains(u"<head>"_s));
    QVERIFY(page.contains(u"<title>"_s));
    QCOMPARE(page.count(kWeightMarker), 1);
    const QString section = partBefore(*partAfter(page, kWeightMarker), u"</div>"_s);
    for (const QString& marker : kStatsMarkers.sliced(1)) {
        QVERIFY2(section.contains(marker), qPrintable(marker));
    }
    // The site chrome comes before the section, as on a real page.
    QVERIFY(page.indexOf(u"</div>"_s) < page.indexOf(kWeightMarker));

    const StatsFigures expected = statsFiguresFor(domain);
    QVERIFY(section.startsWith(expected.weight + u"，"_s));
    // The program's own parser reads every figure, each in its field.
    QStringList read;
    for (const quorvane::StatsFigure& figure : quorvane::parseStatsPage(page)) {
        read.append(QString::number(static_cast<int>(figure.field)) + u':' + figure.text);
    }
    QCOMPARE(read,
             (QStringList{u"0:"_s + expected.weight, u"1:"_s + expected.keywords, u"2:"_s + expected.traffic,
                          u"3:"_s + expected.snapshot, u"4:"_s + expected.indexed}));
    // A domain echoed into the page must not inject markup.
    if (domain.contains(u'<')) {
        QVERIFY(!page.contains(domain));
        QVERIFY(page.contains(domain.toHtmlEscaped()));
    }
    QCOMPARE(site.requestCount(), 1);
    QCOMPARE(site.targets(), QList<QByteArray>{path.toLatin1()});
}

void TestReplica::resultPageIsUtf8WithTodaysCountLine_data() {
    QTest::addColumn<QueryKind>("kind");
    QTest::addColumn<QString>("query");
    QTest::addColumn<QString>("domain");
    QTest::newRow("domain query") << QueryKind::Domain << u"domain%3A"_s << u"example.com"_s;
    QTest::newRow("site query") << QueryKind::Site << u"site%3A"_s << u"example.com"_s;
    QTest::newRow("site query, other domain") << QueryKind::Site << u"site%3A"_s << u"quorvane.test"_s;
    QTest::newRow("domain query, other domain") << QueryKind::Domain << u"domain%3A"_s << u"quorvane.test"_s;
}

void TestReplica::resultPageIsUtf8WithTodaysCountLine() {
    QFETCH(QueryKind, kind);
    QFETCH(QString, query);
    QFETCH(QString, domain);
    ReplicaSite site;
    QVERIFY(site.listen());
    Client client;
    Fetched fetched;
    QVERIFY(client.fetch(urlOf(site.baseUrl(), u"/s?wd="_s + query + domain), fetched));
    QCOMPARE(fetched.status, 200);
    QCOMPARE(fetched.contentType, QByteArrayLiteral("text/html;charset=utf-8"));
    QCOMPARE(fetched.body, resultPageFor(kind, domain));
    QVERIFY(fetched.body.contains(kCountMarker.toUtf8()));
    QVERIFY(!fetched.body.contains(gbkCountMarker()));

    const QString page = QString::fromUtf8(fetched.body);
    const QString count = resultCountFor(kind, domain);
    QVERIFY(page.contains(u"<meta http-equiv=\"content-type\" content=\"text/html;charset=utf-8\">"_s));
    // Today's count lines: the site: page writes "数" before "约".
    const QString line = kind == QueryKind::Site ? u"<span class=\"nums_text\">找到相关结果数约"_s
                                                 : u"<span class=\"nums_text\">百度为您找到相关结果约"_s;
    QVERIFY(page.contains(line + count + u"个</span>"_s));
    QCOMPARE(quorvane::parseResultCount(page).figure, count);
    const QString queryText = (kind == QueryKind::Domain ? u"domain:"_s : u"site:"_s) + domain;
    QVERIFY(page.contains(u"<title>"_s + queryText));
}

void TestReplica::faultModes_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("status");
    QTest::addColumn<Size>("size");
    QTest::addColumn<bool>("gbk");
    QTest::addColumn<QStringList>("present");
    QTest::addColumn<QStringList>("absent");
    QTest::addColumn<QString>("endsWith");
    QTest::addColumn<QByteArray>("exactBody");

    const QStringList noCount{kCountMarker};
    const QString stats = u"/baidu/"_s;
    const QString site = u"/s?wd=site%3A"_s;
    const QString backlinks = u"/s?wd=domain%3A"_s;

    QTest::newRow("notfound, statistics")
        << stats + u"notfound.example.com/"_s << 404 << Size::Page << false << QStringList{u"Not Found"_s}
        << kStatsMarkers << QString() << QByteArray();
    QTest::newRow("notfound, search") << site + u"notfound.example.com"_s << 404 << Size::Page << true
                                      << QStringList{u"Not Found"_s} << noCount << QString() << QByteArray();
    QTest::newRow("empty, statistics") << stats + u"empty.example.com/"_s << 200 << Size::Empty << false
                                       << QStringList() << QStringList() << QString() << QByteArray();
    QTest::newRow("empty, search") << backlinks + u"empty.example.com"_s << 200 << Size::Empty << true
                                   << QStringList() << QStringList() << QString() << QByteArray();
    QTest::newRow("nomarker, statistics")
        << stats + u"nomarker.example.com/"_s << 200 << Size::Page << false
        << QStringList{u"<title>"_s, u"</html>"_s} << kStatsMarkers << QString() << QByteArray();
    QTest::newRow("nomarker, search")
        << site + u"nomarker.example.com"_s << 200 << Size::Page << false
        << QStringList{u"_百度搜索</title>"_s, u"抱歉，没有找到与"_s, u"相关的网页"_s} << noCount << QString()
        << QByteArray();
    QTest::newRow("partial, statistics")
        << stats + u"partial.example.com"_s << 200 << Size::Page << false
        << QStringList{kWeightMarker, kKeywordMarker}
        << QStringList{kTrafficMarker, kSnapshotMarker, kIndexedMarker} << QString() << QByteArray();
    QTest::newRow("partial, search") << backlinks + u"partial.example.com"_s << 200 << Size::Page << false
                                     << QStringList{kCountMarker} << QStringList() << kCountMarker
                                     << QByteArray();
    QTest::newRow("garbage, statistics")
        << stats + u"garbage.example.com/"_s << 200 << Size::Page << false << QStringList() << kStatsMarkers
        << QString() << garbageFor(u"garbage.example.com"_s);
    QTest::newRow("garbage, search") << site + u"garbage.example.net"_s << 200 << Size::Page << true
                                     << QStringList() << noCount << QString()
                                     << garbageFor(u"garbage.example.net"_s);
    QTest::newRow("gbk, search") << site + u"gbk.example.com"_s << 200 << Size::Page << true
                                 << QStringList{u"charset=gbk"_s, u"找到相关结果数约"_s} << QStringList()
                                 << QString() << gbkResultPageFor(QueryKind::Site, u"gbk.example.com"_s);
    QTest::newRow("verify, search") << site + u"verify.example.com"_s << 200 << Size::Page << false
                                    << QStringList{u"<title>百度安全验证</title>"_s} << noCount << QString()
                                    << QByteArray();
    QTest::newRow("verify, statistics")
        << stats + u"verify.example.com/"_s << 200 << Size::Page << false << kStatsMarkers << QStringList()
        << QString() << statsPageFor(u"verify.example.com"_s);
    QTest::newRow("unknown path") << u"/nowhere"_s << 404 << Size::Page << false << QStringList()
                                  << kStatsMarkers << QString() << QByteArray();
    QTest::newRow("keyword table page") << u"/baidu/example.com/0/"_s << 200 << Size::Page << false
                                        << QStringList{u"<td>网页标题</td>"_s, u"页号"_s} << QStringList()
                                        << QString() << keywordPageFor(u"example.com"_s, 0);
    QTest::newRow("keyword page of another layout")
        << u"/baidu/kwnohead.com/0/"_s << 200 << Size::Page << false << QStringList{u"nofollow\">"_s}
        << QStringList{u"<td>网页标题</td>"_s} << QString() << QByteArray();
    QTest::newRow("keyword page that fails")
        << u"/baidu/kwfail.com/1/"_s << 500 << Size::Page << false << QStringList() << QStringList{u"页号"_s}
        << QString() << QByteArray();
    QTest::newRow("statistics without domain") << u"/baidu/"_s << 404 << Size::Page << false << QStringList()
                                               << kStatsMarkers << QString() << QByteArray();
    QTest::newRow("other search") << u"/s?wd=quorvane"_s << 404 << Size::Page << true << QStringList()
                                  << noCount << QString() << QByteArray();
}

void TestReplica::faultModes() {
    QFETCH(QString, path);
    QFETCH(int, status);
    QFETCH(Size, size);
    QFETCH(bool, gbk);
    QFETCH(QStringList, present);
    QFETCH(QStringList, absent);
    QFETCH(QString, endsWith);
    QFETCH(QByteArray, exactBody);

    ReplicaSite site;
    QVERIFY(site.listen());
    Client client;
    Fetched fetched;
    QVERIFY(client.fetch(urlOf(site.baseUrl(), path), fetched));
    QCOMPARE(fetched.status, status);
    if (size == Size::Empty) {
        QVERIFY(fetched.body.isEmpty());
    } else {
        // At least three bytes, or the program's fetcher would report a failure instead of text.
        QVERIFY2(fetched.body.size() >= 3, fetched.body.constData());
        QVERIFY(fetched.body.size() < 64 * 1024);
    }
    if (!exactBody.isEmpty()) {
        QCOMPARE(fetched.body, exactBody);
    }
    const QString text = gbk ? fromGbk(fetched.body) : QString::fromUtf8(fetched.body);
    for (const QString& marker : present) {
        QVERIFY2(text.contains(marker), qPrintable(marker));
    }
    for (const QString& marker : absent) {
        QVERIFY2(!text.contains(marker), qPrintable(marker));
    }
    if (!endsWith.isEmpty()) {
        QVERIFY(text.endsWith(endsWith));
        QCOMPARE(text.count(endsWith), 1);
    }
    QCOMPARE(site.requestCount(), 1);
}

void TestReplica::hangHoldsTheConnectionUntilTheClientAborts_data() {
    QTest::addColumn<QString>("path");
    QTest::newRow("statistics") << u"/baidu/hang.example.com/"_s;
    QTest::newRow("search") << u"/s?wd=site%3Ahang.example.com"_s;
}

void TestReplica::hangHoldsTheConnectionUntilTheClientAborts() {
    QFETCH(QString, path);
    ReplicaSite site;
    QVERIFY(site.listen());
    Client client;
    QScopedPointer<QNetworkReply, QScopedPointerDeleteLater> reply(client.get(urlOf(site.baseUrl(), path)));
    QTRY_COMPARE(site.requestCount(), 1);
    QTest::qWait(300);
    QVERIFY(!reply->isFinished());
    QCOMPARE(reply->bytesAvailable(), qint64(0));
    QCOMPARE(site.openConnections(), 1);
    reply->abort();
    QTRY_COMPARE(site.openConnections(), 0);
}

void TestReplica::hangingSocketClosesWithTheSite() {
    auto site = std::make_unique<ReplicaSite>();
    QVERIFY(site->listen());
    RawClient client(site->port());
    QTRY_VERIFY(client.connected());
    client.send(getRequest("/baidu/hang.example.com/"));
    QTRY_COMPARE(site->requestCount(), 1);
    QVERIFY(!client.closed());
    site.reset();
    QTRY_VERIFY(client.closed());
    QVERIFY(client.received().isEmpty());
}

void TestReplica::slowAnswersAfterADelay() {
    ReplicaSite site;
    QVERIFY(site.listen());
    Client client;
    const QString path = u"/baidu/slow.example.com/"_s;
    QScopedPointer<QNetworkReply, QScopedPointerDeleteLater> dropped(client.get(urlOf(site.baseUrl(), path)));
    QScopedPointer<QNetworkReply, QScopedPointerDeleteLater> kept(client.get(urlOf(site.baseUrl(), path)));
    QTRY_COMPARE(site.requestCount(), 2);
    QTest::qWait(200);
    QVERIFY(!kept->isFinished());
    // A client that leaves before the answer cancels it; the pending answer must not outlive it.
    dropped->abort();
    QTRY_COMPARE(site.openConnections(), 1);

    QSignalSpy finished(kept.get(), &QNetworkReply::finished);
    QVERIFY(kept->isFinished() || finished.wait());
    QCOMPARE(kept->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 200);
    QCOMPARE(kept->readAll(), statsPageFor(u"slow.example.com"_s));
    QTRY_COMPARE(site.openConnections(), 0);
}

void TestReplica::hugeStreamsTheWholeBody() {
    ReplicaSite site;
    QVERIFY(site.listen());
    Client client;
    QScopedPointer<QNetworkReply, QScopedPointerDeleteLater> reply(
        client.get(urlOf(site.baseUrl(), u"/baidu/huge.example.com/"_s)));
    qint64 received = 0;
    connect(reply.get(), &QNetworkReply::readyRead, this, [&] {
        // Read and drop, so the test does not hold the body either.
        received += reply->skip(reply->bytesAvailable());
    });
    QTRY_VERIFY_WITH_TIMEOUT(reply->isFinished(), 30000);
    received += reply->skip(reply->bytesAvailable());
    QCOMPARE(reply->error(), QNetworkReply::NoError);
    QCOMPARE(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 200);
    QCOMPARE(reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(), kHugeBodyBytes);
    QCOMPARE(received, kHugeBodyBytes);
    QTRY_COMPARE(site.openConnections(), 0);
}

void TestReplica::hugeAbortedMidwayClosesTheConnection() {
    ReplicaSite site;
    QVERIFY(site.listen());
    Client client;
    QScopedPointer<QNetworkReply, QScopedPointerDeleteLater> reply(
        client.get(urlOf(site.baseUrl(), u"/s?wd=domain%3Ahuge.example.com"_s)));
    QSignalSpy metaData(reply.get(), &QNetworkReply::metaDataChanged);
    QVERIFY(metaData.count() > 0 || metaData.wait());
    QCOMPARE(reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(), kHugeBodyBytes);
    QCOMPARE(reply->rawHeader("Content-Type"), QByteArrayLiteral("text/html;charset=utf-8"));
    reply->abort();
    QTRY_COMPARE(site.openConnections(), 0);
    // The server still works afterwards.
    Fetched fetched;
    QVERIFY(client.fetch(urlOf(site.baseUrl(), u"/baidu/after.example.com/"_s), fetched));
    QCOMPARE(fetched.body, statsPageFor(u"after.example.com"_s));
}

void TestReplica::splitRequestIsAnswered() {
    ReplicaSite site;
    QVERIFY(site.listen());
    RawClient client(site.port());
    QTRY_VERIFY(client.connected());
    QTRY_COMPARE(site.openConnections(), 1);
    client.send("GET /baidu/spl");
    QTest::qWait(20);
    QCOMPARE(site.requestCount(), 0);
    client.send("it.example.com/ HTTP/1.1\r\nHost: 127.0.0.1\r\n\r");
    QTest::qWait(20);
    QCOMPARE(site.requestCount(), 0);
    QVERIFY(!client.closed());
    client.send("\n");
    QTRY_VERIFY(client.closed());

    const RawResponse response = parseResponse(client.received());
    QCOMPARE(response.statusLine, QByteArrayLiteral("HTTP/1.1 200 OK"));
    QCOMPARE(response.header("Content-Type"), QByteArrayLiteral("text/html; charset=utf-8"));
    QCOMPARE(response.header("Connection"), QByteArrayLiteral("close"));
    QCOMPARE(qsizetype(response.header("Content-Length").toLongLong()), response.body.size());
    QCOMPARE(response.body, statsPageFor(u"split.example.com"_s));
    QCOMPARE(site.targets(), QList<QByteArray>{QByteArrayLiteral("/baidu/split.example.com/")});
    QTRY_COMPARE(site.openConnections(), 0);
}

void TestReplica::connectionsKeepSeparateBuffers() {
    ReplicaSite site;
    QVERIFY(site.listen());
    RawClient first(site.port());
    RawClient second(site.port());
    QTRY_VERIFY(first.connected() && second.connected());
    QTRY_COMPARE(site.openConnections(), 2);
    first.send("GET /baidu/first.example");
    QTest::qWait(20);
    second.send(getRequest("/s?wd=site%3Asecond.example"));
    QTRY_VERIFY(second.closed());
    QCOMPARE(parseResponse(second.received()).body, resultPageFor(QueryKind::Site, u"second.example"_s));
    QVERIFY(!first.closed());
    QCOMPARE(site.openConnections(), 1);

    first.send(".com/ HTTP/1.1\r\n\r\n");
    QTRY_VERIFY(first.closed());
    QCOMPARE(parseResponse(first.received()).body, statsPageFor(u"first.example.com"_s));
    QCOMPARE(site.targets(), (QList<QByteArray>{QByteArrayLiteral("/s?wd=site%3Asecond.example"),
                                                QByteArrayLiteral("/baidu/first.example.com/")}));
}

void TestReplica::concurrentRequestsAnswerBesideAHang() {
    ReplicaSite site;
    QVERIFY(site.listen());
    Client client;
    QScopedPointer<QNetworkReply, QScopedPointerDeleteLater> hanging(
        client.get(urlOf(site.baseUrl(), u"/baidu/hang.example.com/"_s)));
    QTRY_COMPARE(site.requestCount(), 1);

    const QStringList domains{u"a.example"_s, u"b.example"_s, u"c.example"_s, u"d.example"_s};
    QList<QNetworkReply*> replies;
    for (const QString& domain : domains) {
        replies.append(client.get(urlOf(site.baseUrl(), u"/baidu/"_s + domain + u"/"_s)));
    }
    for (qsizetype i = 0; i < replies.size(); ++i) {
        QTRY_VERIFY(replies[i]->isFinished());
        QCOMPARE(replies[i]->readAll(), statsPageFor(domains[i]));
        replies[i]->deleteLater();
    }
    QVERIFY(!hanging->isFinished());
    QCOMPARE(site.requestCount(), 5);
    hanging->abort();
    client.closeIdleConnections();
    QTRY_COMPARE(site.openConnections(), 0);
}

void TestReplica::percentEncodedDomainIsDecoded_data() {
    QTest::addColumn<QByteArray>("target");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("blank in the statistics path")
        << QByteArrayLiteral("/baidu/my%20site.com/") << statsPageFor(u"my site.com"_s);
    QTest::newRow("UTF-8 in the statistics path")
        << QByteArrayLiteral("/baidu/%E4%BE%8B%E5%AD%90.%E4%B8%AD%E5%9B%BD") << statsPageFor(u"例子.中国"_s);
    QTest::newRow("blank in the site query") << QByteArrayLiteral("/s?wd=site%3Amy%20site.com")
                                             << resultPageFor(QueryKind::Site, u"my site.com"_s);
    QTest::newRow("UTF-8 in the domain query")
        << QByteArrayLiteral("/s?wd=domain%3A%E4%BE%8B%E5%AD%90.%E4%B8%AD%E5%9B%BD")
        << resultPageFor(QueryKind::Domain, u"例子.中国"_s);
    QTest::newRow("colon not encoded")
        << QByteArrayLiteral("/s?wd=site:plain.com") << resultPageFor(QueryKind::Site, u"plain.com"_s);
    QTest::newRow("other fields around wd") << QByteArrayLiteral("/s?ie=utf-8&wd=site%3Aplain.com&pn=0")
                                            << resultPageFor(QueryKind::Site, u"plain.com"_s);
    // No exact page: the decoded domain must select the markerless fault mode.
    QTest::newRow("encoded fault label")
        << QByteArrayLiteral("/baidu/%6Eomarker.example.com/") << QByteArray();
}

void TestReplica::percentEncodedDomainIsDecoded() {
    QFETCH(QByteArray, target);
    QFETCH(QByteArray, expected);
    ReplicaSite site;
    QVERIFY(site.listen());
    const RawResponse response = exchange(site.port(), getRequest(target));
    QCOMPARE(response.statusLine, QByteArrayLiteral("HTTP/1.1 200 OK"));
    if (expected.isEmpty()) {
        // The decoded domain picks the fault mode too.
        QVERIFY(!QString::fromUtf8(response.body).contains(kWeightMarker));
        QVERIFY(response.body.contains("<title>"));
    } else {
        QCOMPARE(response.body, expected);
    }
    QCOMPARE(site.targets(), QList<QByteArray>{target});
}

void TestReplica::clientEncodedDomainIsDecoded() {
    // What the program's own client sends for a domain with a blank in it.
    ReplicaSite site;
    QVERIFY(site.listen());
    Client client;
    Fetched fetched;
    QVERIFY(client.fetch(urlOf(site.baseUrl(), u"/baidu/my site.com/"_s), fetched));
    QCOMPARE(fetched.body, statsPageFor(u"my site.com"_s));
    QVERIFY(client.fetch(urlOf(site.baseUrl(), u"/s?wd=domain%3Amy site.com"_s), fetched));
    QCOMPARE(fetched.body, resultPageFor(QueryKind::Domain, u"my site.com"_s));
    QCOMPARE(site.targets().size(), 2);
    QVERIFY(site.targets().constFirst().contains("%20"));
}

void TestReplica::garbledRequestIsRefused_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("statusLine");
    const QByteArray bad = QByteArrayLiteral("HTTP/1.1 400 Bad Request");
    QTest::newRow("one word") << QByteArrayLiteral("HELLO\r\n\r\n") << bad;
    QTest::newRow("no target") << QByteArrayLiteral("GET\r\n\r\n") << bad;
    QTest::newRow("extra word") << QByteArrayLiteral("GET /x HTTP/1.1 junk\r\n\r\n") << bad;
    QTest::newRow("double blank") << QByteArrayLiteral("GET  /x HTTP/1.1\r\n\r\n") << bad;
    QTest::newRow("relative target") << QByteArrayLiteral("GET x HTTP/1.1\r\n\r\n") << bad;
    QTest::newRow("other protocol") << QByteArrayLiteral("GET /x FTP/1.0\r\n\r\n") << bad;
    QTest::newRow("header without colon") << QByteArrayLiteral("GET /x HTTP/1.1\r\nno colon\r\n\r\n") << bad;
    QTest::newRow("http2 preface") << QByteArrayLiteral("PRI * HTTP/2.0\r\n\r\nSM\r\n\r\n") << bad;
    // No line end ever comes; the server must still answer.
    QTest::newRow("tls hello") << QByteArray("\x16\x03\x01\x00\xa5\x01\x00", 7) << bad;
    QTest::newRow("version 2") << QByteArrayLiteral("GET /x HTTP/2.0\r\n\r\n")
                               << QByteArrayLiteral("HTTP/1.1 505 HTTP Version Not Supported");
    QTest::newRow("endless head") << QByteArray("GET /x HTTP/1.1\r\nX-Pad: " + QByteArray(20000, 'a'))
                                  << QByteArrayLiteral("HTTP/1.1 431 Request Header Fields Too Large");
}

void TestReplica::garbledRequestIsRefused() {
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, statusLine);
    ReplicaSite site;
    QVERIFY(site.listen());
    const RawResponse response = exchange(site.port(), bytes);
    QCOMPARE(response.statusLine, statusLine);
    QCOMPARE(qsizetype(response.header("Content-Length").toLongLong()), response.body.size());
    QCOMPARE(site.requestCount(), 0);
    QTRY_COMPARE(site.openConnections(), 0);
}

void TestReplica::siteRefusesOtherMethods() {
    ReplicaSite site;
    QVERIFY(site.listen());
    const RawResponse response =
        exchange(site.port(), "POST /baidu/example.com/ HTTP/1.1\r\nContent-Length: 0\r\n\r\n");
    QCOMPARE(response.statusLine, QByteArrayLiteral("HTTP/1.1 405 Method Not Allowed"));
    QCOMPARE(response.header("Allow"), QByteArrayLiteral("GET, HEAD"));
}

void TestReplica::requestReachesTheHandler() {
    Request seen;
    MiniHttpServer server([&seen](const Request& request) {
        seen = request;
        Reply reply = Reply::withStatus(302, QByteArrayLiteral("moved"), QByteArrayLiteral("text/plain"));
        reply.headers.append({QByteArrayLiteral("Location"), QByteArrayLiteral("/elsewhere")});
        return reply;
    });
    QVERIFY(server.listen());
    RawClient client(server.port());
    QTRY_VERIFY(client.connected());
    client.send("GET /a%20b/c%2Fd?x=%41&y HTTP/1.1\r\nHost: h\r\nX-Test:  v w \r\n\r\n");
    QTRY_VERIFY(client.closed());

    QCOMPARE(seen.method, QByteArrayLiteral("GET"));
    QCOMPARE(seen.target, QByteArrayLiteral("/a%20b/c%2Fd?x=%41&y"));
    QCOMPARE(seen.path, QByteArrayLiteral("/a b/c/d"));
    QCOMPARE(seen.query, QByteArrayLiteral("x=%41&y"));
    QCOMPARE(seen.headers.size(), 2);
    QCOMPARE(seen.headers.at(1).first, QByteArrayLiteral("X-Test"));
    QCOMPARE(seen.headers.at(1).second, QByteArrayLiteral("v w"));

    const RawResponse response = parseResponse(client.received());
    QCOMPARE(response.statusLine, QByteArrayLiteral("HTTP/1.1 302 Found"));
    QCOMPARE(response.header("Location"), QByteArrayLiteral("/elsewhere"));
    QCOMPARE(response.header("Content-Type"), QByteArrayLiteral("text/plain"));
    QCOMPARE(response.header("Content-Length"), QByteArrayLiteral("5"));
    QCOMPARE(response.header("Connection"), QByteArrayLiteral("close"));
    QCOMPARE(response.body, QByteArrayLiteral("moved"));
    QCOMPARE(server.requestCount(), 1);
}

void TestReplica::unsafeHeadersAreDropped() {
    MiniHttpServer server([](const Request&) {
        Reply reply = Reply::ok(QByteArrayLiteral("body"));
        reply.headers.append({QByteArrayLiteral("X-Split"), QByteArrayLiteral("a\r\nX-Evil: 1")});
        reply.headers.append({QByteArrayLiteral("Bad Name"), QByteArrayLiteral("x")});
        reply.headers.append({QByteArrayLiteral("X-Fine"), QByteArrayLiteral("yes")});
        return reply;
    });
    QVERIFY(server.listen());
    const RawResponse response = exchange(server.port(), getRequest("/"));
    QCOMPARE(response.statusLine, QByteArrayLiteral("HTTP/1.1 200 OK"));
    QVERIFY(response.header("X-Evil").isEmpty());
    QVERIFY(response.header("X-Split").isEmpty());
    QVERIFY(response.header("Bad Name").isEmpty());
    QCOMPARE(response.header("X-Fine"), QByteArrayLiteral("yes"));
    QCOMPARE(response.body, QByteArrayLiteral("body"));
}

void TestReplica::rawBytesAreSentAsTheyAre() {
    const char raw[] = "HTTP/1.0 299 Odd\r\nX-Anything:\r\n\r\nab\0c";
    const QByteArray bytes(raw, sizeof(raw) - 1);
    MiniHttpServer server([&bytes](const Request&) { return Reply::rawBytes(bytes); });
    QVERIFY(server.listen());
    RawClient client(server.port());
    QTRY_VERIFY(client.connected());
    client.send(getRequest("/raw"));
    QTRY_VERIFY(client.closed());
    QCOMPARE(client.received(), bytes);
}

void TestReplica::headGetsNoBody() {
    ReplicaSite site;
    QVERIFY(site.listen());
    const RawResponse response = exchange(site.port(), "HEAD /baidu/example.com/ HTTP/1.1\r\n\r\n");
    QCOMPARE(response.statusLine, QByteArrayLiteral("HTTP/1.1 200 OK"));
    QCOMPARE(qsizetype(response.header("Content-Length").toLongLong()),
             statsPageFor(u"example.com"_s).size());
    QVERIFY(response.body.isEmpty());
}

void TestReplica::emptyHugeBodyStillCloses() {
    MiniHttpServer server([](const Request&) { return Reply::huge(0); });
    QVERIFY(server.listen());
    const RawResponse response = exchange(server.port(), getRequest("/"));
    QCOMPARE(response.statusLine, QByteArrayLiteral("HTTP/1.1 200 OK"));
    QCOMPARE(response.header("Content-Length"), QByteArrayLiteral("0"));
    QVERIFY(response.body.isEmpty());
}

void TestReplica::handlerAnswersEveryRequest() {
    MiniHttpServer server([](const Request& request) {
        return request.path == "/first" ? Reply::ok(QByteArrayLiteral("one"))
                                        : Reply::withStatus(503, QByteArrayLiteral("two"));
    });
    QVERIFY(server.listen());
    Client client;
    Fetched fetched;
    QVERIFY(client.fetch(QUrl(server.baseUrl() + u"/first"_s), fetched));
    QCOMPARE(fetched.body, QByteArrayLiteral("one"));
    QVERIFY(client.fetch(QUrl(server.baseUrl() + u"/second?q=1"_s), fetched));
    QCOMPARE(fetched.status, 503);
    QCOMPARE(fetched.body, QByteArrayLiteral("two"));
    QCOMPARE(server.requestCount(), 2);
    QCOMPARE(server.targets(),
             (QList<QByteArray>{QByteArrayLiteral("/first"), QByteArrayLiteral("/second?q=1")}));
}

void TestReplica::failingHandlerGives500() {
    MiniHttpServer server([](const Request&) -> Reply { throw std::runtime_error("handler failed"); });
    MiniHttpServer none({});
    QVERIFY(server.listen() && none.listen());
    Client client;
    Fetched fetched;
    QVERIFY(client.fetch(QUrl(server.baseUrl() + u"/"_s), fetched));
    QCOMPARE(fetched.status, 500);
    QVERIFY(client.fetch(QUrl(none.baseUrl() + u"/"_s), fetched));
    QCOMPARE(fetched.status, 500);
    QCOMPARE(server.requestCount() + none.requestCount(), 2);  // counted all the same
}

void TestReplica::listenReportsPortAndBaseUrl() {
    ReplicaSite site;
    QCOMPARE(site.port(), quint16(0));
    QVERIFY(site.listen());
    QVERIFY(site.port() != 0);
    QCOMPARE(site.baseUrl(), u"http://127.0.0.1:"_s + QString::number(site.port()));
    QVERIFY(!site.baseUrl().endsWith(u'/'));
    // A second site cannot take the same port.
    ReplicaSite other;
    QVERIFY(!other.listen(site.port()));
    QVERIFY(!other.errorString().isEmpty());
    QCOMPARE(site.requestCount(), 0);
    QCOMPARE(site.openConnections(), 0);
}

QTEST_GUILESS_MAIN(TestReplica)
#include "tst_replica.moc"
