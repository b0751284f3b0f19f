// SPDX-License-Identifier: GPL-3.0-or-later
// Runs through real proxy servers, tinyproxy (HTTP) and microsocks (SOCKS5), started here on loopback; the
// replica site serves on 127.0.0.2, since Qt sends nothing for 127.0.0.1 through a proxy.
#include "real_stack.h"
#include "replica_site.h"
#include "run_harness.h"
#include "runs.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace quorvane;
using namespace quorvane::testing;

namespace {

const QHostAddress kSiteAddress(u"127.0.0.2"_s);

// A port nothing listens on just now.
quint16 freePort() {
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost, 0) ? probe.serverPort() : 0;
}

// A proxy server of ours on 127.0.0.1, with its configuration and log in a folder of its own.
class ProxyServer final {
public:
    static constexpr auto kUser = u"bob";
    static constexpr auto kPassword = u"s3cret";

    // tinyproxy, asking for the credentials.
    static std::unique_ptr<ProxyServer> tinyproxy() {
        auto server = std::make_unique<ProxyServer>();
        const QString config = server->m_dir.filePath(u"tinyproxy.conf"_s);
        QFile file(config);
        if (!file.open(QIODevice::WriteOnly)) {
            return nullptr;
        }
        file.write(
            u"Port %1\nListen 127.0.0.1\nTimeout 5\nMaxClients 20\nAllow 127.0.0.1\nLogLevel Connect\n"
            u"LogFile \"%2\"\nBasicAuth %3 %4\n"_s.arg(server->m_port)
                .arg(server->m_dir.filePath(u"log"_s), kUser, kPassword)
                .toUtf8());
        file.close();
        return server->start(u"tinyproxy"_s, {u"-d"_s, u"-c"_s, config}) ? std::move(server) : nullptr;
    }
    // microsocks, asking for the credentials.
    static std::unique_ptr<ProxyServer> microsocks() {
        auto server = std::make_unique<ProxyServer>();
        server->m_process.setStandardOutputFile(server->m_dir.filePath(u"log"_s));
        server->m_process.setStandardErrorFile(server->m_dir.filePath(u"log"_s), QIODevice::Append);
        return server->start(u"microsocks"_s,
                             {u"-i"_s, u"127.0.0.1"_s, u"-p"_s, QString::number(server->m_port), u"-u"_s,
                              QString::fromUtf16(kUser), u"-P"_s, QString::fromUtf16(kPassword)})
                   ? std::move(server)
                   : nullptr;
    }

    ProxyServer() : m_port(freePort()) {}
    ~ProxyServer() {
        m_process.kill();
        m_process.waitForFinished(2000);
    }
    ProxyServer(const ProxyServer&) = delete;
    ProxyServer& operator=(const ProxyServer&) = delete;

    Proxy proxy(Proxy::Kind kind) const {
        return {kind, u"127.0.0.1"_s, m_port, QString::fromUtf16(kUser), QString::fromUtf16(kPassword)};
    }
    // How many lines of the log hold this text.
    int linesLogged(const QString& text) const {
        QFile file(m_dir.filePath(u"log"_s));
        return file.open(QIODevice::ReadOnly) ? static_cast<int>(file.readAll().count(text.toUtf8())) : 0;
    }

private:
    bool start(const QString& program, const QStringList& arguments) {
        if (QStandardPaths::findExecutable(program).isEmpty()) {
            qWarning("%s is not installed", qPrintable(program));
            return false;
        }
        m_process.start(program, arguments);
        return QTest::qWaitFor(
            [&] {
                QTcpSocket socket;
                socket.connectToHost(QHostAddress::LocalHost, m_port);
                return socket.waitForConnected(100);
            },
            3000);
    }

    QTemporaryDir m_dir;
    quint16 m_port;
    QProcess m_process;
};

// The runs on the real stack against the replica site on 127.0.0.2.
struct ProxiedRuns {
    RealStack stack;
    replica::ReplicaSite site;
    QTemporaryDir history;
    std::unique_ptr<Runs> runs;

    bool setUp(std::vector<Proxy> proxies) {
        if (!site.listen(0, kSiteAddress)) {
            return false;
        }
        runs = std::make_unique<Runs>(stack.timers, stack.clock, stack.http,
                                      BatchRun::Sites{site.baseUrl(), site.baseUrl()}, history.path());
        runs->proxies.setProxies(std::move(proxies));
        return true;
    }
    // Runs over the domains; whether every row came in every figure as the replica gives it.
    bool runOver(const QStringList& domains) {
        runs->batch.import(domains.join(u'\n'), false);
        runs->batch.start();
        if (!QTest::qWaitFor([&] { return runs->batch.rowsCounted() == domains.size(); }, 15'000)) {
            qWarning("%lld of %lld rows counted", runs->batch.rowsCounted(), qint64(domains.size()));
            return false;
        }
        for (qint64 row = 1; row <= domains.size(); ++row) {
            QStringList cells{runs->batch.domain(row).toString()};
            for (int cell = DomainCell::Weight; cell < DomainCell::Count; ++cell) {
                cells.append(runs->batch.figure(row, cell).shown());
            }
            if (cells != expectedCells(domains[row - 1])) {
                qWarning("row %lld: %s (%s)", row, qPrintable(cells.join(u'|')),
                         qPrintable(runs->batch.figure(row, DomainCell::Weight).reason));
                return false;
            }
        }
        return true;
    }
};

struct Sent {
    bool done = false;
    bool handedOn = false;
    bool proxyFailed = false;
    std::optional<QByteArray> body;
};

// One request straight through the Qt factory, waited for.
Sent sendThrough(RealStack& stack, const Proxy& via, const QString& url) {
    const std::unique_ptr<HttpRequest> request = stack.http.create(via);
    request->open(u"GET"_s, url, true);
    request->send();
    Sent sent;
    sent.done = QTest::qWaitFor([&] { return request->readyState() == 4; }, 5000);
    sent.handedOn = request->handedOn();
    sent.proxyFailed = request->proxyFailed();
    sent.body = request->responseBody();
    return sent;
}

}  // namespace

