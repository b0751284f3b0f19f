// SPDX-License-Identifier: GPL-3.0-or-later
// Decoding a domain file's bytes, then the lines the box makes of it. The input is the file as
// it is: no tag byte.

#include "batch/domain_file.h"
#include "batch/domain_list.h"
#include "fuzz_support.h"
#include "text/text_file.h"

#include <QStringDecoder>

using namespace Qt::StringLiterals;
using quorvane::fuzz::require;

namespace {

// Whether bytes are well-formed UTF-8: a strict decode that re-encodes to the same bytes.
bool isUtf8(const QByteArray& bytes) {
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    return !decoder.hasError() && text.toUtf8() == bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const auto text = quorvane::decodeUserText(bytes);
    if (!text) {
        return 0;
    }
    require(!text->contains(QChar(u'\0')), "no NUL in a decoded file");
    require(text->isValidUtf16(), "no unpaired surrogate in a decoded file");
    // The decoder drops one more byte order mark right after the first; nothing else may go.
    const QString withMark = QChar(QChar::ByteOrderMark) + *text;
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        const QByteArray rest = bytes.mid(3);
        require(text->toUtf8() == rest || withMark.toUtf8() == rest,
                "UTF-8 after a byte order mark is read whole");
    } else if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        const qsizetype units = (bytes.size() - 2) / 2;
        require(bytes.size() % 2 == 0, "a UTF-16 file has whole code units");
        require(text->size() == units || withMark.size() == units,
                "every code unit of a UTF-16 file is read");
    } else if (isUtf8(bytes)) {
        require(*text == QString::fromUtf8(bytes), "well-formed UTF-8 is read as UTF-8");
    } else {
        require(!text->contains(QChar::ReplacementCharacter), "GBK is read only when every byte is");
    }

    for (const quorvane::DomainLine& line : quorvane::domainLinesOfBox(*text)) {
        require(!line.domain.contains(u'\r') && !line.domain.contains(u'\n') &&
                    !line.domain.contains(QChar::ParagraphSeparator) &&
                    !line.domain.contains(QChar::LineSeparator),
                "a domain holds no line break");
        require(text->contains(line.domain), "a domain is a line of the file");
    }
    return 0;
}
