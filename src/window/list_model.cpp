// SPDX-License-Identifier: GPL-3.0-or-later
#include "list_model.h"

#include "text/app_error.h"
#include "text/cells.h"
#include "text/textcut.h"

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
    m_sources.clear();
    m_colors.clear();
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
    m_rows.push_back(Row{cells.isEmpty() ? QStringList{QString()} : cells});
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
        m_rows.push_back(Row{cells.isEmpty() ? QStringList{QString()} : std::move(cells)});
    }
    endInsertRows();
}

void ListModel::addNumberedRows(const QString& text, std::span<const DomainLine> lines, int cellCount,
                                const QString& filler) {
    if (lines.empty()) {
        return;
    }
    // Sharing text is safe only when it owns its characters and every line lies inside it, and worth
    // it only when the lines fill most of it; otherwise the lines are copied into one text of their own.
    const char16_t* const begin = QStringView(text).utf16();
    const char16_t* const end = begin + text.size();
    qsizetype used = 0;
    bool inside = text.data_ptr().isMutable();
    for (const DomainLine& line : lines) {
        used += line.domain.size();
        inside = inside && line.domain.utf16() >= begin && line.domain.utf16() + line.domain.size() <= end;
    }
    const bool share = inside && used >= text.size() / 2;
    QString pieces = share ? text : QString(used, Qt::Uninitialized);
    char16_t* out = share ? nullptr : reinterpret_cast<char16_t*>(pieces.data());

    const std::size_t firstEntry = m_rows.size();
    const int first = itemCount();
    beginInsertRows({}, first, first + static_cast<int>(lines.size()) - 1);
    m_rows.reserve(m_rows.size() + lines.size());
    m_shown.reserve(m_rows.capacity());
    m_positionOf.reserve(m_rows.capacity());
    for (const DomainLine& line : lines) {
        qsizetype start = 0;
        if (share) {
            start = line.domain.utf16() - begin;
        } else {
            start = out - reinterpret_cast<const char16_t*>(pieces.constData());
            out = std::copy(line.domain.utf16(), line.domain.utf16() + line.domain.size(), out);
        }
        m_shown.push_back(static_cast<int>(m_rows.size()));
        m_positionOf.push_back(static_cast<int>(m_positionOf.size()));
        m_rows.push_back(Row{{}, start, static_cast<int>(line.domain.size()), std::max(line.number, 1)});
    }
    m_sources.push_back(Source{firstEntry, std::move(pieces), filler, std::max(cellCount, 2)});
    endInsertRows();
}

std::size_t ListModel::entryAtPosition(int position) const {
    if (position < 1 || position > itemCount()) {
        outOfBounds();
    }
    return static_cast<std::size_t>(m_shown[static_cast<std::size_t>(position - 1)]);
}

std::size_t ListModel::entryIndex(int entry) const {
    if (entry < 1 || entry > itemCount()) {
        outOfBounds();
    }
    return static_cast<std::size_t>(entry - 1);
}

const ListModel::Source& ListModel::sourceOf(std::size_t entry) const {
    // The last source that starts at or before the entry.
    const auto after = std::upper_bound(m_sources.begin(), m_sources.end(), entry,
                                        [](std::size_t e, const Source& s) { return e < s.firstEntry; });
    return *std::prev(after);
}

int ListModel::sizeOf(std::size_t entry) const {
    const Row& row = m_rows[entry];
    return row.number == 0 ? static_cast<int>(row.cells.size()) : sourceOf(entry).cellCount;
}

QString ListModel::cellOf(std::size_t entry, int cell) const {
    const Row& row = m_rows[entry];
    if (row.number == 0) {
        return row.cells.at(cell);
    }
    if (cell == 0) {
        return QString::number(row.number);
    }
    const Source& source = sourceOf(entry);
    if (cell == 1) {
        return source.text.sliced(row.start, row.length);
    }
    return cell - 2 < row.cells.size() ? row.cells.at(cell - 2) : source.filler;
}

QStringList ListModel::cellsOf(std::size_t entry) const {
    const Row& row = m_rows[entry];
    if (row.number == 0) {
        return row.cells;
    }
    const int size = sizeOf(entry);
    QStringList cells;
    cells.reserve(size);
    for (int cell = 0; cell < size; ++cell) {
        cells.append(cellOf(entry, cell));
    }
    return cells;
}

void ListModel::makeWhole(std::size_t entry) {
    if (m_rows[entry].number != 0) {
        m_rows[entry] = Row{cellsOf(entry)};
    }
}

void ListModel::writeCell(std::size_t entry, int cell, const QString& text) {
    if (m_rows[entry].number != 0 && cell < 2) {
        makeWhole(entry);
    }
    Row& row = m_rows[entry];
    if (row.number == 0) {
        row.cells[cell] = text;
        return;
    }
    const Source& source = sourceOf(entry);
    const qsizetype at = cell - 2;
    if (at >= row.cells.size()) {
        if (text == source.filler) {
            return;  // it reads so already
        }
        row.cells.reserve(source.cellCount - 2);
        while (row.cells.size() <= at) {
            row.cells.append(source.filler);
        }
    }
    row.cells[at] = text;
}

QString ListModel::entrySubItem(int entry, int index) const {
    const std::size_t at = entryIndex(entry);
    if (index < 1 || index >= sizeOf(at)) {
        outOfBounds();
    }
    return cellOf(at, index);
}

QStringList ListModel::entryCells(int entry) const {
    return cellsOf(entryIndex(entry));
}

