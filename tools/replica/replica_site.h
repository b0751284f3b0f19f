// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A stand-in for the SEO statistics site and the search engine, serving deterministic pages
// for any domain on 127.0.0.1.
//
// Routes (GET and HEAD; other methods get 405):
//   /baidu/<domain>/ and /baidu/<domain>   statistics page, UTF-8
//   /baidu/<domain>/<page>/                 page <page> (from 0) of the domain's keyword table, UTF-8:
//                                           kKeywordsPerPage rows a page, as many rows in all as the
//                                           statistics page's keyword count, the last page shorter
//   /s?wd=domain%3A<domain>                 search result page of the backlink query, UTF-8, its count
//                                           line "百度为您找到相关结果约N个" as Baidu writes it today
//   /s?wd=site%3A<domain>                   search result page of the indexed-page query, UTF-8, its
//                                           count line "找到相关结果数约N个"
//   /update/article/html/14916.html         the update notice article, GBK, announcing a newer version
//   anything else                           404 with a short body
// The domain is percent-decoded (UTF-8) before use, in the path and in the wd value alike;
// '+' is not turned into a blank. Figures depend on the exact decoded domain text.
//
// Fault modes, chosen by the domain's first label (the text before the first '.', compared
// without regard to case), for every route above:
//   hang      reads the request and never answers; the socket stays open until the client
//             leaves or the site is destroyed
//   notfound  404 with an HTML body that holds no marker
//   empty     200 with an empty body
//   nomarker  statistics: 200 with an ordinary-looking page that holds none of the markers;
//             search: Baidu's own page for a query without results (a real zero)
//   partial   statistics: the weight and the keyword count, but no traffic, snapshot or
//             indexed marker anywhere; search: the page ends right after "找到相关结果"
//   garbage   200 with a few KB of pseudo-random bytes, the same for the same domain
//   huge      200 with a body of kHugeBodyBytes, streamed as the client reads
//   verify    search: the anti-robot page titled "百度安全验证"; statistics: normal page
//   wappass   search: 302 to Baidu's verification host (kVerificationAddress); statistics: normal page
//   gbk       search: the result page in GBK, declared only in its meta tag; statistics: normal page
//   slow      the normal page, sent kSlowReplyMs after the request arrived
//   trickle   the normal page's head at once, then one byte of its body every kTrickleByteMs
//   cutoff    a head announcing the whole normal page, half of its body, then the connection closes
//   loop      302 back to the very same target, for ever
//   scheme    302 to another scheme: statistics to file:///etc/passwd, search to ftp://127.0.0.1/
//   bigheader 200 with kBigHeaderBytes of extra header lines in front of the normal page
//   badutf8   statistics: the normal page with invalid UTF-8 (a stray continuation byte, a cut
//             sequence, bytes 0xFE 0xFF) just before the weight marker; search: normal page
//   badgbk    search: the page in GBK, declared so, with invalid GBK (0xFF, a lead byte before a
//             line feed, a lead byte before 0x7F) just before the count marker; statistics: normal page
//   flaky     503 the first time each page is asked for, the normal page after that (ReplicaSite
//             only: the answer depends on what was asked before)
// Keyword table faults, by first label too (statistics and search pages stay normal):
//   kwnohead   keyword pages of another layout, without the "<td>网页标题</td>" header cell
//   kwmissing  row 3 of page 0 has no rank cell marker
//   kwentity   every keyword holds an entity and blanks around it
//   kwfail     page 1 answers 500 with an error page
// Any other first label gets the normal pages.

#include "mini_http_server.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>

namespace quorvane::replica {

inline constexpr qint64 kHugeBodyBytes = 40 * 1024 * 1024;
inline constexpr int kSlowReplyMs = 2000;
inline constexpr int kTrickleByteMs = 1000;
inline constexpr qsizetype kBigHeaderBytes = 1024 * 1024;

// What the badutf8 and badgbk modes put into their pages.
inline constexpr char kBadUtf8Bytes[] = "\x80 \xe4\xb8 \xfe\xff ";
inline constexpr char kBadGbkBytes[] = "\xff \x81\x0a \xa1\x7f ";

enum class QueryKind { Domain, Site };

enum class FaultMode {
    None,
    Hang,
    NotFound,
    Empty,
    NoMarker,
    Partial,
    Garbage,
    Huge,
    Verify,
    Slow,
    Trickle,
    Cutoff,
    Loop,
    Scheme,
    BigHeader,
    BadUtf8,
    BadGbk,
    KwNoHead,
    KwMissing,
    KwEntity,
    KwFail,
    Flaky,
    Gbk,
    Wappass
};

// Where the wappass mode sends a search: Baidu's robot check, never asked for.
inline constexpr char kVerificationAddress[] =
    "https://wappass.baidu.com/static/captcha/tuxing.html?ak=0&backurl=x";

inline constexpr int kKeywordsPerPage = 25;

// One keyword row as the program should cut it out of a keyword page.
struct KeywordFigures {
    QString keyword;
    QString rank;
    QString index;    // search index, decimal digits
    QString indexed;  // indexed count, decimal digits
    QString title;
};

// The figures as the program should cut them out of the statistics page.
struct StatsFigures {
    QString weight;    // "0" to "10"; the page writes a one-digit weight with "，" after it
    QString keywords;  // decimal digits
    QString traffic;   // decimal digits
    QString snapshot;  // yyyy-MM-dd
    QString indexed;   // decimal digits
};

FaultMode faultModeFor(const QString& domain);
StatsFigures statsFiguresFor(const QString& domain);
// The count as it stands between "约" and "个", with thousands separators, e.g. "1,230".
QString resultCountFor(QueryKind kind, const QString& domain);

QByteArray statsPageFor(const QString& domain);                      // normal page, UTF-8
QByteArray resultPageFor(QueryKind kind, const QString& domain);     // normal page, UTF-8
QByteArray gbkResultPageFor(QueryKind kind, const QString& domain);  // the same in GBK
QByteArray garbageFor(const QString& domain);                        // body of the garbage mode
// The rows of keyword page `page`; empty past the last page.
QList<KeywordFigures> keywordRowsFor(const QString& domain, int page);
QByteArray keywordPageFor(const QString& domain, int page);  // normal page, UTF-8
QByteArray updatePage();                                     // GBK

// A GET of target ("/path?query"), split as the server splits what it receives.
Request requestFor(const QByteArray& target);

// The site's whole behaviour for one request, fault modes included.
Reply replicaReply(const Request& request);

class ReplicaSite final : public QObject {
    Q_OBJECT

public:
    explicit ReplicaSite(QObject* parent = nullptr);

    bool listen(quint16 port = 0, const QHostAddress& address = QHostAddress(QHostAddress::LocalHost));
    // Every answer waits this long more, so that a person can watch a run fill in.
    void setExtraDelayMs(int ms);
    quint16 port() const;
    QString baseUrl() const;  // "http://ADDRESS:PORT", no trailing slash
    QString errorString() const;
    int requestCount() const;
    QList<QByteArray> targets() const;
    int openConnections() const;

private:
    Reply answer(const Request& request);

    MiniHttpServer server_;
    int extraDelayMs_ = 0;
    QSet<QByteArray> askedBefore_;  // targets of flaky domains already answered with a failure
};

}  // namespace quorvane::replica
