// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace quorvane {

// The addresses the program asks for. A domain is percent-encoded wherever it goes, so the site
// receives exactly the characters the user typed: a "#", "?" or "%" in it can neither end the
// path nor turn into another query. Real domains are unchanged by this.
QString encodedDomain(const QString& domain);

// base + "/baidu/" + domain, with "/" at the end for the batch run.
QString statsPageAddress(const QString& base, const QString& domain, bool trailingSlash);
QString keywordPageAddress(const QString& base, const QString& domain, qint64 page);
QString domainQueryAddress(const QString& base, const QString& domain);  // backlinks
QString siteQueryAddress(const QString& base, const QString& domain);    // indexed pages

// Baidu's robot check lives on its own host; a redirect there is the check, not a page.
bool isVerificationHost(const QString& host);
extern const QString kVerificationReason;  // why a cell fails when Baidu asks for the check

}  // namespace quorvane
