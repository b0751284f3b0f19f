#include "keyword_parser.h"

#include "../text/textcut.h"

#include <optional>

using namespace Qt::StringLiterals;

namespace quorvane {

namespace {

const QString kHeaderCell = u"<td>网页标题</td>"_s;
const QString kPagingArea = u"页号"_s;
const QString kRowStart = u"<tr>"_s;
const QString kLinkMarker = u"nofollow\">"_s;
const QString kRankMarker = u"110%\">"_s;
const QString kNumberMarker = u"right\">"_s;
const QString kCellEnd = u"<"_s;

// The text after the n-th occurrence of marker up to the cell's first "<"; empty optional when
// the marker occurs fewer than n times or nothing stands between it and the next one.
std::optional<QString> cellAfter(const QString& row, const QString& marker, int n) {
    qsizetype at = -1;
    for (int i = 0; i < n; ++i) {
        at = row.indexOf(marker, at < 0 ? 0 : at + marker.size());
        if (at < 0) {
            return std::nullopt;
        }
    }
    const qsizetype from = at + marker.size();
    const qsizetype next = row.indexOf(marker, from);
    const QStringView piece = QStringView(row).mid(from, next < 0 ? -1 : next - from);
    if (piece.isEmpty()) {
        return std::nullopt;
    }
    const qsizetype end = piece.indexOf(kCellEnd);
    return (end < 0 ? piece : piece.left(end)).toString();
}

}  // namespace

KeywordTable parseKeywordTable(const QString& page) {
    KeywordTable table;
    const auto afterHeader = text::PartAfter(page, kHeaderCell);
    if (!afterHeader || afterHeader->isEmpty()) {
        return table;
    }
    table.parsed = true;
    const QString body = *text::PartBefore(*afterHeader, kPagingArea);
    const QStringList pieces = text::split(body, kRowStart);
    const struct {
        const QString& marker;
        int n;
    } mapping[] = {
        {kLinkMarker, 1}, {kRankMarker, 1}, {kNumberMarker, 1}, {kNumberMarker, 2}, {kLinkMarker, 2}};
    for (qsizetype r = 1; r < pieces.size(); ++r) {
        KeywordTableRow row;
        for (const auto& step : mapping) {
            const auto cell = cellAfter(pieces.at(r), step.marker, step.n);
            if (!cell) {
                break;
            }
            row.cells.append(*cell);
        }
        table.rows.push_back(std::move(row));
    }
    return table;
}

}  // namespace quorvane
