// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace quorvane {

extern const QString kFailureText;  // what a fetcher delivers when a page could not be had
extern const QString kUnknown;      // a figure not known yet

// The cells of a domain list row: 0 is the row's own text (its line number), k its k-th sub-item.
namespace DomainCell {
enum : int { Number = 0, Domain, Weight, Keywords, Traffic, Indexed, Backlinks, Snapshot, Count };
}

// The cells of a keyword list row.
namespace KeywordCell {
enum : int { Number = 0, Keyword, Rank, SearchIndex, Indexed, Title, Count };
}

}  // namespace quorvane
