// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "history/history_store.h"

#include <QString>
#include <optional>

namespace quorvane {

// How a figure in the list compares with the domain's last good figure of an earlier run.
struct FigureChange {
    enum class Trend : quint8 { None, Up, Down, Same };
    Trend trend = Trend::None;  // None: nothing to compare, or no number on either side
    QString tip;                // "上次（2026-12-01）：7 → 8（+1）"; empty with nothing to compare
};

// The cells whose change the list shows: 百度权重, 关键字条数, 百度收录 and 百度反链.
bool showsChange(int cell);

// A failure or a figure not yet known is compared with nothing. The date is the earlier check's, in
// local time.
FigureChange changeSince(const Figure& now, const std::optional<HistoryStore::PastFigure>& before);

}  // namespace quorvane
