// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <vector>

namespace quorvane {

struct DomainLine {
    int number;          // the line's 1-based position in the text
    QStringView domain;  // the line exactly as typed: a view into the text
};

// The lines of a text that hold a full stop; other lines are skipped but counted. CR LF, LF, CR,
// U+2029 and U+2028 each end a line (the box's paragraphs, and the files of every platform).
std::vector<DomainLine> domainLinesOfBox(QStringView boxText);

}  // namespace quorvane
