// SPDX-License-Identifier: GPL-3.0-or-later
// The statistics page parser and the keyword page count taken from its keyword figure.

#include "batch/page_parsers.h"
#include "fuzz_support.h"
#include "text/textcut.h"

using namespace Qt::StringLiterals;
using quorvane::fuzz::require;

namespace {

void checkPages(const QString& count) {
    const auto pages = quorvane::keywordPagesFor(count);
    const auto number = quorvane::text::wholeNumber(count);
    require(!pages || number, "a page count comes only from a number");
    if (pages) {
        require(*pages <= 40 && *pages >= -32768, "page count capped at 40 and inside 16 bits");
        require(*number < 0 || *pages >= 0, "no negative page count for a count of 0 or more");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString page = quorvane::fuzz::textFrom(data, size);
    const std::vector<quorvane::StatsFigure> figures = quorvane::parseStatsPage(page);
    require(figures.empty() || figures.size() == 5, "all five fields or none");
    require(figures.empty() || page.contains(u"百度权重值为"_s), "figures only after the weight marker");
    for (std::size_t i = 0; i < figures.size(); ++i) {
        const quorvane::StatsFigure& figure = figures[i];
        require(static_cast<std::size_t>(figure.field) == i, "figures come in page order");
        if (!figure.found) {
            require(figure.text.isEmpty(), "a missing field holds no text");
            continue;
        }
        switch (figure.field) {
            case quorvane::StatsField::Weight:
                require(figure.text.size() <= 2 && !figure.text.contains(u'，'),
                        "weight is two characters, no comma");
                break;
            case quorvane::StatsField::Keywords:
            case quorvane::StatsField::Traffic:
                require(page.contains(figure.text) && !figure.text.contains(u'<'), "figure cut before a tag");
                require(quorvane::text::isCount(figure.text) || quorvane::text::isCountRange(figure.text),
                        "a count or a range");
                break;
            case quorvane::StatsField::Snapshot:
            case quorvane::StatsField::Indexed:
                require(page.contains(figure.text) && !figure.text.contains(u' '),
                        "figure cut before a blank");
                require(quorvane::text::isDate(figure.text) || quorvane::text::isCount(figure.text),
                        "a date or a count");
                break;
        }
        if (figure.field == quorvane::StatsField::Keywords) {
            checkPages(figure.text);
        }
    }
    checkPages(page.left(64));
    return 0;
}
