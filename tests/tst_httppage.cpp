// SPDX-License-Identifier: GPL-3.0-or-later
#include "fake_http.h"
#include "fetch/fetcher_slot.h"
#include "fetch/httppage2.h"
#include "mini_http_server.h"
#include "qt_services.h"
#include "real_stack.h"
#include "replica_site.h"
#include "run_harness.h"
#include "text/app_error.h"
#include "virtual_time.h"

#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QProcess>
#include <QStringEncoder>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <memory>

using namespace Qt::StringLiterals;
using namespace quorvane;
using namespace std::chrono_literals;
using quorvane::replica::MiniHttpServer;
using quorvane::replica::Reply;
using quorvane::replica::Request;
using quorvane::testing::expectedCells;
using quorvane::testing::FakeHttp;
using quorvane::testing::FakeReply;
using quorvane::testing::Fetched;
using quorvane::testing::fetchReal;
using quorvane::testing::fetchTimed;
using quorvane::testing::numberedDomains;
using quorvane::testing::RealStack;
using quorvane::testing::VirtualTime;

namespace {

struct VirtualStack {
    VirtualTime time;
    XTimerSupport support{time};
    FakeHttp http{time};
    ProxyPool proxies{time};
    FetchContext context{http, support, time, proxies};
    QStringList events;      // of every fetcher made here
    QList<qint64> eventsAt;  // and when each came
    std::shared_ptr<HTTPPage2> fetcher() {
        auto page = HTTPPage2::create(context);
        page->HttpEvent = [this](const QString& text) {
            events.append(text);
            eventsAt.append(time.nowMs());
        };
        return page;
    }
    std::shared_ptr<HTTPPage2> fetch(const QString& url) {
        auto page = fetcher();
        page->SubIniData(url, Charset::Utf8, 5s);
        return page;
    }
};

quint16 freePort() {
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost, 0) ? probe.serverPort() : 0;
}

// tinyproxy or microsocks on 127.0.0.1, asking for credentials.
class ProxyServer final {
public:
    explicit ProxyServer(Proxy::Kind kind) : proxy{kind, u"127.0.0.1"_s, freePort(), u"bob"_s, u"s3cret"_s} {
        m_process.setStandardOutputFile(QProcess::nullDevice());
        m_process.setStandardErrorFile(QProcess::nullDevice());
        if (kind == Proxy::Kind::Socks5) {
            m_process.start(u"microsocks"_s, {u"-i"_s, proxy.host, u"-p"_s, QString::number(proxy.port),
                                              u"-u"_s, proxy.user, u"-P"_s, proxy.password});
            return;
        }
        QFile config(m_dir.filePath(u"tinyproxy.conf"_s));
        if (config.open(QIODevice::WriteOnly)) {
            config.write(
                u"Port %1\nListen 127.0.0.1\nAllow 127.0.0.1\nBasicAuth bob s3cret\n"_s.arg(proxy.port)
                    .toUtf8());
            config.close();
        }
        m_process.start(u"tinyproxy"_s, {u"-d"_s, u"-c"_s, config.fileName()});
    }
    ~ProxyServer() {
        m_process.kill();
        m_process.waitForFinished(2000);
    }
    bool listening() const {
        return QTest::qWaitFor(
            [&] {
                QTcpSocket socket;
                socket.connectToHost(QHostAddress::LocalHost, proxy.port);
                return socket.waitForConnected(100);
            },
            3000);
    }

    const Proxy proxy;

private:
    QTemporaryDir m_dir;
    QProcess m_process;
};

}  // namespace

class TestHttpPage final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void servedReplies_data();
    void servedReplies();
    void neverAnsweringServerTimesOutOnce();
    void rejectedAddressRaisesSynchronously();
    void blankAddressRaisesEmptyEventAtOnce();
    void timeoutCountsWholeClockSeconds_data();
    void timeoutCountsWholeClockSeconds();
    void detachedFetcherReachesNoHandler();
    void secondRequestAbandonsFirst();
    void handlerMayDropTheLastReference();
    void missingBodyFails();
    void waitingFetcherGoesWithItsTimerTable();
    void noTimerLeavesRequestUnpolled();
    void failureReasons_data();
    void failureReasons();
    void throughProxies_data();
    void throughProxies();
    void runThroughRealProxies_data();
    void runThroughRealProxies();
};

