// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace quorvane {

// The text of a file the user wrote: UTF-8 (with or without a byte order mark), UTF-16 with a byte
// order mark, or else GBK, as Chinese Windows editors save it. Empty optional when the bytes are no
// text in any of these (a NUL byte, or sequences neither UTF-8 nor GBK can read).
std::optional<QString> decodeUserText(const QByteArray& bytes);

}  // namespace quorvane
