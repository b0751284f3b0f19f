// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "batch/batch_run.h"
#include "text/cells.h"

#include <span>
#include <utility>

namespace quorvane {

// The domain list's columns, by DomainCell: title and width in pixels. The history window shows the
// same figures under the same titles.
inline constexpr std::pair<const char16_t*, int> kDomainColumns[DomainCell::Count] = {
    {u"序号", 40},      {u"查询域名地址", 100}, {u"百度权重", 65}, {u"关键字条数", 90},
    {u"百度来量", 150}, {u"百度收录", 90},      {u"百度反链", 90}, {u"百度快照", 90},
};

// The six figures' columns alone, in the order of a row's figures.
inline constexpr std::span<const std::pair<const char16_t*, int>, kDomainFigures> kFigureColumns{
    kDomainColumns + DomainCell::Weight, kDomainFigures};

}  // namespace quorvane
