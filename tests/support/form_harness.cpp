#include "form_harness.h"

#include "replica_site.h"

#include <QPlainTextEdit>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace quorvane::testing {

FakeHttp::Responder replicaResponder(qint64 delayMs) {
    return [delayMs](const QString& url) {
        const qsizetype hostEnd = url.indexOf(u'/', url.indexOf(u"//"_s) + 2);
        const QByteArray target = hostEnd < 0 ? QByteArrayLiteral("/") : url.mid(hostEnd).toUtf8();
        replica::Request request;
        request.method = "GET";
        request.target = target;
        const qsizetype question = target.indexOf('?');
        request.path = QByteArray::fromPercentEncoding(question < 0 ? target : target.left(question));
        request.query = question < 0 ? QByteArray() : target.mid(question + 1);
        const replica::Reply reply = replica::replicaReply(request);
        FakeReply fake;
        fake.delayMs = delayMs + reply.delayMs;
        fake.status = reply.status;
        switch (reply.kind) {
            case replica::Reply::Kind::Normal:
                fake.body = reply.body;
                break;
            case replica::Reply::Kind::Raw:
                fake.body = reply.raw;
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

FormHarness::FormHarness(double logicalDpi) {
    http.setResponder(replicaResponder());
    form = std::make_unique<Form1>(
        Form1Services{time, time, http, messages, dialogs, clipboard, shell},
        Form1Config{QString::fromUtf16(kStats), QString::fromUtf16(kSearch), QString::fromUtf16(kUpdate),
                    folder.path(), [this] { ++ended; }, logicalDpi});
}

FormHarness::~FormHarness() = default;

void FormHarness::importDomains(const QStringList& domains) {
    form->Text1->setPlainText(domains.join(u'\n'));
    form->Command12->click();
}

QString FormHarness::cell(int row, int index) const {
    return form->ListView1->items().subItem(row, index);
}

QStringList FormHarness::rowCells(int row) const {
    return rowCellsOf(*form, row);
}

bool FormHarness::allFilled() const {
    return allFilledOf(*form);
}

QStringList rowCellsOf(const Form1& form, int row) {
    QStringList cells;
    for (int k = 1; k <= 7; ++k) {
        cells.append(form.ListView1->items().subItem(row, k));
    }
    return cells;
}

bool allFilledOf(const Form1& form) {
    const ListModel& list = form.ListView1->items();
    for (int row = 1; row <= list.itemCount(); ++row) {
        for (int k = 2; k <= 7; ++k) {
            if (list.subItem(row, k) == u"..."_s) {
                return false;
            }
        }
    }
    return true;
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

RealForm::RealForm() {
    if (!site.listen()) {
        qFatal("replica site: %s", qPrintable(site.errorString()));
    }
    const QString base = site.baseUrl();
    form = std::make_unique<Form1>(Form1Services{timers, clock, http, messages, dialogs, clipboard, shell},
                                   Form1Config{base, base, base, folder.path(), [] {}});
}

RealForm::~RealForm() = default;

void RealForm::importDomains(const QStringList& domains) {
    form->Text1->setPlainText(domains.join(u'\n'));
    form->Command12->click();
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

}  // namespace

QStringList FormHarness::sentStats() const {
    return sentWith(http, QString::fromUtf16(kStats) + u"/baidu/"_s);
}

QStringList FormHarness::sentDomainQueries() const {
    return sentWith(http, QString::fromUtf16(kSearch) + u"/s?wd=domain%3A"_s);
}

QStringList FormHarness::sentSiteQueries() const {
    return sentWith(http, QString::fromUtf16(kSearch) + u"/s?wd=site%3A"_s);
}

}  // namespace quorvane::testing
