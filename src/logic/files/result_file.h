// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <span>

namespace quorvane {

// The line of a row's fields (its sub-item 1 alone, or sub-items 1 to the last), joined by "|".
QString resultLine(std::span<const QStringView> fields);

// Appends lineAt(1) to lineAt(count), each ended by CR LF, in the locale's character set.
// Returns a message naming the path and what went wrong, or nothing when every line was written.
// After a failure the file holds every whole line written before it, and no part of a line.
std::optional<QString> appendLines(const QString& path, int count, const std::function<QString(int)>& lineAt);

// The character set result files are written in: the locale's, or UTF-8 where the locale's
// cannot hold Chinese at all (a plain C or POSIX locale).
QByteArray resultFileCharset();

}  // namespace quorvane