// What a fetch hands on of each answer a server gives, under a body cap and the caller's character set.
void TestHttpPage::servedReplies_data() {
    QTest::addColumn<Reply>("reply");
    QTest::addColumn<qint64>("cap");
    QTest::addColumn<Charset>("charset");
    QTest::addColumn<QString>("event");
    const auto row = [](const char* name, const Reply& reply, const QString& event,
                        qint64 cap = QtHttpRequestFactory::kDefaultBodyCap, Charset charset = Charset::Utf8) {
        QTest::newRow(name) << reply << cap << charset << event;
    };
    const QString failed = u"失败"_s;
    row("0 bytes", Reply::ok({}), failed);
    row("2 bytes", Reply::ok("ab"), failed);
    row("3 bytes", Reply::ok("abc"), u"abc"_s);
    row("error status delivers its body", Reply::withStatus(404, "<html>not here</html>"),
        u"<html>not here</html>"_s);
    // The response's word beats the caller's; without one, the caller's name decides.
    const QString text = u"丂百度为您找到相关结果约1,230个"_s;
    const QByteArray gbk = QStringEncoder("GBK").encode(text);
    row("declared charset wins", Reply::ok(gbk, "text/html; charset=GBK"), text);
    row("undeclared: the caller's", Reply::ok(gbk, "text/html"), text, QtHttpRequestFactory::kDefaultBodyCap,
        Charset::Gb2312);
    row("undeclared, read as utf-8", Reply::ok(gbk, "text/html"), QString::fromUtf8(gbk));
    // The server promises 500 bytes and closes after a few: that part is no page.
    row("truncated body",
        Reply::rawBytes("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 500\r\n"
                        "Connection: close\r\n\r\n<html>found 1,2"),
        failed);
    constexpr qint64 cap = 256 * 1024;
    row("4 MiB over a 256 KiB cap", Reply::huge(4 * 1024 * 1024), failed, cap);
    row("50 MB over the program's cap", Reply::huge(50'000'000), failed);
    // No Content-Length: the size shows only as the body arrives.
    const QByteArray unannounced = "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n";
    row("unannounced, at the cap", Reply::rawBytes(unannounced + QByteArray(cap, 'a')), QString(cap, u'a'),
        cap);
    row("unannounced, over the cap", Reply::rawBytes(unannounced + QByteArray(cap + 1, 'a')), failed, cap);
}

