// SPDX-License-Identifier: GPL-3.0-or-later
#include "list_model.h"

#include "batch/batch_run.h"
#include "keywords/keyword_run.h"
#include "text/app_error.h"
#include "text/cells.h"
#include "text/textcut.h"

#include <QCollator>
#include <QLocale>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <numeric>
#include <unordered_map>
#include <utility>

using namespace Qt::StringLiterals;

namespace quorvane {

namespace {

[[noreturn]] void outOfBounds() {
    throw AppError(AppError::kIndexOutOfBounds, u"索引超出范围"_s);
}

// "...", "失败" and an empty cell hold no figure to order by.
bool hasFigure(QStringView cell) {
    const QStringView trimmed = cell.trimmed();
    return !trimmed.isEmpty() && trimmed != kUnknown && trimmed != kFailureText;
}

// Rows of the list's own, each whole.
class OwnRows final : public ListModel::Rows {
public:
    std::vector<QStringList> rows;

    std::size_t count() const override { return rows.size(); }
    int cellCount(std::size_t entry) const override { return static_cast<int>(rows[entry].size()); }
    QString text(std::size_t entry, int cell) const override { return rows[entry].at(cell); }
    QStringView view(std::size_t entry, int cell) const override { return rows[entry].at(cell); }
    QString tip(std::size_t, int) const override { return {}; }
};

QStringView shownView(const Figure& figure) {
    switch (figure.state) {
        case Figure::State::Value:
            return figure.text;
        case Figure::State::Failed:
            return kFailureText;
        case Figure::State::Unknown:
            break;
    }
    return kUnknown;
}

// A batch run's rows: number, domain and its six figures.
class DomainRows final : public ListModel::Rows {
public:
    DomainRows(const BatchRun& run, ListModel::PastLookup past) : m_run(run), m_past(std::move(past)) {}
    std::size_t count() const override { return static_cast<std::size_t>(m_run.rowCount()); }
    int cellCount(std::size_t) const override { return DomainCell::Count; }
    QString text(std::size_t entry, int cell) const override {
        return cell == DomainCell::Number ? QString::number(number(entry)) : view(entry, cell).toString();
    }
    QStringView view(std::size_t entry, int cell) const override {
        const qint64 row = static_cast<qint64>(entry) + 1;
        return cell == DomainCell::Domain ? m_run.domain(row) : shownView(m_run.figure(row, cell));
    }
    QString tip(std::size_t entry, int cell) const override {
        if (cell < DomainCell::Weight) {
            return {};
        }
        const Figure& figure = m_run.figure(static_cast<qint64>(entry) + 1, cell);
        return figure.state == Figure::State::Failed ? figure.reason : change(entry, cell).tip;
    }
    FigureChange::Trend trend(std::size_t entry, int cell) const override {
        return change(entry, cell).trend;
    }
    void forgetPast() override { m_known.clear(); }
    int number(std::size_t entry) const override { return m_run.lineNumber(static_cast<qint64>(entry) + 1); }

private:
    FigureChange change(std::size_t entry, int cell) const {
        if (!m_past || !showsChange(cell)) {
            return {};
        }
        const qint64 row = static_cast<qint64>(entry) + 1;
        const Figure& figure = m_run.figure(row, cell);
        if (figure.state != Figure::State::Value) {
            return {};  // nothing to compare: no need to look the domain up
        }
        auto known = m_known.find(entry);
        if (known == m_known.end()) {
            known = m_known.emplace(entry, m_past(m_run.domain(row).toString())).first;
        }
        return changeSince(figure, known->second[static_cast<std::size_t>(cell - DomainCell::Weight)]);
    }

