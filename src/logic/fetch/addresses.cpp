// SPDX-License-Identifier: GPL-3.0-or-later
#include "fetch/addresses.h"

#include <QUrl>

using namespace Qt::StringLiterals;

namespace quorvane {

QString encodedDomain(const QString& domain) {
    return QString::fromLatin1(QUrl::toPercentEncoding(domain));
}

QString statsPageAddress(const QString& base, const QString& domain, bool trailingSlash) {
    return base + u"/baidu/"_s + encodedDomain(domain) + (trailingSlash ? u"/"_s : QString());
}

QString keywordPageAddress(const QString& base, const QString& domain, qint64 page) {
    return statsPageAddress(base, domain, true) + QString::number(page) + u'/';
}

QString domainQueryAddress(const QString& base, const QString& domain) {
    return base + u"/s?wd=domain%3A"_s + encodedDomain(domain);
}

QString siteQueryAddress(const QString& base, const QString& domain) {
    return base + u"/s?wd=site%3A"_s + encodedDomain(domain);
}

const QString kVerificationReason = u"百度安全验证：需要人工验证"_s;

bool isVerificationHost(const QString& host) {
    const QString name = host.toLower();
    return name == u"wappass.baidu.com"_s || name.endsWith(u".wappass.baidu.com"_s);
}

}  // namespace quorvane
