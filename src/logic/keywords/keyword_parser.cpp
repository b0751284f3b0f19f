// SPDX-License-Identifier: GPL-3.0-or-later
#include "keywords/keyword_parser.h"

#include <algorithm>
#include <array>
#include <optional>

namespace quorvane {

namespace {

constexpr QStringView kHeaderCell = u"<td>网页标题</td>";
constexpr QStringView kPagingArea = u"页号";
constexpr QStringView kRowStart = u"<tr>";
constexpr QStringView kLinkMarker = u"nofollow\">";
constexpr QStringView kRankMarker = u"110%\">";
constexpr QStringView kNumberMarker = u"right\">";

// indexOf(needle, from) through a search for one of the needle's characters (anchor): searching
// for a single character is much faster than for a string. Pick an anchor that is rare in pages.
qsizetype find(QStringView text, QStringView needle, qsizetype anchor, qsizetype from = 0) {
    const QChar mark = needle.at(anchor);
    for (qsizetype at = text.indexOf(mark, from + anchor); at >= 0; at = text.indexOf(mark, at + 1)) {
        const qsizetype start = at - anchor;
        if (start >= from && text.sliced(start).startsWith(needle)) {
            return start;
        }
    }
    return -1;
}

// The first occurrences of one marker in a row (they cannot overlap: ">" ends each marker).
struct Occurrences {
    std::array<qsizetype, 3> at{};
    int count = 0;
    void add(qsizetype position) {
        if (count < static_cast<int>(at.size())) {
            at[static_cast<std::size_t>(count++)] = position;
        }
    }
};

// The cell after the n-th occurrence of marker: the text up to its next occurrence or the row's
// end, cut at the first "<". Empty optional when the marker occurs fewer than n times or nothing
// stands between it and that end.
std::optional<QString> cell(QStringView row, QStringView marker, const Occurrences& found, int n) {
    if (found.count < n) {
        return std::nullopt;
    }
    const qsizetype from = found.at[static_cast<std::size_t>(n - 1)] + marker.size();
    const qsizetype to = found.count > n ? found.at[static_cast<std::size_t>(n)] : row.size();
    if (from >= to) {
        return std::nullopt;
    }
    const QStringView piece = row.sliced(from, to - from);
    const qsizetype end = piece.indexOf(u'<');
    return (end < 0 ? piece : piece.first(end)).toString();
}

struct RowMarkers {
    Occurrences link;
    Occurrences rank;
    Occurrences number;
};

void cutRow(QStringView row, const RowMarkers& markers, QStringList& cells) {
    const struct {
        QStringView marker;
        const Occurrences& found;
        int n;
    } steps[] = {{kLinkMarker, markers.link, 1},
                 {kRankMarker, markers.rank, 1},
                 {kNumberMarker, markers.number, 1},
                 {kNumberMarker, markers.number, 2},
                 {kLinkMarker, markers.link, 2}};
    for (const auto& step : steps) {
        std::optional<QString> text = cell(row, step.marker, step.found, step.n);
        if (!text) {
            return;
        }
        cells.append(std::move(*text));
    }
}

}  // namespace

KeywordTable parseKeywordTable(const QString& page) {
    KeywordTable table;
    const qsizetype header = find(page, kHeaderCell, 6);  // anchored at "标"
    if (header < 0) {
        return table;
    }
    QStringView body = QStringView(page).sliced(header + kHeaderCell.size());
    if (const qsizetype next = find(body, kHeaderCell, 6); next >= 0) {
        body = body.first(next);
    }
    if (body.isEmpty()) {
        return table;
    }
    table.parsed = true;
    if (const qsizetype paging = find(body, kPagingArea, 1); paging >= 0) {
        body = body.first(paging);
    }
    // Rows are the pieces after each "<tr>", up to the next one or the end. The row starts and the
    // cell markers all end with ">", so one walk over the ">" finds them all, in order.
    qsizetype rowStart = -1;
    RowMarkers markers;
    auto endRow = [&](qsizetype rowEnd) {
        if (rowStart >= 0) {
            QStringList& cells = table.rows.emplace_back().cells;
            if (markers.link.count > 0) {
                cells.reserve(5);
            }
            cutRow(body.sliced(rowStart, rowEnd - rowStart), markers, cells);
        }
        markers = {};
    };
    auto endsAt = [&](QStringView needle, qsizetype at) {
        const qsizetype start = at + 1 - needle.size();
        return start >= std::max<qsizetype>(rowStart, 0) && body.sliced(start, needle.size()) == needle;
    };
    for (qsizetype at = body.indexOf(u'>'); at >= 0; at = body.indexOf(u'>', at + 1)) {
        // The character before the ">" tells which of them can end here: most ">" end none.
        const QChar before = at > 0 ? body.at(at - 1) : QChar();
        if (before == u'r') {
            if (endsAt(kRowStart, at)) {
                endRow(at + 1 - kRowStart.size());
                rowStart = at + 1;
            }
            continue;
        }
        if (before != u'"' || rowStart < 0 || at < 2) {
            continue;
        }
        const QChar last = body.at(at - 2);
        if (last == u'w' && endsAt(kLinkMarker, at)) {
            markers.link.add(at + 1 - kLinkMarker.size() - rowStart);
        } else if (last == u'%' && endsAt(kRankMarker, at)) {
            markers.rank.add(at + 1 - kRankMarker.size() - rowStart);
        } else if (last == u't' && endsAt(kNumberMarker, at)) {
            markers.number.add(at + 1 - kNumberMarker.size() - rowStart);
        }
    }
    endRow(body.size());
    return table;
}

}  // namespace quorvane
