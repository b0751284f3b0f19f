#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace quorvane {

class ListModel;

// One line per row in the list's current order: sub-item 1 alone, or sub-items 1 to
// lastSubItem joined by "|". Throws AppError when a row lacks a cell.
QStringList resultLines(const ListModel& list, bool wholeRow, int lastSubItem);

// Appends the lines, each ended by CR LF, in the locale's character set.
// Returns a message naming what went wrong, or nothing when every line was written.
std::optional<QString> appendLines(const QString& path, const QStringList& lines);

// The character set result files are written in: the locale's, or UTF-8 where the locale's
// cannot hold Chinese at all (a plain C or POSIX locale).
QByteArray resultFileCharset();

}  // namespace quorvane
