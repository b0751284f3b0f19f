// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/text_file.h"

#include <QStringDecoder>

namespace quorvane {

namespace {

std::optional<QString> decodeStrictly(const QByteArray& bytes, const char* encoding) {
    QStringDecoder decoder(encoding, QStringConverter::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError() || !decoder.isValid()) {
        return std::nullopt;
    }
    return text;
}

}  // namespace

std::optional<QString> decodeUserText(const QByteArray& bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        const auto text = decodeStrictly(bytes.mid(3), "UTF-8");
        return text && !text->contains(QChar(0)) ? text : std::nullopt;
    }
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        // Qt's UTF-16 decoder reports neither a half code unit at the end (it writes a
        // replacement character) nor an unpaired surrogate: both are checked here.
        if (bytes.size() % 2 != 0) {
            return std::nullopt;
        }
        const auto text =
            decodeStrictly(bytes.mid(2), bytes.startsWith("\xFF\xFE") ? "UTF-16LE" : "UTF-16BE");
        return text && text->isValidUtf16() && !text->contains(QChar(0)) ? text : std::nullopt;
    }
    if (bytes.contains('\0')) {
        return std::nullopt;
    }
    if (auto text = decodeStrictly(bytes, "UTF-8")) {
        return text;
    }
    return decodeStrictly(bytes, "GBK");
}

}  // namespace quorvane
