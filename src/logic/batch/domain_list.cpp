// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/domain_list.h"

#include <algorithm>

namespace quorvane {

namespace {

constexpr bool isLineBreak(char16_t c) {
    return c == u'\n' || c == u'\r' || c == QChar::ParagraphSeparator || c == QChar::LineSeparator;
}

}  // namespace

std::vector<DomainLine> domainLinesOfBox(QStringView boxText) {
    std::vector<DomainLine> lines;
    const char16_t* const text = boxText.utf16();
    const qsizetype size = boxText.size();
    if (size == 0) {
        return lines;
    }
    int number = 1;
    qsizetype start = 0;
    bool dot = false;
    auto endLine = [&](qsizetype end) {
        if (dot) {
            lines.push_back({number, boxText.sliced(start, end - start)});
        }
        ++number;
        dot = false;
    };
    // Blocks without a line break are passed over whole: the compiler vectorises this loop, which
    // keeps a megabyte-long line cheap.
    constexpr qsizetype kBlock = 32;
    qsizetype i = 0;
    while (i < size) {
        if (size - i >= kBlock) {
            unsigned breaks = 0;
            unsigned stops = 0;
            for (qsizetype k = 0; k < kBlock; ++k) {
                const char16_t c = text[i + k];
                breaks |= isLineBreak(c) ? 1u : 0u;
                stops |= c == u'.' ? 1u : 0u;
            }
            if (breaks == 0) {
                dot = dot || stops != 0;
                i += kBlock;
                continue;
            }
        }
        for (const qsizetype stop = std::min(size, i + kBlock); i < stop; ++i) {
            const char16_t c = text[i];
            if (c == u'.') {
                dot = true;
            } else if (isLineBreak(c)) {
                endLine(i);
                if (c == u'\r' && i + 1 < size && text[i + 1] == u'\n') {
                    ++i;
                }
                start = i + 1;
            }
        }
    }
    // The piece after the last break (empty after a final break, and then skipped).
    endLine(size);
    return lines;
}

}  // namespace quorvane
