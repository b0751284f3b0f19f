// SPDX-License-Identifier: GPL-3.0-or-later
// The keyword table of a statistics site page.

#include "fuzz_support.h"
#include "keywords/keyword_parser.h"
#include "text/textcut.h"

using namespace Qt::StringLiterals;
using quorvane::fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString page = quorvane::fuzz::textFrom(data, size);
    const quorvane::KeywordTable table = quorvane::parseKeywordTable(page);
    const auto afterHeader = quorvane::text::PartAfter(page, u"<td>网页标题</td>"_s);
    require(table.parsed == (afterHeader && !afterHeader->isEmpty()),
            "parsed exactly when the header has text after it");
    if (!table.parsed) {
        require(table.rows.empty(), "no rows from a page that did not parse");
        return 0;
    }
    require(static_cast<qsizetype>(table.rows.size()) <= afterHeader->count(u"<tr>"_s),
            "one row per row start");
    for (const quorvane::KeywordTableRow& row : table.rows) {
        require(row.cells.size() <= 5, "at most five cells");
        require(row.complete() == (row.cells.size() == 5), "a complete row has all five cells");
        for (const QString& cell : row.cells) {
            require(!cell.contains(u'<'), "a cell ends before the next tag");
            require(!cell.contains(u"页号"_s), "no cell from the paging area");
            require(afterHeader->contains(cell), "a cell comes from after the header");
        }
    }
    return 0;
}
