// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/figure_change.h"

#include <QDateTime>
#include <cmath>

using namespace Qt::StringLiterals;

namespace quorvane {

namespace {

// Whole numbers as such, so that a count reads "+1200" and not "+1.2e+03".
QString signedDifference(double difference) {
    constexpr double kExact = 9007199254740992.0;  // 2^53: every whole number below is a double
    const QString sign = difference > 0 ? u"+"_s : QString();
    if (std::trunc(difference) == difference && std::abs(difference) < kExact) {
        return sign + QString::number(static_cast<qint64>(difference));
    }
    return sign + QString::number(difference, 'g', 12);
}

}  // namespace

bool showsChange(int cell) {
    return cell == DomainCell::Weight || cell == DomainCell::Keywords || cell == DomainCell::Indexed ||
           cell == DomainCell::Backlinks;
}

FigureChange changeSince(const Figure& now, const std::optional<HistoryStore::PastFigure>& before) {
    if (now.state != Figure::State::Value || !before) {
        return {};
    }
    FigureChange change;
    change.tip = u"上次（"_s + QDateTime::fromSecsSinceEpoch(before->time).toString(u"yyyy-MM-dd"_s) +
                 u"）："_s + before->text + u" → "_s + now.text;
    const std::optional<double> number = now.number();
    if (!number || !before->number) {
        return change;
    }
    const double difference = *number - *before->number;
    change.trend = difference > 0   ? FigureChange::Trend::Up
                   : difference < 0 ? FigureChange::Trend::Down
                                    : FigureChange::Trend::Same;
    change.tip += u"（"_s + (difference == 0 ? u"持平"_s : signedDifference(difference)) + u"）"_s;
    return change;
}

}  // namespace quorvane
