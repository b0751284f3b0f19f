// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "text/cells.h"

#include <QString>
#include <optional>
#include <vector>

namespace quorvane {

// The figures of a statistics page, in the order they are cut out of its section.
enum class StatsField { Weight, Keywords, Traffic, Snapshot, Indexed };
// The domain list's column of a statistics page's figure.
int domainCellOf(StatsField field);

// A figure of the page, or none where the page lacks it or holds no figure there.
struct StatsFigure {
    StatsField field;
    QString text;
    bool found = true;
};

// Why a field of a statistics page shows no figure.
extern const QString kNoSuchField;

// All five fields, in order, each cut from the weight marker's section on its own; empty when the
// page has no weight marker. A weight or count must be a count, the traffic a count or a range,
// the snapshot a date: anything else is no figure of the domain.
std::vector<StatsFigure> parseStatsPage(const QString& page);

// Keyword pages for a keyword count text: the count divided by 25, rounded up, at most 40, so
// that no keyword of a last, partly filled page is dropped. Empty when the count is not a number.
std::optional<int> keywordPagesFor(const QString& keywordCount);

// Whether a page is a statistics page at all: one without the weight marker holds no figures.
bool isStatsPage(const QString& page);

// What a search result page says about its result count: a figure ("1,240,000", as grouped as the
// page has it), Baidu's own "no results" page (a real 0), or no count at all (a portal page, a page
// cut off, another layout), which is no figure of the domain.
struct ResultCount {
    enum class Kind { Figure, NoResults, NoCount };
    Kind kind;
    QString figure;  // with Kind::Figure
};
ResultCount parseResultCount(const QString& page);

// Why a result page shows no figure.
extern const QString kNoCount;

// Baidu's anti-robot check instead of results: its title, or its verification host.
bool isVerificationPage(const QString& page);

// Whether an answer means the page could not be had (so a cell must not show a figure).
bool isFailedAnswer(const QString& page);

}  // namespace quorvane
