// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "history/history_store.h"

#include <QAbstractTableModel>
#include <span>
#include <vector>

namespace quorvane {

// A domain's checks as a table, newest first: the time, then the six figures as the domain list
// titles them. A failed figure reads "失败" with its reason as the tooltip; an unknown one is empty.
// The range keeps the checks of the last week or month before "now", or all of them.
class HistoryModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    enum class Range { Week, Month, All };

    HistoryModel(std::vector<HistoryStore::Check> checks, qint64 nowSeconds, Range range = Range::All,
                 QObject* parent = nullptr);

    Range range() const { return m_range; }
    void setRange(Range range);
    bool hasChecks() const { return !m_checks.empty(); }
    // The checks in the range, newest first, as the rows show them.
    std::span<const HistoryStore::Check> shownChecks() const;

    static QStringList titles();
    QStringList rowTexts(int row) const;  // row 0-based, as the cells read

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    int rowsIn(Range range) const;
    QString cellText(const HistoryStore::Check& check, int column) const;

    std::vector<HistoryStore::Check> m_checks;  // newest first
    qint64 m_now;
    Range m_range;
    int m_rows = 0;
};

}  // namespace quorvane
