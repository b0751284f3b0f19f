// SPDX-License-Identifier: GPL-3.0-or-later
// The domain box text: the lines that hold a domain, against a plain split of the same text.

#include "batch/domain_list.h"
#include "fuzz_support.h"

#include <QRegularExpression>
#include <QStringList>

using namespace Qt::StringLiterals;
using quorvane::fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString box = quorvane::fuzz::textFrom(data, size);
    const std::vector<quorvane::DomainLine> lines = quorvane::domainLinesOfBox(box);
    // CR LF is one break; CR, LF and the two separators each another.
    static const QRegularExpression lineBreak(u"\r\n|[\r\n\u2028\u2029]"_s);
    const QStringList pieces = box.split(lineBreak);
    qsizetype withStop = 0;
    for (const QString& piece : pieces) {
        withStop += piece.contains(u'.') ? 1 : 0;
    }
    require(static_cast<qsizetype>(lines.size()) == withStop, "every line with a full stop is a domain line");
    int previous = 0;
    for (const quorvane::DomainLine& line : lines) {
        require(line.number > previous && line.number <= pieces.size(), "line numbers rise inside the text");
        require(line.domain == pieces.at(line.number - 1), "a domain is its line exactly");
        const QStringView text(box);
        require(line.domain.utf16() >= text.utf16() &&
                    line.domain.utf16() + line.domain.size() <= text.utf16() + text.size(),
                "a domain is a piece of the text");
        previous = line.number;
    }
    return 0;
}
