// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace quorvane {

// One table row of a keyword page: the cells in the order they are cut (keyword, rank, search
// index, indexed count, page title), up to the first one that could not be cut.
struct KeywordTableRow {
    QStringList cells;
    bool complete() const { return cells.size() == 5; }
};

struct KeywordTable {
    bool parsed = false;  // false: no header cell, or nothing after it
    std::vector<KeywordTableRow> rows;
};

// Cuts the rows out of one page of a domain's keyword table.
KeywordTable parseKeywordTable(const QString& page);

}  // namespace quorvane
