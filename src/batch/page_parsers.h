// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "../text/cells.h"

#include <QString>
#include <optional>
#include <vector>

namespace quorvane {

// The figures of a statistics page, in the order they are cut out of its section.
enum class StatsField { Weight, Keywords, Traffic, Snapshot, Indexed };

struct StatsFigure {
    StatsField field;
    QString text;
};

// The figures found before the first cut that fails; empty when the page has no weight marker.
std::vector<StatsFigure> parseStatsPage(const QString& page);

// Keyword pages for a keyword count text: the count divided by 25, rounded up, at most 40, so
// that no keyword of a last, partly filled page is dropped. Empty when the count is not a number.
std::optional<int> keywordPagesFor(const QString& keywordCount);

// Whether a page is a statistics page at all: one without the weight marker holds no figures.
bool isStatsPage(const QString& page);

// What a search result page says about its result count.
struct ResultCount {
    enum class Kind { Figure, NoMarker, CutFailed };
    Kind kind;
    QString figure;  // with Kind::Figure
};
ResultCount parseResultCount(const QString& page);

// Baidu's anti-robot check instead of results: its title, or its verification host.
bool isVerificationPage(const QString& page);

// Whether an answer means the page could not be had (so a cell must not show a figure).
bool isFailedAnswer(const QString& page);

}  // namespace quorvane