void TestHttpPage::servedReplies() {
    QFETCH(Reply, reply);
    QFETCH(qint64, cap);
    QFETCH(Charset, charset);
    QFETCH(QString, event);
    RealStack stack(cap);
    MiniHttpServer server([&](const Request&) { return reply; });
    QVERIFY(server.listen());
    QCOMPARE(fetchReal(stack, server.baseUrl() + u"/p"_s, charset, 30'000), QStringList{event});
    // Read or dropped, the transfer is over: a body over the cap is not read to its end.
    QTRY_COMPARE(server.openConnections(), 0);
}

void TestHttpPage::neverAnsweringServerTimesOutOnce() {
    RealStack stack;
    MiniHttpServer server([](const Request&) { return Reply::hang(); });
    QVERIFY(server.listen());
    const Fetched got = fetchTimed(stack, server.baseUrl() + u"/hang"_s, Charset::Utf8, 8000);
    QCOMPARE(got.events, QStringList{u"失败"_s});
    // One poll past six seconds, plus room for a busy machine's scheduling.
    QVERIFY2(got.elapsedMs > 5000 && got.elapsedMs <= 6000 + 10 + 150,
             qPrintable(QString::number(got.elapsedMs)));
    QVERIFY(!got.waiting);
    // The timed-out request was aborted, not left open.
    QTRY_COMPARE(server.openConnections(), 0);
}

void TestHttpPage::rejectedAddressRaisesSynchronously() {
    RealStack stack;
    auto page = HTTPPage2::create(stack.context);
    int events = 0;
    page->HttpEvent = [&](const QString&) { ++events; };
    QVERIFY_THROWS_EXCEPTION(AppError, page->SubIniData(u"ftp://example.invalid/x"_s, Charset::Utf8, 5s));
    QVERIFY_THROWS_EXCEPTION(AppError, page->SubIniData(u"not an address"_s, Charset::Utf8, 5s));
    QVERIFY(!page->isWaiting());
    QCOMPARE(page.use_count(), 1);  // no poll timer holds it
    QTest::qWait(30);
    QCOMPARE(events, 0);
}

void TestHttpPage::blankAddressRaisesEmptyEventAtOnce() {
    VirtualStack stack;
    stack.fetch(u"   "_s);
    QCOMPARE(stack.events, QStringList{QString()});
    QCOMPARE(stack.time.activeTimers(), 0);
    QVERIFY(stack.http.sent().isEmpty());
}

void TestHttpPage::timeoutCountsWholeClockSeconds_data() {
    QTest::addColumn<int>("offsetMs");  // where in its second the request starts
    QTest::newRow("start of a second") << 0;
    QTest::newRow("middle of a second") << 500;
    QTest::newRow("end of a second") << 995;
}

void TestHttpPage::timeoutCountsWholeClockSeconds() {
    QFETCH(int, offsetMs);
    VirtualStack stack;
    stack.time.advance(offsetMs);
    stack.http.setResponder([](const QString&) { return FakeReply{{}, 0, true, false}; });
    const qint64 start = stack.time.nowMs();
    const auto page = stack.fetch(u"http://site.example/x"_s);
    stack.time.advance(10'000);
    QCOMPARE(stack.events, QStringList{u"失败"_s});
    const qint64 waited = stack.eventsAt.first() - start;
    // Fails on the first poll once six whole clock seconds separate now from the start second.
    const qint64 expected = ((start / 1000 + 6) * 1000) - start;
    QVERIFY(waited >= expected && waited < expected + 10);
    QVERIFY(waited > 5000 && waited <= 6010);
    QCOMPARE(stack.http.abortedCount(), 1);
    QCOMPARE(stack.time.activeTimers(), 0);
}

void TestHttpPage::detachedFetcherReachesNoHandler() {
    VirtualStack stack;
    stack.http.setResponder([](const QString& url) { return FakeReply{"hi!", 500, url.endsWith(u"never")}; });
    int events = 0;
    FetcherSlot late([&](const QString&) { ++events; });
    FetcherSlot never([&](const QString&) { ++events; });
    late.renew(stack.context).SubIniData(u"http://site.example/late"_s, Charset::Utf8, 5s);
    never.renew(stack.context).SubIniData(u"http://site.example/never"_s, Charset::Utf8, 5s);
    stack.time.advance(100);
    late.detach();
    never.detach();
    stack.time.advance(10'000);
    QCOMPARE(events, 0);
    // Each ran out on its own: the late reply read, the other aborted at its time-out, nothing left over.
    QCOMPARE(stack.http.abortedCount(), 1);
    QCOMPARE(stack.http.liveRequests(), 0);
    QCOMPARE(stack.time.activeTimers(), 0);
}

void TestHttpPage::secondRequestAbandonsFirst() {
    VirtualStack stack;
    stack.http.setResponder([](const QString& url) { return FakeReply{url.toUtf8(), 300}; });
    const auto page = stack.fetch(u"http://site.example/first"_s);
    stack.time.advance(100);
    page->SubIniData(u"http://site.example/second"_s, Charset::Utf8, 5s);
    stack.time.advance(2000);
    QCOMPARE(stack.events, QStringList{u"http://site.example/second"_s});
    QCOMPARE(stack.http.abortedCount(), 1);
    QCOMPARE(stack.time.activeTimers(), 0);
}

void TestHttpPage::handlerMayDropTheLastReference() {
    VirtualStack stack;
    stack.http.setResponder([](const QString& url) { return FakeReply{url.toUtf8(), 20}; });
    std::shared_ptr<HTTPPage2> holder = stack.fetcher();
    holder->HttpEvent = [&](const QString& text) {
        stack.events.append(text);
        holder = stack.fetch(u"http://site.example/2"_s);  // the next request on a new fetcher
    };
    holder->SubIniData(u"http://site.example/1"_s, Charset::Utf8, 5s);
    stack.time.advance(100);
    QCOMPARE(stack.events, (QStringList{u"http://site.example/1"_s, u"http://site.example/2"_s}));
    QCOMPARE(stack.time.activeTimers(), 0);
}

void TestHttpPage::missingBodyFails() {
    VirtualStack stack;
    stack.http.setResponder([](const QString&) { return FakeReply{std::nullopt, 20}; });
    const auto page = stack.fetch(u"http://site.example/x"_s);
    stack.time.advance(100);
    QCOMPARE(stack.events, QStringList{u"失败"_s});
}

void TestHttpPage::waitingFetcherGoesWithItsTimerTable() {
    VirtualTime time;
    FakeHttp http(time, [](const QString&) { return FakeReply{{}, 0, true}; });
    std::weak_ptr<HTTPPage2> watch;
    {
        XTimerSupport support(time);
        ProxyPool proxies(time);
        FetchContext context{http, support, time, proxies};
        auto page = HTTPPage2::create(context);
        page->SubIniData(u"http://site.example/x"_s, Charset::Utf8, 5s);
        watch = page;
        page.reset();
        QVERIFY(!watch.expired());  // the poll timer keeps it while it waits
    }
    QVERIFY(watch.expired());
    QCOMPARE(http.abortedCount(), 1);
    QCOMPARE(time.activeTimers(), 0);
}

void TestHttpPage::noTimerLeavesRequestUnpolled() {
    VirtualStack stack;
    stack.time.failAfter(0);
    auto page = stack.fetcher();
    try {
        page->SubIniData(u"http://site.example/x"_s, Charset::Utf8, 5s);
        QFAIL("no error");
    } catch (const AppError& error) {
        QCOMPARE(error.description(), u"没有可用的计时器"_s);
    }
    QCOMPARE(stack.http.sent().size(), 1);
    stack.time.advance(10'000);
    QVERIFY(stack.events.isEmpty());
    // No cycle keeps the fetcher alive once its owner lets go.
    std::weak_ptr<HTTPPage2> watch = page;
    page.reset();
    QVERIFY(watch.expired());
}

void TestHttpPage::failureReasons_data() {
    QTest::addColumn<QString>("domain");  // a replica fault domain; empty: a port nobody listens on
    QTest::addColumn<QString>("reason");  // what the reason starts with
    QTest::addColumn<bool>("failed");     // the event is 失败, not the page
    QTest::newRow("error status") << u"notfound.a.com"_s << u"HTTP 404"_s << false;
    QTest::newRow("over the cap") << u"huge.a.com"_s << u"页面过大"_s << true;
    QTest::newRow("redirect loop") << u"loop.a.com"_s << u"重定向过多"_s << true;
    QTest::newRow("empty body") << u"empty.a.com"_s << u"页面中没有数据"_s << true;
    QTest::newRow("refused") << QString() << u"连接失败："_s << true;
    QTest::newRow("a page") << u"ok.a.com"_s << QString() << false;
}

// Why a fetch failed, as the network layer tells it, in words for the user.
void TestHttpPage::failureReasons() {
    QFETCH(QString, domain);
    QFETCH(QString, reason);
    QFETCH(bool, failed);
    RealStack stack;
    replica::ReplicaSite site;
    QVERIFY(site.listen());
    QString url = site.baseUrl() + u"/baidu/"_s + domain + u"/"_s;
    if (domain.isEmpty()) {
        MiniHttpServer gone([](const Request&) { return Reply::ok("x"); });
        QVERIFY(gone.listen());
        url = gone.baseUrl() + u"/"_s;
    }
    const Fetched got = fetchTimed(stack, url, Charset::Utf8, 10'000);
    QCOMPARE(got.events.size(), 1);
    QCOMPARE(got.events.first() == u"失败"_s, failed);
    QVERIFY2(reason.isEmpty() ? got.reason.isEmpty() : got.reason.startsWith(reason), qPrintable(got.reason));
}

// Proxies a, b and c; each answers as the row says ("refuses", "hangs": never takes the request, "slow
// site": takes it, the site never answers), the others with the page.
void TestHttpPage::throughProxies_data() {
    QTest::addColumn<QStringList>("how");
    QTest::addColumn<QString>("event");
    QTest::addColumn<QString>("sentVia");
    QTest::addColumn<QString>("aside");
    QTest::newRow("good") << QStringList{} << u"page"_s << u"a"_s << u""_s;
    QTest::newRow("refused: once more through the next")
        << QStringList{u"refuses"_s} << u"page"_s << u"ab"_s << u"a"_s;
    QTest::newRow("refused twice: no more")
        << QStringList{u"refuses"_s, u"refuses"_s} << u"失败"_s << u"ab"_s << u"ab"_s;
    QTest::newRow("never taken: the next") << QStringList{u"hangs"_s} << u"page"_s << u"ab"_s << u"a"_s;
    QTest::newRow("slow site: no fault") << QStringList{u"slow site"_s} << u"失败"_s << u"a"_s << u""_s;
}

void TestHttpPage::throughProxies() {
    QFETCH(QStringList, how);
    QFETCH(QString, event);
    QFETCH(QString, sentVia);
    QFETCH(QString, aside);
    VirtualStack s;
    const std::vector<Proxy> proxies{{Proxy::Kind::Http, u"a"_s, 1, {}, {}},
                                     {Proxy::Kind::Http, u"b"_s, 1, {}, {}},
                                     {Proxy::Kind::Http, u"c"_s, 1, {}, {}}};
    s.proxies.setProxies(proxies);
    s.http.setProxyResponder([&](const Proxy& via, const QString&) {
        const QString mode = how.value(via.host.at(0).unicode() - u'a');
        FakeReply reply{mode.isEmpty() ? std::optional(QByteArray("page")) : std::nullopt};
        reply.never = mode == u"hangs"_s || mode == u"slow site"_s;
        reply.proxyFails = mode == u"refuses"_s;
        reply.proxyHangs = mode == u"hangs"_s;
        return reply;
    });
    const auto page = s.fetch(u"http://site.test/"_s);
    s.time.advance(15'000);  // a time-out, then the one more try with the whole time again
    QCOMPARE(s.events, QStringList{event});
    QCOMPARE(s.http.sentVia().join(QString()).remove(u"http://"_s).remove(u":1"_s), sentVia);
    QString setAside;
    for (const Proxy& proxy : proxies) {
        setAside += s.proxies.isSetAside(proxy) ? proxy.host : QString();
    }
    QCOMPARE(setAside, aside);
}

// The replica site on 127.0.0.2: Qt sends nothing for 127.0.0.1 through a proxy. The credentials and the
// dead entry show that the requests go through the proxy.
void TestHttpPage::runThroughRealProxies_data() {
    QTest::addColumn<Proxy::Kind>("kind");
    QTest::addColumn<bool>("deadFirst");  // a closed port before the proxy in the list
    QTest::newRow("http") << Proxy::Kind::Http << false;
    QTest::newRow("socks5") << Proxy::Kind::Socks5 << false;
    QTest::newRow("dead first") << Proxy::Kind::Http << true;
}

void TestHttpPage::runThroughRealProxies() {
    QFETCH(Proxy::Kind, kind);
    QFETCH(bool, deadFirst);
    const ProxyServer server(kind);
    QVERIFY(server.listening());
    RealStack stack;
    replica::ReplicaSite site;
    QVERIFY(site.listen(0, QHostAddress(u"127.0.0.2"_s)));
    QTemporaryDir history;
    Runs runs(stack.timers, stack.clock, stack.http, {site.baseUrl(), site.baseUrl()}, history.path());
    const Proxy dead{Proxy::Kind::Socks5, u"127.0.0.1"_s, freePort(), {}, {}};
    runs.proxies.setProxies(deadFirst ? std::vector{dead, server.proxy} : std::vector{server.proxy});
    const QStringList domains = numberedDomains(4);
    runs.batch.import(domains.join(u'\n'), false);
    runs.batch.start();
    QVERIFY(QTest::qWaitFor([&] { return runs.batch.rowsCounted() == 4; }, 15'000));
    for (int row = 1; row <= 4; ++row) {
        for (int cell = DomainCell::Weight; cell < DomainCell::Count; ++cell) {
            QCOMPARE(runs.batch.figure(row, cell).shown(),
                     expectedCells(domains[row - 1]).at(cell - DomainCell::Weight + 1));
        }
    }
    QCOMPARE(runs.proxies.isSetAside(dead), deadFirst);
    QVERIFY(!runs.proxies.isSetAside(server.proxy));
}

QTEST_GUILESS_MAIN(TestHttpPage)
#include "tst_httppage.moc"
