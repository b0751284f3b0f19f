// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <optional>

namespace quorvane::text {

// The text after the first occurrence of marker, up to its next occurrence or the end.
// Empty optional when the marker does not occur.
std::optional<QString> PartAfter(const QString& text, const QString& marker);

// The text before the first occurrence of sep (all of it without sep).
// Empty optional when text is empty.
std::optional<QString> PartBefore(const QString& text, const QString& sep);

// The number a text begins with: blanks, tabs and line breaks are skipped, reading stops at the
// first character that cannot continue the number, 0 when there is none ("..." and "abc" read 0).
double leadingNumber(QStringView text);

// The leading number with thousands separators read as such: "1,234" reads 1234, "1,2" reads 1.
// Figures on the statistics site are grouped this way.
double leadingGroupedNumber(QStringView text);

// The value of a cell that is a number and nothing else, with or without thousands separators
// ("84,077,700", "-3", "0.5", blanks around it allowed); empty for any other text.
std::optional<double> cellNumber(QStringView text);

// The shapes of figure the pages give: a count ("7400", "1,240,000"), a range of counts
// ("765~1255") and a date ("2026-01-01", "2026/1/1"). Blanks around the text are allowed.
bool isCount(QStringView text);
bool isCountRange(QStringView text);
bool isDate(QStringView text);

// Whole-text conversion with the locale's rules (digit grouping accepted); empty on a non-number.
std::optional<double> wholeNumber(const QString& text);

// Nearest integer, ties to even, saturated to the 64-bit range (NaN gives 0).
qint64 roundHalfEven(double value);

}  // namespace quorvane::text
