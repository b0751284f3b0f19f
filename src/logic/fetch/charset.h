// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace quorvane {

// Decodes a whole body in the named character set. Throws AppError for a name nobody knows.
QString DecodeBody(const QByteArray& body, const QString& charsetName);

// The character set a response declares for its body, in this order: the charset parameter of
// its Content-Type, a byte order mark, a meta declaration in the body's first 1024 bytes (either
// form, any case, quoted or not). Empty when none is declared or the name is one no decoder knows.
std::optional<QString> declaredCharset(QByteArrayView contentType, QByteArrayView body);

// The character sets a page is read in when its response declares none.
enum class Charset : quint8 { Utf8, Gb2312 };
QString charsetName(Charset charset);

// A page's text: in the charset its response declares, else in the fallback.
QString decodePage(const QByteArray& body, QByteArrayView contentType, Charset fallback);

}  // namespace quorvane
