// SPDX-License-Identifier: GPL-3.0-or-later
#include "fetch/charset.h"

#include "text/app_error.h"

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

bool known(const QString& name) {
    return !name.isEmpty() && QStringDecoder(decoderName(name).constData()).isValid();
}

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

// The name after "charset" at from in text (lower case), if "=" follows it: quoted or bare.
std::optional<QString> nameAfterCharset(QByteArrayView text, qsizetype from) {
    qsizetype i = from + 7;
    while (i < text.size() && isSpace(text[i])) {
        ++i;
    }
    if (i >= text.size() || text[i] != '=') {
        return std::nullopt;
    }
    ++i;
    while (i < text.size() && isSpace(text[i])) {
        ++i;
    }
    char quote = 0;
    if (i < text.size() && (text[i] == '"' || text[i] == '\'')) {
        quote = text[i++];
    }
    const qsizetype start = i;
    while (i < text.size() && text[i] != quote && !isSpace(text[i]) && text[i] != ';' && text[i] != '>' &&
           text[i] != '"' && text[i] != '\'' && text[i] != '/') {
        ++i;
    }
    if (i == start) {
        return std::nullopt;
    }
    return QString::fromLatin1(text.sliced(start, i - start));
}

// The first "charset=name" in text (lower case).
std::optional<QString> firstCharsetName(QByteArrayView text) {
    for (qsizetype at = text.indexOf("charset"); at >= 0; at = text.indexOf("charset", at + 7)) {
        if (auto name = nameAfterCharset(text, at)) {
            return name;
        }
    }
    return std::nullopt;
}

std::optional<QString> headerCharset(QByteArrayView contentType) {
    return firstCharsetName(contentType.toByteArray().toLower());
}

std::optional<QString> bomCharset(QByteArrayView body) {
    if (body.startsWith("\xEF\xBB\xBF")) {
        return u"utf-8"_s;
    }
    if (body.startsWith("\xFE\xFF")) {
        return u"utf-16be"_s;
    }
    if (body.startsWith("\xFF\xFE")) {
        return u"utf-16le"_s;
    }
    return std::nullopt;
}

// The HTML prescan, cut down to what pages use: <meta charset=…> and
// <meta http-equiv="content-type" content="…; charset=…">.
std::optional<QString> metaCharset(QByteArrayView body) {
    QByteArray head = body.first(std::min<qsizetype>(body.size(), 1024)).toByteArray().toLower();
    // A declaration inside a comment declares nothing.
    for (qsizetype open = head.indexOf("<!--"); open >= 0; open = head.indexOf("<!--", open)) {
        const qsizetype close = head.indexOf("-->", open + 4);
        head.remove(open, close < 0 ? head.size() - open : close + 3 - open);
    }
    for (qsizetype at = head.indexOf("<meta"); at >= 0; at = head.indexOf("<meta", at + 5)) {
        const qsizetype end = head.indexOf('>', at);
        const QByteArrayView tag = QByteArrayView(head).sliced(at, (end < 0 ? head.size() : end) - at);
        if (const auto name = firstCharsetName(tag)) {
            // Text that could read its own meta tag is no UTF-16: such a label means UTF-8.
            return name->startsWith(u"utf-16"_s) ? u"utf-8"_s : *name;
        }
    }
    return std::nullopt;
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

std::optional<QString> declaredCharset(QByteArrayView contentType, QByteArrayView body) {
    // A declared name no decoder knows counts as no declaration: the next one may still hold.
    for (const auto& found : {headerCharset(contentType), bomCharset(body), metaCharset(body)}) {
        if (found && known(*found)) {
            return found;
        }
    }
    return std::nullopt;
}

QString charsetName(Charset charset) {
    return charset == Charset::Gb2312 ? u"gb2312"_s : u"utf-8"_s;
}

QString decodePage(const QByteArray& body, QByteArrayView contentType, Charset fallback) {
    return DecodeBody(body, declaredCharset(contentType, body).value_or(charsetName(fallback)));
}

}  // namespace quorvane
