#include "domain_list.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace quorvane {

QString withCrLfLineBreaks(const QString& boxText) {
    QString text = boxText;
    text.replace(u"\r\n"_s, u"\n"_s);
    text.replace(u'\r', u'\n');
    text.replace(QChar::ParagraphSeparator, u'\n');
    text.replace(QChar::LineSeparator, u'\n');
    text.replace(u"\n"_s, u"\r\n"_s);
    return text;
}

std::vector<DomainLine> domainLines(const QString& crLfText) {
    std::vector<DomainLine> lines;
    if (crLfText.isEmpty()) {
        return lines;
    }
    const QStringView text(crLfText);
    int number = 1;
    qsizetype start = 0;
    for (;;) {
        const qsizetype end = text.indexOf(u"\r\n", start);
        const QStringView piece = text.sliced(start, (end < 0 ? text.size() : end) - start);
        if (piece.contains(u'.')) {
            lines.push_back({number, piece.toString()});
        }
        if (end < 0) {
            return lines;
        }
        ++number;
        start = end + 2;
    }
}

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
            lines.push_back({number, QString(reinterpret_cast<const QChar*>(text + start), end - start)});
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
