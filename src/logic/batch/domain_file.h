// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace quorvane {

// A line as "确认保存" writes a whole row: a domain and its six figures joined by "|". Their seven
// texts, or nothing for any other line (a plain domain line imports as it is). A cell that is no
// figure this program writes (a count, a range of counts, a date, "失败", "...") comes back as "...".
std::optional<QStringList> savedRowFields(QStringView line);

// A domain file read and decoded ("确认导入"): its text, or what stood in the way, in words for the
// user, followed by the path.
struct DomainFileText {
    std::optional<QString> text;
    QString problem;
};
DomainFileText readDomainFile(const QString& path);

}  // namespace quorvane
