// SPDX-License-Identifier: GPL-3.0-or-later
#include "charset.h"

#include "../text/app_error.h"

#include <QStringDecoder>

using namespace Qt::StringLiterals;

namespace quorvane {

namespace {

// Pages labelled gb2312 are in practice GBK (code page 936); a strict GB2312 decoder drops
// every GBK-only character.
QByteArray decoderName(const QString& charsetName) {
    const QString name = charsetName.trimmed().toLower();
    if (name == u"gb2312"_s || name == u"gb_2312-80"_s || name == u"x-gbk"_s) {
        return QByteArrayLiteral("GBK");
    }
    return name.toLatin1();
}

}  // namespace

QString DecodeBody(const QByteArray& body, const QString& charsetName) {
    QStringDecoder decoder(decoderName(charsetName).constData(), QStringConverter::Flag::Default);
    if (!decoder.isValid()) {
        throw AppError(3002, u"未知的字符集: "_s + charsetName);
    }
    // Broken sequences come out as replacement characters; the page is still delivered.
    QString text = decoder.decode(body);
    // A sequence cut off at the end of the body would stay in the decoder's state and vanish:
    // a line feed ends it, so it shows as a replacement character too. The line feed itself
    // is ours (some decoders swallow it with the broken sequence).
    const QString tail = decoder.decode(QByteArrayView("\n"));
    text += tail.endsWith(u'\n') ? QStringView(tail).chopped(1) : QStringView(tail);
    return text;
}

}  // namespace quorvane
