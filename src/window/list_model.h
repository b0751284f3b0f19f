// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "batch/domain_list.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QHash>
#include <QList>
#include <QString>
#include <span>
#include <vector>

namespace quorvane {

// The rows and columns of one result list. Every cell is text: cell 0 is the row's own text, cell k
// its k-th sub-item. A row has two addresses, both 1-based: its position in the order shown, which
// a sort changes (what the user sees, saves and clicks), and its entry, the order in which it was
// added, which nothing changes (what a run walks, so a sort mid-run cannot send a page's figures
// into another domain's row). Out-of-range access throws AppError, like the list control it replaces.
class ListModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    struct Column {
        QString title;
        double widthTwips = 0;
        QString tag;
        int subItemIndex = 0;
    };

    explicit ListModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

    // Characters of a cell that the list shows; longer cells are shown cut, with "…".
    static constexpr qsizetype kDisplayLimit = 1000;

    // Rows, by position in the order shown.
    void clearItems();
    int addItem(const QString& text);  // returns the new row's position
    int itemCount() const { return static_cast<int>(m_rows.size()); }
    QString itemText(int position) const;
    void addSubItem(int position, const QString& text);
    int subItemCount(int position) const;
    QString subItem(int position, int index) const;
    // The same text without a copy, valid until the list next changes.
    QStringView subItemView(int position, int index) const;
    // The row's text and sub-items.
    QStringList cells(int position) const;
    void setSubItem(int position, int index, const QString& text);
    // Sets sub-items first to last of every row that has them to text, in one change.
    void setSubItemsOfAllRows(int first, int last, const QString& text);
    QColor subItemForeColor(int position, int index) const;
    void setSubItemForeColor(int position, int index, const QColor& color);
    // Rows by entry, the order they were added in.
    QString entrySubItem(int entry, int index) const;
    QStringList entryCells(int entry) const;
    // Sets a cell by entry; a tip (why a cell reads "失败") shows as its tooltip and is read by screen
    // readers. Any later write of the cell drops it.
    void setEntrySubItem(int entry, int index, const QString& text, const QString& tip = {});
    QString subItemTip(int position, int index) const;
    int positionOfEntry(int entry) const;

    // Appends a whole row at once: text and sub-items.
    int addRow(const QStringList& cells);
    // Appends many rows in one insertion.
    void addRows(std::vector<QStringList> rows);
    // Appends a row per line in one insertion, for large imports: cell 0 the line's number, cell 1 the
    // line, cells 2 to cellCount - 1 the filler until written. The rows keep their lines as pieces of
    // one shared text (text itself when the lines are views into it and fill most of it) and their
    // number as a number, so a row costs no allocation of its own.
    void addNumberedRows(const QString& text, std::span<const DomainLine> lines, int cellCount,
                         const QString& filler);

    // Columns.
    void clearColumns();
    void addColumn(const QString& title, double widthTwips);
    int headerCount() const { return static_cast<int>(m_columns.size()); }
    const Column& column(int position) const;
    void setColumnTag(int position, const QString& tag);

    // Sorting: setting Sorted reorders the shown rows once by the key column. Cells that are numbers
    // (thousands separators allowed) compare by value, other text by the locale's collation; cells
    // without a figure ("...", "失败", empty) come last in either direction; equal keys keep their order.
    int sortKey() const { return m_sortKey; }
    void setSortKey(int key) { m_sortKey = key; }
    int sortOrder() const { return m_sortOrder; }
    void setSortOrder(int order) { m_sortOrder = order; }
    bool sorted() const { return m_sorted; }
    void setSorted(bool on);

    // QAbstractItemModel.
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    // A row added whole (number 0) holds every cell in cells. A numbered row holds cell 0 as its number,
    // cell 1 as a piece of its source's text, and in cells only the cells from 2 on up to the last one
    // written; the others read as the source's filler.
    struct Row {
        QStringList cells;
        qsizetype start = 0;
        int length = 0;
        int number = 0;
    };
    // What the numbered rows of one addNumberedRows call share; they are the entries from firstEntry on.
    struct Source {
        std::size_t firstEntry;
        QString text;
        QString filler;
        int cellCount;
    };
    std::size_t entryAtPosition(int position) const;  // index into m_rows; throws when out of range
    std::size_t entryIndex(int entry) const;
    const Source& sourceOf(std::size_t entry) const;
    int sizeOf(std::size_t entry) const;
    QString cellOf(std::size_t entry, int cell) const;
    QStringList cellsOf(std::size_t entry) const;
    // Writes a cell below sizeOf, without signalling.
    void writeCell(std::size_t entry, int cell, const QString& text);
    // Turns a numbered row into one that holds every cell.
    void makeWhole(std::size_t entry);
    void sortRows();

    std::vector<Row> m_rows;              // in the order added
    std::vector<int> m_shown;             // shown position -> index into m_rows
    std::vector<int> m_positionOf;        // index into m_rows -> shown position
    std::vector<Source> m_sources;        // by firstEntry
    std::vector<QList<QColor>> m_colors;  // by index into m_rows; only as long as the last row with a colour
    // Tips of the few cells that have one, by index into m_rows and cell.
    static quint64 tipKey(std::size_t row, int cell) {
        return (static_cast<quint64>(row) << 8) | static_cast<quint8>(cell);
    }
    QHash<quint64, QString> m_tips;
    std::vector<Column> m_columns;
    int m_sortKey = 0;
    int m_sortOrder = 0;
    bool m_sorted = false;
};

}  // namespace quorvane
