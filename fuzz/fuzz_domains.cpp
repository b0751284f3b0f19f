// SPDX-License-Identifier: GPL-3.0-or-later
// The domain box text: the lines that hold a domain, against a plain split of the same text.

#include "batch/domain_list.h"
#include "fuzz_support.h"

#include <QStringList>

using namespace Qt::StringLiterals;
using quorvane::fuzz::require;

namespace {

// The lines of the text, split one character at a time: CR LF is one break; CR, LF and the two
// separators each another. (A regular expression is no reference here: it refuses text with an
// unpaired surrogate, which a box can hold.)
QStringList plainLines(const QString& text) {
    QStringList pieces;
    QString piece;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\r' || c == u'\n' || c == QChar::LineSeparator || c == QChar::ParagraphSeparator) {
            pieces.append(piece);
            piece.clear();
            if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n') {
                ++i;
            }
        } else {
            piece.append(c);
        }
    }
    pieces.append(piece);
    return pieces;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString box = quorvane::fuzz::textFrom(data, size);
    const std::vector<quorvane::DomainLine> lines = quorvane::domainLinesOfBox(box);
    const QStringList pieces = plainLines(box);
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
