// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "history/figure_change.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QIcon>
#include <QList>
#include <QString>
#include <functional>
#include <memory>
#include <span>
#include <vector>

namespace quorvane {

class BatchRun;
class KeywordRun;

// The rows and columns of one result list, for the view. Its rows are either its own texts (a
// filtered list) or those of a run, which it formats: a domain row as its number, domain and six
// figures ("..." until known, "失败" with the reason as its tooltip), a keyword row likewise. Cell 0 is
// the row's own text (its number), cell k its k-th sub-item. A row has two addresses, both 1-based:
// its position in the order shown, which a sort changes (what the user sees, saves and clicks), and
// its entry, the order of the rows it shows, which nothing changes. Out-of-range access throws
// AppError, like the list control it replaces.
class ListModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    struct Column {
        QString title;
        double widthTwips = 0;
        QString tag;
        int subItemIndex = 0;
    };

    explicit ListModel(QObject* parent = nullptr);
    ~ListModel() override;

    // Characters of a cell that the list shows; longer cells are shown cut, with "…".
    static constexpr qsizetype kDisplayLimit = 1000;

    // A domain's last good figures of earlier runs, by cell - DomainCell::Weight.
    using PastFigures = std::array<std::optional<HistoryStore::PastFigure>, kDomainFigures>;
    using PastLookup = std::function<PastFigures(const QString& domain)>;

    // The rows of a run, shown from now on as it changes them; the run outlives the list. With a
    // lookup, a figure that changed since the domain's last check has an arrow (up green, down red)
    // and says so in its tooltip; a domain is looked up once, when one of its cells is first asked.
    void showRun(const BatchRun& run, PastLookup past = {});
    void showRun(const KeywordRun& run);

    // Rows of its own, by position in the order shown.
    void clearItems();
    // Appends a whole row: text and sub-items; returns the new row's position.
    int addRow(const QStringList& cells);
    // Appends many rows in one insertion.
    void addRows(std::vector<QStringList> rows);

    int itemCount() const;
    QString itemText(int position) const;
    int subItemCount(int position) const;
    QString subItem(int position, int index) const;
    // The same text without a copy, valid until the list next changes.
    QStringView subItemView(int position, int index) const;
    // The row's text and sub-items.
    QStringList cells(int position) const;
    // The earlier figures are others now (another run began, another list came back): looked up again.
    void forgetPast();
    FigureChange::Trend subItemTrend(int position, int index) const;
    // Why a cell reads "失败", or how it changed: its tooltip, read by screen readers too.
    QString subItemTip(int position, int index) const;
    QColor subItemForeColor(int position, int index) const;
    void setSubItemForeColor(int position, int index, const QColor& color);
    int positionOfEntry(int entry) const;

    // Columns.
    void clearColumns();
    void addColumn(const QString& title, double widthTwips);
    int headerCount() const { return static_cast<int>(m_columns.size()); }
    const Column& column(int position) const;
    void setColumnTag(int position, const QString& tag);

    // Sorting: setting Sorted reorders the shown rows once by the key column. Cells that are numbers
    // (thousands separators allowed) compare by value, other text by the locale's collation; cells
    // without a figure ("...", "失败", empty) come last in either direction; equal keys keep their order.
    void setSortKey(int key) { m_sortKey = key; }
    void setSortOrder(int order) { m_sortOrder = order; }
    bool sorted() const { return m_sorted; }
    void setSorted(bool on);

    // QAbstractItemModel.
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Where the rows come from: a run's, read in place, or the list's own.
    class Rows {
    public:
        virtual ~Rows() = default;
        virtual std::size_t count() const = 0;
        virtual int cellCount(std::size_t entry) const = 0;
        virtual QString text(std::size_t entry, int cell) const = 0;
        // A sub-item's text (cell 1 on) without a copy, valid until the rows next change.
        virtual QStringView view(std::size_t entry, int cell) const = 0;
        virtual QString tip(std::size_t entry, int cell) const = 0;
        virtual FigureChange::Trend trend(std::size_t /*entry*/, int /*cell*/) const {
            return FigureChange::Trend::None;
        }
        virtual void forgetPast() {}
        // The row's number, for a sort by cell 0 without reading it as text; 0 when it has none.
        virtual int number(std::size_t /*entry*/) const { return 0; }
    };

private:
    void setRows(std::unique_ptr<Rows> rows);
    void resetRows();
    void endRowsReset();
    void rowChanged(std::size_t entry, int first, int last);
    std::size_t entryAtPosition(int position) const;  // throws when out of range
    std::size_t checkedCell(int position, int index) const;
    void sortRows();

    std::unique_ptr<Rows> m_rows;
    // The context of the shown run's connections: new rows end them, so that a run shown before (or
    // shown again) cannot reset or signal rows that are no longer its own.
    std::unique_ptr<QObject> m_source;
    std::vector<int> m_shown;             // shown position -> entry index
    std::vector<int> m_positionOf;        // entry index -> shown position
    std::vector<QList<QColor>> m_colors;  // by entry index; only as long as the last row with a colour
    std::vector<Column> m_columns;
    mutable std::array<QIcon, 2> m_arrows;  // up, down; drawn when first shown
    int m_sortKey = 0;
    int m_sortOrder = 0;
    bool m_sorted = false;
};

}  // namespace quorvane