void ListModel::setEntrySubItem(int entry, int index, const QString& text, const QString& tip) {
    setSubItem(positionOfEntry(entry), index, text);
    if (!tip.isEmpty()) {
        m_tips.insert(tipKey(static_cast<std::size_t>(entry - 1), index), tip);
    }
}

QString ListModel::subItemTip(int position, int index) const {
    return m_tips.value(tipKey(entryAtPosition(position), index));
}

int ListModel::positionOfEntry(int entry) const {
    return m_positionOf[entryIndex(entry)] + 1;
}

QString ListModel::itemText(int position) const {
    return cellOf(entryAtPosition(position), 0);
}

void ListModel::addSubItem(int position, const QString& text) {
    const std::size_t entry = entryAtPosition(position);
    makeWhole(entry);
    Row& row = m_rows[entry];
    row.cells.append(text);
    const QModelIndex at = this->index(position - 1, static_cast<int>(row.cells.size()) - 1);
    if (at.isValid()) {
        Q_EMIT dataChanged(at, at, {Qt::DisplayRole});
    }
}

int ListModel::subItemCount(int position) const {
    return sizeOf(entryAtPosition(position)) - 1;
}

QString ListModel::subItem(int position, int index) const {
    const std::size_t entry = entryAtPosition(position);
    if (index < 1 || index >= sizeOf(entry)) {
        outOfBounds();
    }
    return cellOf(entry, index);
}

QStringView ListModel::subItemView(int position, int index) const {
    const std::size_t entry = entryAtPosition(position);
    if (index < 1 || index >= sizeOf(entry)) {
        outOfBounds();
    }
    const Row& row = m_rows[entry];
    if (row.number == 0) {
        return row.cells.at(index);
    }
    const Source& source = sourceOf(entry);
    if (index == 1) {
        return QStringView(source.text).sliced(row.start, row.length);
    }
    return index - 2 < row.cells.size() ? QStringView(row.cells.at(index - 2)) : QStringView(source.filler);
}

QStringList ListModel::cells(int position) const {
    return cellsOf(entryAtPosition(position));
}

void ListModel::setSubItem(int position, int index, const QString& text) {
    const std::size_t entry = entryAtPosition(position);
    if (index < 1 || index >= sizeOf(entry)) {
        outOfBounds();
    }
    writeCell(entry, index, text);
    if (!m_tips.isEmpty()) {
        m_tips.remove(tipKey(entry, index));
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
    for (std::size_t entry = 0; entry < m_rows.size(); ++entry) {
        const int size = sizeOf(entry);
        for (int cell = first; cell <= last && cell < size; ++cell) {
            writeCell(entry, cell, text);
        }
        // Cells that read as the filler again need not be held: a fresh start frees its old figures.
        Row& row = m_rows[entry];
        if (row.number != 0) {
            const QString& filler = sourceOf(entry).filler;
            while (!row.cells.isEmpty() && row.cells.constLast() == filler) {
                row.cells.removeLast();
            }
            if (row.cells.isEmpty()) {
                row.cells = QStringList();
            }
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
    const std::size_t entry = entryAtPosition(position);
    if (index < 1 || index >= sizeOf(entry)) {
        outOfBounds();
    }
    return entry < m_colors.size() && index < m_colors[entry].size() ? m_colors[entry].at(index) : QColor();
}

void ListModel::setSubItemForeColor(int position, int index, const QColor& color) {
    const std::size_t entry = entryAtPosition(position);
    if (index < 1 || index >= sizeOf(entry)) {
        outOfBounds();
    }
    if (m_colors.size() <= entry) {
        m_colors.resize(entry + 1);
    }
    QList<QColor>& colors = m_colors[entry];
    if (colors.size() <= index) {
        colors.resize(index + 1);
    }
    colors[index] = color;
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
        if (column == 0 && m_rows[i].number != 0) {
            keys[i] = {Number, static_cast<double>(m_rows[i].number), -1};
            continue;
        }
        const Row& row = m_rows[i];
        // A numbered row's text is read in place: the key is made before this loop ends.
        const QString cell = column >= sizeOf(i) ? QString()
                             : row.number != 0 && column == 1
                                 ? QString::fromRawData(sourceOf(i).text.constData() + row.start, row.length)
                                 : cellOf(i, column);
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
    const auto entry = static_cast<std::size_t>(m_shown[static_cast<std::size_t>(index.row())]);
    const int cell = index.column();
    if (role == Qt::DisplayRole) {
        if (cell >= sizeOf(entry)) {
            return QString();
        }
        const Row& row = m_rows[entry];
        if (row.number != 0 && cell == 1) {
            const QStringView text = QStringView(sourceOf(entry).text).sliced(row.start, row.length);
            return text.size() > kDisplayLimit ? QString(text.left(kDisplayLimit) + u'…') : text.toString();
        }
        const QString text = cellOf(entry, cell);
        // Laying out a megabyte-long cell on every paint would freeze the window; no column shows
        // more than this anyway. The cell itself keeps its whole text.
        return text.size() > kDisplayLimit ? QString(text.left(kDisplayLimit) + u'…') : text;
    }
    if ((role == Qt::ToolTipRole || role == Qt::AccessibleDescriptionRole) && !m_tips.isEmpty()) {
        const QString tip = m_tips.value(tipKey(entry, cell));
        return tip.isEmpty() ? QVariant() : QVariant(tip);
    }
    if (role == Qt::ForegroundRole && entry < m_colors.size() && cell < m_colors[entry].size() &&
        m_colors[entry].at(cell).isValid()) {
        return m_colors[entry].at(cell);
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
