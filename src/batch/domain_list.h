#pragma once

#include <QString>
#include <vector>

namespace quorvane {

// A multi-line box's text with every line break (CR LF, LF, CR, paragraph separator) as CR LF.
QString withCrLfLineBreaks(const QString& boxText);

struct DomainLine {
    int number;      // the line's 1-based position in the text
    QString domain;  // the line exactly as typed
};

// The lines of a CR LF separated text that hold a full stop; other lines are skipped but counted.
std::vector<DomainLine> domainLines(const QString& crLfText);

// domainLines(withCrLfLineBreaks(boxText)) in one pass, without the normalised copy: CR LF, LF,
// CR, U+2029 and U+2028 each end a line.
std::vector<DomainLine> domainLinesOfBox(QStringView boxText);

}  // namespace quorvane
