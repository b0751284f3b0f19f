#include "list_model.h"

#include "../fetch/app_error.h"

#include <QCollator>
#include <QLocale>
#include <algorithm>
#include <numeric>

using namespace Qt::StringLiterals;

namespace quorvane {

namespace {

[[noreturn]] void outOfBounds() {
    throw AppError(AppError::kIndexOutOfBounds, u"索引超出范围"_s);
}

}  // namespace

void ListModel::clearItems() {
    if (m_rows.empty()) {
        return;
    }
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

int ListModel::addItem(const QString& text) {
    return addRow({text});
}

int ListModel::addRow(const QStringList& cells) {
    const int row = itemCount();
    beginInsertRows({}, row, row);
    m_rows.push_back(Row{cells.isEmpty() ? QStringList{QString()} : cells, {}});
    endInsertRows();
    return row + 1;
}

void ListModel::addRows(std::vector<QStringList> rows) {
    if (rows.empty()) {
        return;
    }
    const int first = itemCount();
    beginInsertRows({}, first, first + static_cast<int>(rows.size()) - 1);
    m_rows.reserve(m_rows.size() + rows.size());
    for (QStringList& cells : rows) {
        m_rows.push_back(Row{cells.isEmpty() ? QStringList{QString()} : std::move(cells), {}});
    }
    endInsertRows();
}

const ListModel::Row& ListModel::rowAt(int position) const {
    if (position < 1 || position > itemCount()) {
        outOfBounds();
    }
    return m_rows[static_cast<std::size_t>(position - 1)];
}

ListModel::Row& ListModel::rowAt(int position) {
    return const_cast<Row&>(std::as_const(*this).rowAt(position));
}

QString ListModel::itemText(int position) const {
    return rowAt(position).cells.at(0);
}

void ListModel::addSubItem(int position, const QString& text) {
    Row& row = rowAt(position);
    row.cells.append(text);
    const QModelIndex at = index(position - 1, static_cast<int>(row.cells.size()) - 1);
    if (at.isValid()) {
        Q_EMIT dataChanged(at, at, {Qt::DisplayRole});
    }
}

int ListModel::subItemCount(int position) const {
    return static_cast<int>(rowAt(position).cells.size()) - 1;
}

QString ListModel::subItem(int position, int index) const {
    const Row& row = rowAt(position);
    if (index < 1 || index >= row.cells.size()) {
        outOfBounds();
    }
    return row.cells.at(index);
}

void ListModel::setSubItem(int position, int index, const QString& text) {
    Row& row = rowAt(position);
    if (index < 1 || index >= row.cells.size()) {
        outOfBounds();
    }
    row.cells[index] = text;
    const QModelIndex at = this->index(position - 1, index);
    if (at.isValid()) {
        Q_EMIT dataChanged(at, at, {Qt::DisplayRole});
    }
}

void ListModel::setSubItemsOfAllRows(int first, int last, const QString& text) {
    if (m_rows.empty() || first < 1 || last < first) {
        return;
    }
    for (Row& row : m_rows) {
        for (int index = first; index <= last && index < row.cells.size(); ++index) {
            row.cells[index] = text;
        }
    }
    const QModelIndex topLeft = index(0, first);
    const QModelIndex bottomRight = index(itemCount() - 1, std::min(last, columnCount() - 1));
    if (topLeft.isValid() && bottomRight.isValid()) {
        Q_EMIT dataChanged(topLeft, bottomRight, {Qt::DisplayRole});
    }
}

QColor ListModel::subItemForeColor(int position, int index) const {
    const Row& row = rowAt(position);
    if (index < 1 || index >= row.cells.size()) {
        outOfBounds();
    }
    return index < row.colors.size() ? row.colors.at(index) : QColor();
}

void ListModel::setSubItemForeColor(int position, int index, const QColor& color) {
    Row& row = rowAt(position);
    if (index < 1 || index >= row.cells.size()) {
        outOfBounds();
    }
    if (row.colors.size() <= index) {
        row.colors.resize(index + 1);
    }
    row.colors[index] = color;
    const QModelIndex at = this->index(position - 1, index);
    if (at.isValid()) {
        Q_EMIT dataChanged(at, at, {Qt::ForegroundRole});
    }
}

void ListModel::clearColumns() {
    if (m_columns.empty()) {
        return;
    }
    beginRemoveColumns({}, 0, headerCount() - 1);
    m_columns.clear();
    endRemoveColumns();
}

void ListModel::addColumn(const QString& title, double widthTwips) {
    const int at = headerCount();
    beginInsertColumns({}, at, at);
    m_columns.push_back(Column{title, widthTwips, QString(), at});
    endInsertColumns();
}

const ListModel::Column& ListModel::column(int position) const {
    if (position < 1 || position > headerCount()) {
        outOfBounds();
    }
    return m_columns[static_cast<std::size_t>(position - 1)];
}

void ListModel::setColumnTag(int position, const QString& tag) {
    if (position < 1 || position > headerCount()) {
        outOfBounds();
    }
    m_columns[static_cast<std::size_t>(position - 1)].tag = tag;
}

void ListModel::setSorted(bool on) {
    m_sorted = on;
    if (on) {
        sortRows();
    }
}

void ListModel::sortRows() {
    if (m_rows.size() < 2) {
        return;
    }
    const int key = m_sortKey;
    QCollator collator(QLocale::system());
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(false);
    // Keys once per row: comparing collation keys is much cheaper than comparing strings.
    std::vector<QCollatorSortKey> keys;
    keys.reserve(m_rows.size());
    for (const Row& row : m_rows) {
        keys.push_back(collator.sortKey(key < row.cells.size() ? row.cells.at(key) : QString()));
    }
    std::vector<int> order(m_rows.size());
    std::iota(order.begin(), order.end(), 0);
    const bool descending = m_sortOrder == 1;
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const int c = keys[static_cast<std::size_t>(a)].compare(keys[static_cast<std::size_t>(b)]);
        return descending ? c > 0 : c < 0;
    });

    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> newPosition(m_rows.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        newPosition[static_cast<std::size_t>(order[i])] = static_cast<int>(i);
    }
    const QModelIndexList persistent = persistentIndexList();
    QModelIndexList moved;
    moved.reserve(persistent.size());
    for (const QModelIndex& old : persistent) {
        moved.append(index(newPosition[static_cast<std::size_t>(old.row())], old.column()));
    }
    std::vector<Row> rows;
    rows.reserve(m_rows.size());
    for (int from : order) {
        rows.push_back(std::move(m_rows[static_cast<std::size_t>(from)]));
    }
    m_rows = std::move(rows);
    changePersistentIndexList(persistent, moved);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

int ListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : itemCount();
}

int ListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : headerCount();
}

QVariant ListModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) {
        return {};
    }
    const Row& row = m_rows[static_cast<std::size_t>(index.row())];
    const int cell = index.column();
    if (role == Qt::DisplayRole) {
        if (cell >= row.cells.size()) {
            return QString();
        }
        const QString& text = row.cells.at(cell);
        // Laying out a megabyte-long cell on every paint would freeze the window; no column shows
        // more than this anyway. The cell itself keeps its whole text.
        return text.size() > kDisplayLimit ? QString(text.left(kDisplayLimit) + u'…') : text;
    }
    if (role == Qt::ForegroundRole && cell < row.colors.size() && row.colors.at(cell).isValid()) {
        return row.colors.at(cell);
    }
    return {};
}

QVariant ListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < headerCount()) {
        return m_columns[static_cast<std::size_t>(section)].title;
    }
    return {};
}

Qt::ItemFlags ListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

}  // namespace quorvane
