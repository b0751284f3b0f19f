// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

namespace quorvane {

// Decodes a whole body in the named character set. Throws AppError for a name nobody knows.
QString DecodeBody(const QByteArray& body, const QString& charsetName);

}  // namespace quorvane
