// SPDX-License-Identifier: GPL-3.0-or-later
// The result count of a search page, and the checks that tell a failed answer.

#include "batch/page_parsers.h"
#include "fuzz_support.h"
#include "text/textcut.h"

using namespace Qt::StringLiterals;
using quorvane::fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString page = quorvane::fuzz::textFrom(data, size);
    const bool marker = page.contains(u"找到相关结果"_s);
    const quorvane::ResultCount count = quorvane::parseResultCount(page);
    using Kind = quorvane::ResultCount::Kind;
    require(count.kind != Kind::Figure || marker, "a figure only after the marker");
    require(count.kind != Kind::NoResults || !marker, "no results only on a page without a count line");
    if (count.kind == Kind::Figure) {
        require(quorvane::text::isCount(count.figure), "a figure is a count");
        QString rest = page.mid(page.indexOf(u"找到相关结果"_s));
        rest.remove(u'约');
        require(rest.contains(count.figure), "figure comes from after the marker, 约 removed");
    } else {
        require(count.figure.isEmpty(), "no figure without a count");
    }

    const bool verification = quorvane::isVerificationPage(page);
    require(!(verification && marker), "a page with a result count is never the check page");
    require(quorvane::isFailedAnswer(page) == (verification || page == u"失败"_s),
            "failed answers are known");
    return 0;
}
