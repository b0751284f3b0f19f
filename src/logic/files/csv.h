// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace quorvane {

// One field of a CSV line: quoted when it holds a comma, a double quote or a line break, with the
// quotes inside doubled. A text a spreadsheet would run as a formula (leading "=", "+", "-", "@",
// tab or CR, and no number) gets a leading apostrophe: page titles come from strangers' sites.
QString csvField(const QString& cell);

// A whole CSV file: UTF-8 with a byte order mark, the titles' line, then rowAt(1) to rowAt(rowCount),
// every line ended by CR LF. Every line has as many fields as there are titles; missing cells are empty.
QByteArray csvBytes(const QStringList& titles, int rowCount, const std::function<QStringList(int)>& rowAt);

// The path to write: ".csv" added to a name without a suffix when the CSV filter was selected.
QString csvPath(const QString& chosen, bool csvFilterSelected);

// Writes the file whole or not at all: an old file of that name stays as it was on any failure.
// Returns a message naming the path and what went wrong, or nothing when the file was written.
std::optional<QString> writeWholeFile(const QString& path, const QByteArray& bytes);

}  // namespace quorvane
