// SPDX-License-Identifier: GPL-3.0-or-later
#include "page_parsers.h"

#include "../text/textcut.h"

#include <cmath>

using namespace Qt::StringLiterals;

namespace quorvane {

namespace {

const QString kWeightMarker = u"百度权重值为"_s;
const QString kSectionEnd = u"</div>"_s;
const QString kKeywordMarker = u"累计找到 <span style=\"color:#F00\">"_s;
const QString kTrafficMarker = u"网站的流量为：<span style=\"color:#F00\">"_s;
const QString kSnapshotMarker = u"百度快照日期："_s;
const QString kIndexedMarker = u"收录数："_s;
const QString kTagStart = u"<"_s;
const QString kBlank = u" "_s;

const QString kCountStart = u"找到相关结果"_s;
const QString kCountEnd = u"个"_s;
const QString kAbout = u"约"_s;

// The text between marker and end inside section; empty when a cut fails.
std::optional<QString> cut(const QString& section, const QString& marker, const QString& end) {
    const auto after = text::PartAfter(section, marker);
    if (!after) {
        return std::nullopt;
    }
    return text::PartBefore(*after, end);
}

}  // namespace

std::vector<StatsFigure> parseStatsPage(const QString& page) {
    std::vector<StatsFigure> figures;
    if (!page.contains(kWeightMarker)) {
        return figures;
    }
    const auto afterWeight = text::PartAfter(page, kWeightMarker);
    const auto section = afterWeight ? text::PartBefore(*afterWeight, kSectionEnd) : std::nullopt;
    if (!section) {
        return figures;
    }
    QString weight = section->left(2);
    weight.remove(u'，');
    figures.push_back({StatsField::Weight, weight});

    const struct {
        StatsField field;
        const QString& marker;
        const QString& end;
    } steps[] = {
        {StatsField::Keywords, kKeywordMarker, kTagStart},
        {StatsField::Traffic, kTrafficMarker, kTagStart},
        {StatsField::Snapshot, kSnapshotMarker, kBlank},
        {StatsField::Indexed, kIndexedMarker, kBlank},
    };
    for (const auto& step : steps) {
        const auto figure = cut(*section, step.marker, step.end);
        if (!figure) {
            break;
        }
        figures.push_back({step.field, *figure});
    }
    return figures;
}

std::optional<int> keywordPagesFor(const QString& keywordCount) {
    const auto count = text::wholeNumber(keywordCount);
    if (!count) {
        return std::nullopt;
    }
    // Capped before any narrowing, so a domain with a million keywords still gets its 40 pages.
    const double pages = std::min(std::ceil(*count / 25.0), 40.0);
    if (!(pages > -32768.0)) {
        return std::nullopt;  // NaN, or a negative count out of all range
    }
    return static_cast<int>(pages);
}

bool isStatsPage(const QString& page) {
    return page.contains(kWeightMarker);
}

ResultCount parseResultCount(const QString& page) {
    if (!page.contains(kCountStart)) {
        return {ResultCount::Kind::NoMarker, {}};
    }
    const auto figure = cut(page, kCountStart, kCountEnd);
    if (!figure) {
        return {ResultCount::Kind::CutFailed, {}};
    }
    QString text = *figure;
    text.remove(kAbout);
    return {ResultCount::Kind::Figure, text};
}

bool isVerificationPage(const QString& page) {
    // A page with a result count is a result page, whatever its title or links say.
    if (page.contains(kCountStart)) {
        return false;
    }
    if (page.contains(u"wappass.baidu.com"_s)) {
        return true;  // the redirect to the check, not followed
    }
    const qsizetype tag = page.indexOf(u"<title"_s, 0, Qt::CaseInsensitive);
    const qsizetype open = tag < 0 ? -1 : page.indexOf(u'>', tag);
    if (open < 0) {
        return false;
    }
    const qsizetype close = page.indexOf(u"</title>"_s, open, Qt::CaseInsensitive);
    const QStringView title = QStringView(page).mid(open + 1, close < 0 ? -1 : close - open - 1).trimmed();
    return title == u"百度安全验证"_s;
}

bool isFailedAnswer(const QString& page) {
    return page == kFailureText || isVerificationPage(page);
}

}  // namespace quorvane
