// SPDX-License-Identifier: GPL-3.0-or-later
// Misbehaving sites against the real network stack: the replica site's fault modes on loopback.
#include "fetch/httppage2.h"
#include "mini_http_server.h"
#include "real_stack.h"
#include "replica_site.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace quorvane;
using quorvane::replica::MiniHttpServer;
using quorvane::replica::Reply;
using quorvane::replica::Request;
using quorvane::testing::Fetched;
using quorvane::testing::RealStack;

namespace {

const QString kFailed = u"失败"_s;

// The replica site, plus /raw/<hex> serving exactly those bytes.
Reply siteOrRaw(const Request& request) {
    if (request.path.startsWith("/raw/")) {
        return Reply::ok(QByteArray::fromHex(request.path.sliced(5)));
    }
    return replica::replicaReply(request);
}

QString statsPath(const QString& domain) {
    return u"/baidu/"_s + domain + u"/"_s;
}

QString siteQueryPath(const QString& domain) {
    return u"/s?wd=site%3A"_s + domain;
}

}  // namespace

class TestBadInput final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void brokenBytesDecodeWithReplacement_data();
    void brokenBytesDecodeWithReplacement();
    void brokenAnswersFail_data();
    void brokenAnswersFail();
    void hugeHeaderEndsCleanly();
    void tricklingServerTimesOut();
};

void TestBadInput::brokenBytesDecodeWithReplacement_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<Charset>("charset");
    QTest::addColumn<QString>("after");  // text that must come through after the broken bytes
    QTest::newRow("badutf8 statistics page")
        << statsPath(u"badutf8.example.com"_s) << Charset::Utf8
        << u"百度权重值为"_s + replica::statsFiguresFor(u"badutf8.example.com"_s).weight;
    QTest::newRow("badgbk search page")
        << siteQueryPath(u"badgbk.example.com"_s) << Charset::Gb2312
        << u"找到相关结果数约"_s + replica::resultCountFor(replica::QueryKind::Site, u"badgbk.example.com"_s);
    QTest::newRow("three stray UTF-8 bytes") << u"/raw/fffefd"_s << Charset::Utf8 << QString();
    QTest::newRow("three stray GBK bytes") << u"/raw/ff81ff"_s << Charset::Gb2312 << QString();
    QTest::newRow("cut UTF-8 sequence at the end") << u"/raw/616263e4b8"_s << Charset::Utf8 << u"abc"_s;
    QTest::newRow("cut GBK pair at the end") << u"/raw/616263b0"_s << Charset::Gb2312 << u"abc"_s;
}

void TestBadInput::brokenBytesDecodeWithReplacement() {
    QFETCH(QString, path);
    QFETCH(Charset, charset);
    QFETCH(QString, after);
    RealStack stack;
    MiniHttpServer server(&siteOrRaw);
    QVERIFY(server.listen());
    const Fetched got = fetchTimed(stack, server.baseUrl() + path, charset, 5000);
    QCOMPARE(got.events.size(), 1);
    const QString& text = got.events.first();
    QVERIFY(text != kFailed);
    QVERIFY2(text.contains(QChar::ReplacementCharacter), qPrintable(text.left(200)));
    QVERIFY2(text.contains(after), qPrintable(after));
}

void TestBadInput::brokenAnswersFail_data() {
    QTest::addColumn<QString>("path");
    QTest::newRow("cutoff statistics") << statsPath(u"cutoff.example.com"_s);
    QTest::newRow("cutoff search") << siteQueryPath(u"cutoff.example.com"_s);
    QTest::newRow("redirect loop") << statsPath(u"loop.example.com"_s);
    QTest::newRow("redirect to file:") << statsPath(u"scheme.example.com"_s);
    QTest::newRow("redirect to ftp:") << siteQueryPath(u"scheme.example.com"_s);
    QTest::newRow("two stray bytes") << u"/raw/fffe"_s;
}

void TestBadInput::brokenAnswersFail() {
    QFETCH(QString, path);
    RealStack stack;
    MiniHttpServer server(&siteOrRaw);
    QVERIFY(server.listen());
    // Well inside the time-out: these must fail on their own, not by waiting it out.
    const Fetched got = fetchTimed(stack, server.baseUrl() + path, Charset::Utf8, 4000);
    QCOMPARE(got.events, QStringList{kFailed});
    QTRY_COMPARE(server.openConnections(), 0);
}

void TestBadInput::hugeHeaderEndsCleanly() {
    RealStack stack;
    MiniHttpServer server(&siteOrRaw);
    QVERIFY(server.listen());
    const QString domain = u"bigheader.example.com"_s;
    const Fetched got = fetchTimed(stack, server.baseUrl() + statsPath(domain), Charset::Utf8, 8000);
    QCOMPARE(got.events.size(), 1);
    // Refused as too large, or read whole: never a part of it.
    const QString whole = QString::fromUtf8(replica::statsPageFor(domain));
    QVERIFY2(got.events.first() == kFailed || got.events.first() == whole,
             qPrintable(got.events.first().left(200)));
    QTRY_COMPARE(server.openConnections(), 0);
}

void TestBadInput::tricklingServerTimesOut() {
    RealStack stack;
    MiniHttpServer server(&siteOrRaw);
    QVERIFY(server.listen());
    const Fetched got =
        fetchTimed(stack, server.baseUrl() + statsPath(u"trickle.example.com"_s), Charset::Utf8, 9000);
    QCOMPARE(got.events, QStringList{kFailed});
    // Bytes keep coming, yet the time-out counts from the start: six whole seconds at most, with
    // room for a busy machine.
    QVERIFY2(got.elapsedMs > 5000 && got.elapsedMs <= 6500, qPrintable(QString::number(got.elapsedMs)));
    QTRY_COMPARE(server.openConnections(), 0);
}

QTEST_GUILESS_MAIN(TestBadInput)
#include "tst_badinput.moc"
