// SPDX-License-Identifier: GPL-3.0-or-later
#include "keywords/keyword_filter.h"

#include "text/cells.h"
#include "text/textcut.h"

using namespace Qt::StringLiterals;

namespace quorvane {

const QString kContainsFilter = u"搜索包含关键词:"_s;
const QString kSearchIndexFilter = u"查看百度指数大于"_s;
const QString kIndexedFilter = u"查看百度收录大于"_s;

int KeywordFilter::testedCell() const {
    switch (kind) {
        case Kind::Contains:
            return KeywordCell::Keyword;
        case Kind::SearchIndexAbove:
            return KeywordCell::SearchIndex;
        case Kind::IndexedAbove:
            return KeywordCell::Indexed;
        case Kind::None:
            break;
    }
    return 0;
}

std::optional<KeywordFilter> keywordFilterFor(const QString& kindCaption, const QString& value) {
    KeywordFilter filter;
    if (kindCaption == kContainsFilter) {
        filter.kind = KeywordFilter::Kind::Contains;
        filter.needle = value;
        return filter;
    }
    if (kindCaption == kSearchIndexFilter) {
        filter.kind = KeywordFilter::Kind::SearchIndexAbove;
    } else if (kindCaption == kIndexedFilter) {
        filter.kind = KeywordFilter::Kind::IndexedAbove;
    } else {
        return filter;  // a caption typed into the box: every row passes
    }
    filter.threshold = text::wholeNumber(value);
    if (!filter.threshold) {
        return std::nullopt;
    }
    return filter;
}

bool keywordRowPasses(const KeywordFilter& filter, const QStringList& cells) {
    const int tested = filter.testedCell();
    if (filter.kind == KeywordFilter::Kind::Contains) {
        // An empty text is found in every keyword but an empty one.
        const QString keyword = cells.value(tested);
        if (filter.needle.isEmpty() ? keyword.isEmpty() : !keyword.contains(filter.needle)) {
            return false;
        }
    }
    // The site groups its figures: "1,234" is 1234, not 1.
    return !filter.threshold || *filter.threshold <= text::leadingGroupedNumber(cells.value(tested));
}

}  // namespace quorvane
