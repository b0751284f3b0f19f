// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Shared by the fuzz targets: how fuzz bytes become text, and how a broken invariant stops the run.

#include "fetch/charset.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace quorvane::fuzz {

// First byte of an input that is raw UTF-16 (host order): reaches lone surrogates and other code
// units that UTF-8 decoding would replace.
inline constexpr std::uint8_t kUtf16Tag = 0x01;
// First byte of an input that is GBK, decoded the way the fetcher decodes a search result page.
inline constexpr std::uint8_t kGbkTag = 0x02;

// The text an input stands for: UTF-16 or GBK after a tag byte, UTF-8 otherwise, so that any
// page saved as a file is a seed as it is.
inline QString textFrom(const std::uint8_t* data, std::size_t size) {
    if (size > 0 && data[0] == kUtf16Tag) {
        const std::size_t units = (size - 1) / 2;
        QString text(static_cast<qsizetype>(units), Qt::Uninitialized);
        std::memcpy(text.data(), data + 1, units * sizeof(char16_t));
        return text;
    }
    if (size > 0 && data[0] == kGbkTag) {
        return DecodeBody(
            QByteArray(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1)),
            QStringLiteral("gbk"));
    }
    return QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

// A broken invariant is a finding: abort, so libFuzzer keeps the input as a crash.
inline void require(bool holds, const char* what) {
    if (!holds) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

}  // namespace quorvane::fuzz