class TestProxyServers final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void runThroughHttpProxy() {
        const auto proxy = ProxyServer::tinyproxy();
        QVERIFY(proxy);
        ProxiedRuns r;
        QVERIFY(r.setUp({proxy->proxy(Proxy::Kind::Http)}));
        QVERIFY(r.runOver(numberedDomains(4)));
        // Four rows, three pages each, every one through the proxy (which also logs the first tries Qt
        // makes without the credentials, before the proxy asks for them).
        QCOMPARE(r.site.requestCount(), 12);
        QVERIFY(proxy->linesLogged(u"GET "_s + r.site.baseUrl()) >= 12);
    }

    void runThroughSocks5Proxy() {
        const auto proxy = ProxyServer::microsocks();
        QVERIFY(proxy);
        ProxiedRuns r;
        QVERIFY(r.setUp({proxy->proxy(Proxy::Kind::Socks5)}));
        QVERIFY(r.runOver(numberedDomains(4)));
        // microsocks names each connection it makes; the pages share kept-alive ones.
        QVERIFY(proxy->linesLogged(u"connected to "_s + r.site.baseUrl().sliced(7)) >= 1);
    }

    void deadProxyFirstIsSetAside() {
        const auto proxy = ProxyServer::tinyproxy();
        QVERIFY(proxy);
        const Proxy dead{Proxy::Kind::Socks5, u"127.0.0.1"_s, freePort(), {}, {}};
        ProxiedRuns r;
        QVERIFY(r.setUp({dead, proxy->proxy(Proxy::Kind::Http)}));
        QVERIFY(r.runOver(numberedDomains(4)));
        QVERIFY(r.runs->proxies.isSetAside(dead));
        QVERIFY(!r.runs->proxies.isSetAside(proxy->proxy(Proxy::Kind::Http)));
    }

    // What the fetcher makes of a failure or a time-out rests on these two. An HTTP proxy has the request
    // once it is written to it; a SOCKS5 proxy once it connected to the server.
    void requestKnowsWhetherItsProxyCarriedIt_data() {
        QTest::addColumn<QString>("server");
        QTest::addColumn<bool>("credentials");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("handedOn");
        QTest::addColumn<bool>("proxyFailed");
        QTest::newRow("http") << u"tinyproxy"_s << true << u"s3cret"_s << true << false;
        QTest::newRow("http, no credentials") << u"tinyproxy"_s << false << QString() << true << true;
        QTest::newRow("socks5") << u"microsocks"_s << true << u"s3cret"_s << true << false;
        QTest::newRow("socks5, wrong password") << u"microsocks"_s << true << u"wrong"_s << false << true;
        QTest::newRow("socks5, no credentials") << u"microsocks"_s << false << QString() << false << true;
    }
    void requestKnowsWhetherItsProxyCarriedIt() {
        QFETCH(QString, server);
        QFETCH(bool, credentials);
        QFETCH(QString, password);
        QFETCH(bool, handedOn);
        QFETCH(bool, proxyFailed);
        const auto proxy = server == u"tinyproxy"_s ? ProxyServer::tinyproxy() : ProxyServer::microsocks();
        QVERIFY(proxy);
        RealStack stack;
        replica::ReplicaSite site;
        QVERIFY(site.listen(0, kSiteAddress));
        Proxy via = proxy->proxy(server == u"tinyproxy"_s ? Proxy::Kind::Http : Proxy::Kind::Socks5);
        via.password = password;
        if (!credentials) {
            via.user.clear();
        }
        const Sent sent = sendThrough(stack, via, site.baseUrl() + u"/baidu/a.com/"_s);
        QVERIFY(sent.done);
        QCOMPARE(sent.handedOn, handedOn);
        QCOMPARE(sent.proxyFailed, proxyFailed);
        QCOMPARE(sent.body.has_value(), !proxyFailed);
    }

    void closedPortIsAProxyFailure_data() {
        QTest::addColumn<Proxy::Kind>("kind");
        QTest::newRow("http") << Proxy::Kind::Http;
        QTest::newRow("socks5") << Proxy::Kind::Socks5;
    }
    void closedPortIsAProxyFailure() {
        QFETCH(Proxy::Kind, kind);
        RealStack stack;
        const Sent sent =
            sendThrough(stack, {kind, u"127.0.0.1"_s, freePort(), {}, {}}, u"http://127.0.0.2:9/"_s);
        QVERIFY(sent.done);
        QVERIFY(!sent.handedOn);
        QVERIFY(sent.proxyFailed);
    }
};

QTEST_GUILESS_MAIN(TestProxyServers)
#include "tst_proxyservers.moc"
