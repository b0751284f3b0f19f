// SPDX-License-Identifier: GPL-3.0-or-later
#include "run_harness.h"

#include "replica_site.h"

#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace quorvane::testing {

namespace {

// The body of a raw answer, or none when the answer is cut short of its Content-Length.
std::optional<QByteArray> rawBody(const QByteArray& raw) {
    const qsizetype headEnd = raw.indexOf("\r\n\r\n");
    if (headEnd < 0) {
        return std::nullopt;
    }
    const QByteArray body = raw.sliced(headEnd + 4);
    const QList<QByteArray> lines = raw.first(headEnd).split('\n');
    for (const QByteArray& line : lines) {
        if (line.toLower().startsWith("content-length:") &&
            line.sliced(15).trimmed().toLongLong() > body.size()) {
            return std::nullopt;
        }
    }
    return body;
}

}  // namespace

FakeHttp::Responder replicaResponder(qint64 delayMs) {
    return [delayMs](const QString& url) {
        const qsizetype hostEnd = url.indexOf(u'/', url.indexOf(u"//"_s) + 2);
        const QByteArray target = hostEnd < 0 ? QByteArrayLiteral("/") : url.mid(hostEnd).toUtf8();
        const replica::Reply reply = replica::replicaReply(replica::requestFor(target));
        FakeReply fake;
        fake.delayMs = delayMs + reply.delayMs;
        fake.status = reply.status;
        fake.contentType = reply.contentType;
        for (const auto& [name, value] : reply.headers) {
            if (name == "Location") {
                fake.redirectedTo = QString::fromUtf8(value);
            }
        }
        switch (reply.kind) {
            case replica::Reply::Kind::Normal:
                // Redirects are not followed here; the ones the site sends (loops, other schemes)
                // fail on the real stack too.
                fake.body = reply.status / 100 == 3 ? std::nullopt : std::optional<QByteArray>(reply.body);
                break;
            case replica::Reply::Kind::Raw:
                fake.body = rawBody(reply.raw);
                break;
            case replica::Reply::Kind::Trickle:
                fake.body = reply.body;
                fake.delayMs += reply.body.size() * reply.trickleMs;
                break;
            case replica::Reply::Kind::Hang:
                fake.never = true;
                break;
            case replica::Reply::Kind::Huge:
                fake.body = std::nullopt;  // over the body cap: no body to give
                break;
        }
        return fake;
    };
}

FakeHttp::Responder robotCheckOnBaidu() {
    return [replica = replicaResponder()](const QString& url) {
        if (!url.startsWith(QString::fromUtf16(VirtualSites::kSearch))) {
            return replica(url);
        }
        FakeReply check{QByteArrayLiteral("<title>百度安全验证</title>")};
        check.contentType = "text/html;charset=utf-8";
        return check;
    };
}

QStringList numberedDomains(int n, const QString& prefix, const QString& suffix) {
    QStringList names;
    names.reserve(n);
    for (int i = 1; i <= n; ++i) {
        names.append(prefix + QString::number(i) + suffix);
    }
    return names;
}

QStringList expectedCells(const QString& domain) {
    const replica::StatsFigures stats = replica::statsFiguresFor(domain);
    return {domain,
            stats.weight,
            stats.keywords,
            stats.traffic,
            replica::resultCountFor(replica::QueryKind::Site, domain),
            replica::resultCountFor(replica::QueryKind::Domain, domain),
            stats.snapshot};
}

QString savedLines(int done, int open) {
    QString lines;
    for (const QString& domain : numberedDomains(done, u"done"_s)) {
        lines += expectedCells(domain).join(u'|') + u"\r\n"_s;
    }
    for (const QString& domain : numberedDomains(open, u"open"_s)) {
        lines += domain + u"|...|...|...|...|...|...\r\n"_s;
    }
    return lines;
}

namespace {

QStringList sentWith(const FakeHttp& http, const QString& prefix) {
    QStringList urls;
    for (const QString& url : http.sent()) {
        if (url.startsWith(prefix)) {
            urls.append(url);
        }
    }
    return urls;
}

// A keyword page's address ends in its page number.
bool isKeywordPage(const QString& url) {
    static const QRegularExpression page(u"/baidu/.+/[0-9]+/$"_s);
    return page.match(url).hasMatch();
}

}  // namespace

QStringList VirtualSites::sentStats() const {
    QStringList urls = sentWith(http, QString::fromUtf16(kStats) + u"/baidu/"_s);
    urls.removeIf(isKeywordPage);
    return urls;
}

QStringList VirtualSites::sentKeywordPages() const {
    QStringList urls = sentWith(http, QString::fromUtf16(kStats) + u"/baidu/"_s);
    urls.removeIf([](const QString& url) { return !isKeywordPage(url); });
    return urls;
}

QStringList VirtualSites::sentDomainQueries() const {
    return sentWith(http, QString::fromUtf16(kSearch) + u"/s?wd=domain%3A"_s);
}

QStringList VirtualSites::sentSiteQueries() const {
    return sentWith(http, QString::fromUtf16(kSearch) + u"/s?wd=site%3A"_s);
}

VirtualSites::VirtualSites() {
    http.setResponder(replicaResponder());
}

int VirtualSites::batchSent() const {
    return static_cast<int>(sentStats().size() + sentDomainQueries().size() + sentSiteQueries().size());
}

std::unique_ptr<Runs> VirtualSites::makeRuns(const QString& historyFolder) {
    return std::make_unique<Runs>(time, time, http,
                                  BatchRun::Sites{QString::fromUtf16(kStats), QString::fromUtf16(kSearch)},
                                  historyFolder);
}

// Their timers and requests go before the virtual time and fake HTTP do.
RunHarness::~RunHarness() {
    runs.reset();
}

QStringList RunHarness::rowCells(qint64 entry) const {
    QStringList cells{batch.domain(entry).toString()};
    for (int cell = DomainCell::Weight; cell < DomainCell::Count; ++cell) {
        cells.append(batch.figure(entry, cell).shown());
    }
    return cells;
}

bool RunHarness::allFilled() const {
    for (qint64 entry = 1; entry <= batch.rowCount(); ++entry) {
        if (!batch.complete(entry)) {
            return false;
        }
    }
    return true;
}

// A replica domain with between lo and hi keywords.
QString domainWithKeywords(int lo, int hi) {
    for (int i = 0;; ++i) {
        const QString domain = u"kw"_s + QString::number(i) + u".com"_s;
        const int count = replica::statsFiguresFor(domain).keywords.toInt();
        if (count >= lo && count <= hi) {
            return domain;
        }
    }
}

}  // namespace quorvane::testing