    const BatchRun& m_run;
    ListModel::PastLookup m_past;
    mutable std::unordered_map<std::size_t, ListModel::PastFigures> m_known;  // by entry, those asked
};

// A small filled triangle, pointing up or down.
QIcon arrowIcon(bool up) {
    constexpr int kSize = 12;
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    const double top = up ? 2 : 10;
    const double base = up ? 10 : 2;
    path.moveTo(kSize / 2.0, top);
    path.lineTo(10.5, base);
    path.lineTo(1.5, base);
    path.closeSubpath();
    painter.fillPath(path, up ? QColor(0x1a, 0x9b, 0x3c) : QColor(0xd3, 0x2f, 0x2f));
    return QIcon(pixmap);
}

// A keyword run's rows: number, keyword, rank, search index, indexed count, title.
class KeywordRows final : public ListModel::Rows {
public:
    explicit KeywordRows(const KeywordRun& run) : m_run(run) {}
    std::size_t count() const override { return static_cast<std::size_t>(m_run.rowCount()); }
    int cellCount(std::size_t) const override { return KeywordCell::Count; }
    QString text(std::size_t entry, int cell) const override {
        return cell == KeywordCell::Number ? QString::number(number(entry)) : view(entry, cell).toString();
    }
    QStringView view(std::size_t entry, int cell) const override {
        const auto& known =
            m_run.row(static_cast<qint64>(entry) + 1).cells[static_cast<std::size_t>(cell - 1)];
        return known ? QStringView(*known) : QStringView(kUnknown);
    }
    QString tip(std::size_t, int) const override { return {}; }
    int number(std::size_t entry) const override { return static_cast<int>(entry) + 1; }

private:
    const KeywordRun& m_run;
};

}  // namespace

ListModel::ListModel(QObject* parent) : QAbstractTableModel(parent), m_rows(std::make_unique<OwnRows>()) {}

ListModel::~ListModel() = default;

void ListModel::setRows(std::unique_ptr<Rows> rows) {
    beginResetModel();
    m_source = std::make_unique<QObject>();
    m_rows = std::move(rows);
    m_colors.clear();
    resetRows();
    endResetModel();
}

// Every row in the order of its entry, as a fresh list shows them.
void ListModel::resetRows() {
    m_shown.resize(m_rows->count());
    std::iota(m_shown.begin(), m_shown.end(), 0);
    m_positionOf = m_shown;
}

// A run's new list: every row in the order of its entry, no colours.
void ListModel::endRowsReset() {
    m_colors.clear();
    m_rows->forgetPast();
    resetRows();
    endResetModel();
}

void ListModel::rowChanged(std::size_t entry, int first, int last) {
    const int row = m_positionOf[entry];
    const QModelIndex from = index(row, first);
    const QModelIndex to = index(row, std::min(last, columnCount() - 1));
    if (from.isValid() && to.isValid()) {
        Q_EMIT dataChanged(from, to, {Qt::DisplayRole, Qt::ToolTipRole, Qt::DecorationRole});
    }
}

void ListModel::showRun(const BatchRun& run, PastLookup past) {
    setRows(std::make_unique<DomainRows>(run, std::move(past)));
    connect(&run, &BatchRun::rowsAboutToReset, m_source.get(), [this] { beginResetModel(); });
    connect(&run, &BatchRun::rowsReset, m_source.get(), [this] { endRowsReset(); });
    connect(&run, &BatchRun::figureChanged, m_source.get(), [this](qint64 entry, int cell) {
        if (entry >= 1 && static_cast<std::size_t>(entry) <= m_positionOf.size()) {
            rowChanged(static_cast<std::size_t>(entry - 1), cell, cell);
        }
    });
    connect(&run, &BatchRun::figuresReset, m_source.get(), [this] {
        const QModelIndex topLeft = index(0, DomainCell::Weight);
        const QModelIndex bottomRight =
            index(itemCount() - 1, std::min<int>(DomainCell::Snapshot, columnCount() - 1));
        if (topLeft.isValid() && bottomRight.isValid()) {
            Q_EMIT dataChanged(topLeft, bottomRight, {Qt::DisplayRole, Qt::ToolTipRole, Qt::DecorationRole});
        }
    });
}

void ListModel::forgetPast() {
    m_rows->forgetPast();
    const QModelIndex topLeft = index(0, DomainCell::Weight);
    const QModelIndex bottomRight = index(itemCount() - 1, columnCount() - 1);
    if (topLeft.isValid() && bottomRight.isValid()) {
        Q_EMIT dataChanged(topLeft, bottomRight, {Qt::ToolTipRole, Qt::DecorationRole});
    }
}

FigureChange::Trend ListModel::subItemTrend(int position, int index) const {
    return m_rows->trend(checkedCell(position, index), index);
}

void ListModel::showRun(const KeywordRun& run) {
    setRows(std::make_unique<KeywordRows>(run));
    connect(&run, &KeywordRun::rowsAboutToReset, m_source.get(), [this] { beginResetModel(); });
    connect(&run, &KeywordRun::rowsReset, m_source.get(), [this] { endRowsReset(); });
    connect(&run, &KeywordRun::rowChanged, m_source.get(), [this](qint64 entry) {
        if (entry >= 1 && static_cast<std::size_t>(entry) <= m_positionOf.size()) {
            rowChanged(static_cast<std::size_t>(entry - 1), KeywordCell::Keyword, KeywordCell::Title);
        }
    });
}

void ListModel::clearItems() {
    auto* own = dynamic_cast<OwnRows*>(m_rows.get());
    if (own && own->rows.empty()) {
        return;
    }
    setRows(std::make_unique<OwnRows>());
}

int ListModel::addRow(const QStringList& cells) {
    addRows({cells});
    return itemCount();
}

void ListModel::addRows(std::vector<QStringList> rows) {
    auto* own = dynamic_cast<OwnRows*>(m_rows.get());
    if (!own) {
        setRows(std::make_unique<OwnRows>());
        own = static_cast<OwnRows*>(m_rows.get());
    }
    if (rows.empty()) {
        return;
    }
    const int first = itemCount();
    beginInsertRows({}, first, first + static_cast<int>(rows.size()) - 1);
    own->rows.reserve(own->rows.size() + rows.size());
    for (QStringList& cells : rows) {
        // New rows come last in the order shown, whatever the sort before them.
        m_shown.push_back(static_cast<int>(own->rows.size()));
        m_positionOf.push_back(static_cast<int>(m_positionOf.size()));
        own->rows.push_back(cells.isEmpty() ? QStringList{QString()} : std::move(cells));
    }
    endInsertRows();
}

int ListModel::itemCount() const {
    return static_cast<int>(m_shown.size());
}

std::size_t ListModel::entryAtPosition(int position) const {
    if (position < 1 || position > itemCount()) {
        outOfBounds();
    }
    return static_cast<std::size_t>(m_shown[static_cast<std::size_t>(position - 1)]);
}

std::size_t ListModel::checkedCell(int position, int index) const {
    const std::size_t entry = entryAtPosition(position);
    if (index < 1 || index >= m_rows->cellCount(entry)) {
        outOfBounds();
    }
    return entry;
}

QString ListModel::itemText(int position) const {
    return m_rows->text(entryAtPosition(position), 0);
}

int ListModel::subItemCount(int position) const {
    return m_rows->cellCount(entryAtPosition(position)) - 1;
}

QString ListModel::subItem(int position, int index) const {
    return m_rows->text(checkedCell(position, index), index);
}

QStringView ListModel::subItemView(int position, int index) const {
    return m_rows->view(checkedCell(position, index), index);
}

QStringList ListModel::cells(int position) const {
    const std::size_t entry = entryAtPosition(position);
    const int size = m_rows->cellCount(entry);
    QStringList cells;
    cells.reserve(size);
    for (int cell = 0; cell < size; ++cell) {
        cells.append(m_rows->text(entry, cell));
    }
    return cells;
}

QString ListModel::subItemTip(int position, int index) const {
    return m_rows->tip(entryAtPosition(position), index);
}

int ListModel::positionOfEntry(int entry) const {
    if (entry < 1 || entry > itemCount()) {
        outOfBounds();
    }
    return m_positionOf[static_cast<std::size_t>(entry - 1)] + 1;
}

QColor ListModel::subItemForeColor(int position, int index) const {
    const std::size_t entry = checkedCell(position, index);
    return entry < m_colors.size() && index < m_colors[entry].size() ? m_colors[entry].at(index) : QColor();
}

void ListModel::setSubItemForeColor(int position, int index, const QColor& color) {
    const std::size_t entry = checkedCell(position, index);
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
    const std::size_t count = m_rows->count();
    if (count < 2) {
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
    std::vector<Key> keys(count);
    std::vector<QCollatorSortKey> textKeys;
    for (std::size_t i = 0; i < count; ++i) {
        if (column == 0) {
            if (const int number = m_rows->number(i); number != 0) {
                keys[i] = {Number, static_cast<double>(number), -1};
                continue;
            }
        }
        // The cell is read in place: the key is made before this loop ends.
        const QStringView view = column >= m_rows->cellCount(i) ? QStringView()
                                 : column == 0                  ? QStringView()
                                                                : m_rows->view(i, column);
        const QString cell = column == 0 && column < m_rows->cellCount(i)
                                 ? m_rows->text(i, 0)
                                 : QString::fromRawData(view.data(), view.size());
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
        if (cell >= m_rows->cellCount(entry)) {
            return QString();
        }
        if (cell == 0) {
            return m_rows->text(entry, 0);
        }
        // Laying out a megabyte-long cell on every paint would freeze the window; no column shows
        // more than this anyway. The cell itself keeps its whole text.
        const QStringView text = m_rows->view(entry, cell);
        return text.size() > kDisplayLimit ? QString(text.left(kDisplayLimit) + u'…') : text.toString();
    }
    if (role == Qt::ToolTipRole || role == Qt::AccessibleDescriptionRole) {
        const QString tip = cell < m_rows->cellCount(entry) ? m_rows->tip(entry, cell) : QString();
        return tip.isEmpty() ? QVariant() : QVariant(tip);
    }
    if (role == Qt::DecorationRole && cell < m_rows->cellCount(entry)) {
        const FigureChange::Trend trend = m_rows->trend(entry, cell);
        if (trend == FigureChange::Trend::Up || trend == FigureChange::Trend::Down) {
            const bool up = trend == FigureChange::Trend::Up;
            QIcon& arrow = m_arrows[up ? 0 : 1];
            if (arrow.isNull()) {
                arrow = arrowIcon(up);
            }
            return arrow;
        }
        return {};
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
