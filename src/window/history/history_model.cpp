// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/history_model.h"

#include "batch/domain_columns.h"

#include <QDateTime>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace quorvane {

namespace {

constexpr qint64 kDaySeconds = 24 * 60 * 60;

}  // namespace

HistoryModel::HistoryModel(std::vector<HistoryStore::Check> checks, qint64 nowSeconds, Range range,
                           QObject* parent)
    : QAbstractTableModel(parent), m_checks(std::move(checks)), m_now(nowSeconds), m_range(range) {
    // Newest first; a range is then a leading part of the list. Checks of one second keep the
    // store's order, reversed.
    std::reverse(m_checks.begin(), m_checks.end());
    std::stable_sort(
        m_checks.begin(), m_checks.end(),
        [](const HistoryStore::Check& a, const HistoryStore::Check& b) { return a.time > b.time; });
    m_rows = rowsIn(range);
}

int HistoryModel::rowsIn(Range range) const {
    if (range == Range::All) {
        return static_cast<int>(m_checks.size());
    }
    // A check dated after "now" (the clock was put back) counts as recent rather than vanishing.
    const qint64 since = m_now - (range == Range::Week ? 7 : 30) * kDaySeconds;
    const auto end = std::find_if(m_checks.begin(), m_checks.end(),
                                  [since](const HistoryStore::Check& check) { return check.time < since; });
    return static_cast<int>(end - m_checks.begin());
}

void HistoryModel::setRange(Range range) {
    const int rows = rowsIn(range);
    m_range = range;
    if (rows > m_rows) {
        beginInsertRows({}, m_rows, rows - 1);
        m_rows = rows;
        endInsertRows();
    } else if (rows < m_rows) {
        beginRemoveRows({}, rows, m_rows - 1);
        m_rows = rows;
        endRemoveRows();
    }
}

std::span<const HistoryStore::Check> HistoryModel::shownChecks() const {
    return {m_checks.data(), static_cast<std::size_t>(m_rows)};
}

QStringList HistoryModel::titles() {
    QStringList titles{u"时间"_s};
    for (const auto& [title, pixels] : kFigureColumns) {
        titles.append(QString::fromUtf16(title));
    }
    return titles;
}

QString HistoryModel::cellText(const HistoryStore::Check& check, int column) const {
    if (column == 0) {
        return QDateTime::fromSecsSinceEpoch(check.time).toString(u"yyyy-MM-dd HH:mm"_s);
    }
    const Figure& figure = check.figures[static_cast<std::size_t>(column - 1)];
    // Unknown reads empty here: in the history it means never found, not "on its way".
    return figure.state == Figure::State::Unknown ? QString() : figure.shown();
}

QStringList HistoryModel::rowTexts(int row) const {
    QStringList texts;
    for (int column = 0; column < columnCount(); ++column) {
        texts.append(cellText(m_checks[static_cast<std::size_t>(row)], column));
    }
    return texts;
}

int HistoryModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_rows;
}

int HistoryModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 1 + kDomainFigures;
}

QVariant HistoryModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) {
        return {};
    }
    const HistoryStore::Check& check = m_checks[static_cast<std::size_t>(index.row())];
    switch (role) {
        case Qt::DisplayRole:
            return cellText(check, index.column());
        case Qt::ToolTipRole: {
            if (index.column() == 0) {
                return {};
            }
            const Figure& figure = check.figures[static_cast<std::size_t>(index.column() - 1)];
            if (figure.state == Figure::State::Failed && !figure.reason.isEmpty()) {
                return figure.reason;
            }
            return {};
        }
        case Qt::TextAlignmentRole:
            return index.column() == 0 ? QVariant() : QVariant(Qt::AlignRight | Qt::AlignVCenter);
        default:
            return {};
    }
}

QVariant HistoryModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= columnCount()) {
        return {};
    }
    return titles().at(section);
}

}  // namespace quorvane
