#include "list_model.h"

#include "../text/app_error.h"
#include "../text/cells.h"
#include "../text/textcut.h"

#include <QCollator>
#include <QLocale>
#include <algorithm>
#include <numeric>
#include <utility>

using namespace Qt::StringLiterals;

namespace quorvane {

namespace {

[[noreturn]] void outOfBounds() {
    throw AppError(AppError::kIndexOutOfBounds, u"索引超出范围"_s);
}

// "...", "失败" and an empty cell hold no figure to order by.
bool hasFigure(const QString& cell) {
    const QString trimmed = cell.trimmed();
    return !trimmed.isEmpty() && trimmed != kUnknown && trimmed != kFailureText;
}

}  // namespace

void ListModel::clearItems() {
    if (m_rows.empty()) {
        return;
    }
    beginResetModel();
    m_rows.clear();
    m_shown.clear();
    m_positionOf.clear();
    m_tips.clear();
    endResetModel();
}

int ListModel::addItem(const QString& text) {
    return addRow({text});
}

int ListModel::addRow(const QStringList& cells) {
    const int row = itemCount();
    beginInsertRows({}, row, row);
    m_shown.push_back(static_cast<int>(m_rows.size()));
    m_positionOf.push_back(row);
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
    m_shown.reserve(m_rows.capacity());
    m_positionOf.reserve(m_rows.capacity());
    for (QStringList& cells : rows) {
        // New rows come last in the order shown, whatever the sort before them.
        m_shown.push_back(static_cast<int>(m_rows.size()));
        m_positionOf.push_back(static_cast<int>(m_positionOf.size()));
        m_rows.push_back(Row{cells.isEmpty() ? QStringList{QString()} : std::move(cells), {}});
    }
    endInsertRows();
}

const ListModel::Row& ListModel::rowAt(int position) const {
    if (position < 1 || position > itemCount()) {
        outOfBounds();
    }
    return m_rows[static_cast<std::size_t>(m_shown[static_cast<std::size_t>(position - 1)])];
}

const ListModel::Row& ListModel::entryAt(int entry) const {
    if (entry < 1 || entry > itemCount()) {
        outOfBounds();
    }
    return m_rows[static_cast<std::size_t>(entry - 1)];
}

QString ListModel::entrySubItem(int entry, int index) const {
    const Row& row = entryAt(entry);
    if (index < 1 || index >= row.cells.size()) {
        outOfBounds();
    }
    return row.cells.at(index);
}

const QStringList& ListModel::entryCells(int entry) const {
    return entryAt(entry).cells;
}

void ListModel::setEntrySubItem(int entry, int index, const QString& text, const QString& tip) {
    setSubItem(positionOfEntry(entry), index, text);
    if (!tip.isEmpty()) {
        m_tips.insert(tipKey(static_cast<std::size_t>(entry - 1), index), tip);
    }
}

QString ListModel::subItemTip(int position, int index) const {
    rowAt(position);
    return m_tips.value(tipKey(m_shown[static_cast<std::size_t>(position - 1)], index));
}

int ListModel::positionOfEntry(int entry) const {
    entryAt(entry);
    return m_positionOf[static_cast<std::size_t>(entry - 1)] + 1;
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
    const QModelIndex at = this->index(position - 1, static_cast<int>(row.cells.size()) - 1);
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

const QStringList& ListModel::cells(int position) const {
    return rowAt(position).cells;
}

void ListModel::setSubItem(int position, int index, const QString& text) {
    Row& row = rowAt(position);
    if (index < 1 || index >= row.cells.size()) {
        outOfBounds();
    }
    row.cells[index] = text;
    if (!m_tips.isEmpty()) {
        m_tips.remove(tipKey(m_shown[static_cast<std::size_t>(position - 1)], index));
    }
    const QModelIndex at = this->index(position - 1, index);
    if (at.isValid()) {
        Q_EMIT dataChanged(at, at, {Qt::DisplayRole, Qt::ToolTipRole});
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
    m_tips.removeIf([&](const auto& tip) {
        const int cell = static_cast<int>(tip.key() & 0xFF);
        return cell >= first && cell <= last;
    });
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
    // Sort keys once per row: numbers by value, text by collation key, no figure last.
    enum Group { Number, Text, NoFigure };
    struct Key {
        Group group = NoFigure;
        double number = 0;
        int text = -1;  // into textKeys
    };
    const int column = m_sortKey;
    QCollator collator(QLocale::system());
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(false);
    std::vector<Key> keys(m_rows.size());
    std::vector<QCollatorSortKey> textKeys;
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        const QStringList& cells = m_rows[i].cells;
        const QString cell = column < cells.size() ? cells.at(column) : QString();
        if (const auto number = text::cellNumber(cell)) {
            keys[i] = {Number, *number, -1};
        } else if (!hasFigure(cell)) {
            keys[i] = {NoFigure, 0, -1};
        } else {
            keys[i] = {Text, 0, static_cast<int>(textKeys.size())};
            textKeys.push_back(collator.sortKey(cell));
        }
    }
    const bool descending = m_sortOrder == 1;
    std::vector<int> order = m_shown;
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const Key& x = keys[static_cast<std::size_t>(a)];
        const Key& y = keys[static_cast<std::size_t>(b)];
        if (x.group == NoFigure || y.group == NoFigure) {
            return x.group != NoFigure && y.group == NoFigure;
        }
        int c = 0;
        if (x.group != y.group) {
            c = x.group < y.group ? -1 : 1;
        } else if (x.group == Number) {
            c = x.number < y.number ? -1 : (y.number < x.number ? 1 : 0);
        } else {
            c = textKeys[static_cast<std::size_t>(x.text)].compare(
                textKeys[static_cast<std::size_t>(y.text)]);
        }
        return descending ? c > 0 : c < 0;
    });

    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const std::vector<int> oldShown = std::exchange(m_shown, std::move(order));
    for (std::size_t position = 0; position < m_shown.size(); ++position) {
        m_positionOf[static_cast<std::size_t>(m_shown[position])] = static_cast<int>(position);
    }
    const QModelIndexList persistent = persistentIndexList();
    QModelIndexList moved;
    moved.reserve(persistent.size());
    for (const QModelIndex& old : persistent) {
        const int entry = oldShown[static_cast<std::size_t>(old.row())];
        moved.append(index(m_positionOf[static_cast<std::size_t>(entry)], old.column()));
    }
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
    const Row& row = m_rows[static_cast<std::size_t>(m_shown[static_cast<std::size_t>(index.row())])];
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
    if ((role == Qt::ToolTipRole || role == Qt::AccessibleDescriptionRole) && !m_tips.isEmpty()) {
        const QString tip = m_tips.value(tipKey(m_shown[static_cast<std::size_t>(index.row())], cell));
        return tip.isEmpty() ? QVariant() : QVariant(tip);
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
