// SPDX-License-Identifier: GPL-3.0-or-later
#include "form_harness.h"

#include <QFile>

#include "replica_site.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

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

bool FormDriver::showWindow() {
    form->show();
    return QTest::qWaitForWindowExposed(form.get());
}

void FormDriver::importBox(const QString& text) {
    form->Text1->setPlainText(text);
    form->Command12->click();
}

void FormDriver::importFile(const QString& lines) {
    const QString path = folder.filePath(u"导入.txt"_s);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(lines.toUtf8()) < 0) {
        qFatal("cannot write the domain file");
    }
    file.close();
    form->Text2->setText(path);
    form->Command6->click();
}

FormDriver& FormDriver::setRowsPerBatch(const QString& rows) {
    form->Text4->setText(rows);
    return *this;
}

FormDriver& FormDriver::setPauseSeconds(const QString& seconds) {
    form->Combo1->setEditText(seconds);
    return *this;
}

void FormDriver::pressStart() {
    form->Command3->click();
}

void FormDriver::pressPause() {
    form->Command9->click();
}

void FormDriver::pressStop() {
    form->Command10->click();
}

void FormDriver::querySingle(const QString& domain) {
    form->Text5->setText(domain);
    form->Command11->click();
}

void FormDriver::filter(int kind, const QString& value) {
    form->Combo2->setCurrentIndex(kind);
    form->Text6->setText(value);
    form->Command13->click();
}

QString FormDriver::cell(int row, int index) const {
    return form->ListView1->items().subItem(row, index);
}

QStringList FormDriver::rowCells(int row) const {
    QStringList cells;
    for (int k = 1; k <= 7; ++k) {
        cells.append(cell(row, k));
    }
    return cells;
}

bool FormDriver::allFilled() const {
    const ListModel& list = form->ListView1->items();
    for (int row = 1; row <= list.itemCount(); ++row) {
        for (int k = 2; k <= 7; ++k) {
            if (list.subItem(row, k) == u"..."_s) {
                return false;
            }
        }
    }
    return true;
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

FormHarness::FormHarness(double logicalDpi, const QString& updateSite) {
    http.setResponder(replicaResponder());
    runs = std::make_unique<Runs>(time, time, http,
                                  BatchRun::Sites{QString::fromUtf16(kStats), QString::fromUtf16(kSearch)});
    form =
        std::make_unique<Form1>(Form1Services{time, time, http, messages, dialogs, clipboard, shell}, *runs,
                                Form1Config{updateSite, folder.path(), [this] { ++ended; }, logicalDpi});
}

// The window goes before the timers and requests it holds.
FormHarness::~FormHarness() {
    form.reset();
}

RealForm::RealForm() {
    if (!site.listen()) {
        qFatal("replica site: %s", qPrintable(site.errorString()));
    }
    const QString base = site.baseUrl();
    runs = std::make_unique<Runs>(timers, clock, http, BatchRun::Sites{base, base});
    form = std::make_unique<Form1>(Form1Services{timers, clock, http, messages, dialogs, clipboard, shell},
                                   *runs, Form1Config{base, folder.path(), [] {}});
}

RealForm::~RealForm() {
    form.reset();
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

QStringList FormHarness::sentStats() const {
    QStringList urls = sentWith(http, QString::fromUtf16(kStats) + u"/baidu/"_s);
    urls.removeIf(isKeywordPage);
    return urls;
}

QStringList FormHarness::sentKeywordPages() const {
    QStringList urls = sentWith(http, QString::fromUtf16(kStats) + u"/baidu/"_s);
    urls.removeIf([](const QString& url) { return !isKeywordPage(url); });
    return urls;
}

QStringList FormHarness::sentDomainQueries() const {
    return sentWith(http, QString::fromUtf16(kSearch) + u"/s?wd=domain%3A"_s);
}

QStringList FormHarness::sentSiteQueries() const {
    return sentWith(http, QString::fromUtf16(kSearch) + u"/s?wd=site%3A"_s);
}

}  // namespace quorvane::testing
