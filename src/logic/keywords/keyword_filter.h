// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace quorvane {

// The kinds of "结果过滤", as its box names them.
extern const QString kContainsFilter;
extern const QString kSearchIndexFilter;
extern const QString kIndexedFilter;

// The filter over the keyword list, as "结果过滤" chooses it.
struct KeywordFilter {
    enum class Kind { None, Contains, SearchIndexAbove, IndexedAbove };
    Kind kind = Kind::None;
    QString needle;                   // Contains: the text a keyword holds
    std::optional<double> threshold;  // the others: the least figure that passes
    // The cell the filter tests, which the filtered list marks; 0 for None.
    int testedCell() const;
};

// The filter of a kind's caption and the value box; empty optional when a figure's filter is given
// no whole number (an empty list would read as "no keyword reaches it").
std::optional<KeywordFilter> keywordFilterFor(const QString& kindCaption, const QString& value);

// Whether a keyword row (its cells as the list shows them) passes the filter.
bool keywordRowPasses(const KeywordFilter& filter, const QStringList& cells);

}  // namespace quorvane
