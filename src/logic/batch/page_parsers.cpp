// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/page_parsers.h"

#include "text/textcut.h"

#include <cmath>

using namespace Qt::StringLiterals;

namespace quorvane {

int domainCellOf(StatsField field) {
    switch (field) {
        case StatsField::Weight:
            return DomainCell::Weight;
        case StatsField::Keywords:
            return DomainCell::Keywords;
        case StatsField::Traffic:
            return DomainCell::Traffic;
        case StatsField::Snapshot:
            return DomainCell::Snapshot;
        case StatsField::Indexed:
            return DomainCell::Indexed;
    }
    return DomainCell::Weight;
}

const QString kNoSuchField = u"页面中没有该项"_s;
const QString kNoCount = u"页面中没有结果数"_s;

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
const QString kCountWord = u"数"_s;

// The visible text of a page: tags dropped, so that words split by markup read as one.
QString withoutTags(const QString& page) {
    QString out;
    out.reserve(page.size());
    bool inTag = false;
    for (const QChar c : page) {
        if (c == u'<') {
            inTag = true;
        } else if (c == u'>') {
            inTag = false;
        } else if (!inTag) {
            out += c;
        }
    }
    return out;
}

// Baidu's answer when nothing is found: "抱歉，没有找到与“site:…”相关的网页", the comma optional,
// tags anywhere between the words.
bool isNoResultsPage(const QString& page) {
    const QString text = withoutTags(page);
    for (qsizetype at = text.indexOf(u"抱歉"_s); at >= 0; at = text.indexOf(u"抱歉"_s, at + 2)) {
        qsizetype i = at + 2;
        while (i < text.size() && (text[i].isSpace() || text[i] == u'，' || text[i] == u',')) {
            ++i;
        }
        if (QStringView(text).sliced(i).startsWith(u"没有找到与"_s) &&
            text.indexOf(u"相关的网页"_s, i) >= 0) {
            return true;
        }
    }
    return false;
}

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
    const QString section =
        afterWeight ? text::PartBefore(*afterWeight, kSectionEnd).value_or(QString()) : QString();
    const auto add = [&](StatsField field, std::optional<QString> figure, bool (*shape)(QStringView)) {
        if (figure && shape(*figure)) {
            figures.push_back({field, *figure, true});
        } else {
            figures.push_back({field, QString(), false});
        }
    };
    QString weight = section.left(2);
    weight.remove(u'，');
    add(StatsField::Weight, weight, text::isCount);
    add(StatsField::Keywords, cut(section, kKeywordMarker, kTagStart), text::isCount);
    add(StatsField::Traffic, cut(section, kTrafficMarker, kTagStart),
        [](QStringView t) { return text::isCount(t) || text::isCountRange(t); });
    add(StatsField::Snapshot, cut(section, kSnapshotMarker, kBlank), text::isDate);
    add(StatsField::Indexed, cut(section, kIndexedMarker, kBlank), text::isCount);
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
    if (page.contains(kCountStart)) {
        // The count stands before its "个"; a piece without one was cut off or is another text.
        const QString piece = text::PartAfter(page, kCountStart).value_or(QString());
        QString figure =
            piece.contains(kCountEnd) ? text::PartBefore(piece, kCountEnd).value_or(QString()) : QString();
        figure.remove(kAbout);
        // The site: page says "找到相关结果数约7,400个".
        if (figure.startsWith(kCountWord)) {
            figure.remove(0, kCountWord.size());
        }
        if (text::isCount(figure)) {
            return {ResultCount::Kind::Figure, figure.trimmed()};
        }
        return {ResultCount::Kind::NoCount, {}};
    }
    return {isNoResultsPage(page) ? ResultCount::Kind::NoResults : ResultCount::Kind::NoCount, {}};
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
