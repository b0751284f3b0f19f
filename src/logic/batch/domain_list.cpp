// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/domain_list.h"

namespace quorvane {

namespace {

constexpr bool isLineBreak(char16_t c) {
    return c == u'\n' || c == u'\r' || c == QChar::ParagraphSeparator || c == QChar::LineSeparator;
}

// A full stop, a line break, or another character below the full stop: one test passes every
// letter and digit by, and most characters of a domain list are those.
constexpr bool mayMatter(char16_t c) {
    return c <= u'.' || (c & 0xFFFE) == 0x2028;
}

}  // namespace

std::vector<DomainLine> domainLinesOfBox(QStringView boxText) {
    std::vector<DomainLine> lines;
    const char16_t* const text = boxText.utf16();
    const qsizetype size = boxText.size();
    int number = 1;
    qsizetype start = 0;
    bool dot = false;
    // Past this many plain characters in a row the text is read in blocks, which the compiler
    // vectorises: a megabyte-long line stays cheap, and short lines never pay for a block test.
    constexpr qsizetype kBlock = 32;
    qsizetype plain = 0;
    qsizetype i = 0;
    while (i < size) {
        if (plain >= kBlock && size - i >= kBlock) {
            bool any = false;
            for (qsizetype k = 0; k < kBlock; ++k) {
                any |= mayMatter(text[i + k]);
            }
            if (!any) {
                i += kBlock;
                continue;
            }
            plain = 0;
        }
        const char16_t c = text[i++];
        if (!mayMatter(c)) {
            ++plain;
            continue;
        }
        plain = 0;
        if (c == u'.') {
            dot = true;
        } else if (isLineBreak(c)) {
            if (dot) {
                lines.push_back({number, boxText.sliced(start, i - 1 - start)});
            }
            ++number;
            dot = false;
            if (c == u'\r' && i < size && text[i] == u'\n') {
                ++i;
            }
            start = i;
        }
    }
    // The piece after the last break (empty after a final break, and then skipped).
    if (dot) {
        lines.push_back({number, boxText.sliced(start)});
    }
    return lines;
}

}  // namespace quorvane
