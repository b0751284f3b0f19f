// SPDX-License-Identifier: GPL-3.0-or-later
#include "list_view.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <algorithm>
#include <cmath>

namespace quorvane {

ListView::ListView(QWidget* parent) : QTreeView(parent), m_model(this) {
    setModel(&m_model);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSortingEnabled(false);
    // The focus frame marks the current cell: its column is the one the menu key's 升序 and 降序 sort by.
    setAllColumnsShowFocus(false);
    // Ctrl+A and Shift/Ctrl clicks select many rows, for copying.
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    // Editing would let a click change a cell's text; we never allow it.
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTextElideMode(Qt::ElideRight);
    header()->setStretchLastSection(false);
    header()->setSectionsMovable(false);
    header()->setSectionsClickable(true);
    header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    connect(header(), &QHeaderView::sectionClicked, this,
            [this](int section) { Q_EMIT ColumnClick(section + 1); });
}

void ListView::setTwipsPerPixel(double x, double y) {
    m_twipsPerPixelX = x > 0 ? x : 15.0;
    m_twipsPerPixelY = y > 0 ? y : 15.0;
}

void ListView::addColumn(const QString& title, double widthTwips) {
    m_model.addColumn(title, widthTwips);
    const int section = m_model.headerCount() - 1;
    header()->resizeSection(section, static_cast<int>(std::lround(widthTwips / m_twipsPerPixelX)));
}

double ListView::columnLeft(int position) const {
    m_model.column(position);  // throws when there is no such column
    return header()->sectionViewportPosition(position - 1) * m_twipsPerPixelX;
}

double ListView::columnWidth(int position) const {
    m_model.column(position);
    return header()->sectionSize(position - 1) * m_twipsPerPixelX;
}

void ListView::setFullRowSelect(bool on) {
    m_fullRowSelect = on;
    setSelectionBehavior(on ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
}

int ListView::hitTest(double xTwips, double yTwips) const {
    const QPoint client(static_cast<int>(std::floor(xTwips / m_twipsPerPixelX)),
                        static_cast<int>(std::floor(yTwips / m_twipsPerPixelY)));
    const QPoint inViewport = viewport()->mapFrom(this, client + contentsRect().topLeft());
    if (!viewport()->rect().contains(inViewport)) {
        return 0;
    }
    const QModelIndex at = indexAt(inViewport);
    return at.isValid() ? at.row() + 1 : 0;
}

int ListView::selectedItem() const {
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.row() + 1 : 0;
}

void ListView::selectItem(int position) {
    const QModelIndex at = m_model.index(position - 1, 0);
    if (at.isValid()) {
        setCurrentIndex(at);
    }
}

QString ListView::selectedRowsText() const {
    QList<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedRows()) {
        rows.append(index.row());
    }
    std::sort(rows.begin(), rows.end());
    QString text;
    for (const int row : rows) {
        const QStringList cells = m_model.cells(row + 1);
        for (qsizetype cell = 0; cell < cells.size(); ++cell) {
            // A tab or a line break inside a cell would split it in the spreadsheet.
            QString value = cells.at(cell);
            value.replace(u'\t', u' ').replace(u'\r', u' ').replace(u'\n', u' ');
            if (cell != 0) {
                text += u'\t';
            }
            text += value;
        }
        text += u'\n';
    }
    return text;
}

void ListView::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy)) {
        Q_EMIT CopyRows();
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
}

QModelIndex ListView::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
    // Rows are selected whole, yet Left and Right move the current cell along its row, so the keyboard
    // reaches every column (scrolling to it as needed).
    const QModelIndex current = currentIndex();
    if ((action == MoveLeft || action == MoveRight) && current.isValid()) {
        const QModelIndex next = current.siblingAtColumn(current.column() + (action == MoveLeft ? -1 : 1));
        return next.isValid() ? next : current;
    }
    return QTreeView::moveCursor(action, modifiers);
}

void ListView::contextMenuEvent(QContextMenuEvent* event) {
    // The mouse's request comes through the viewport, in its coordinates. The menu key's names no
    // useful point: it is for the current row, or for no row.
    QPoint inViewport = event->pos();
    if (event->reason() != QContextMenuEvent::Mouse) {
        const QModelIndex current = currentIndex();
        inViewport = current.isValid() ? visualRect(current).center() : QPoint(-1, -1);
    }
    Q_EMIT ContextMenu(viewport()->mapTo(this, inViewport) - contentsRect().topLeft());
    event->accept();
}

void ListView::mouseDoubleClickEvent(QMouseEvent* event) {
    QTreeView::mouseDoubleClickEvent(event);
    Q_EMIT DblClick(viewport()->mapTo(this, event->position().toPoint()) - contentsRect().topLeft());
}

}  // namespace quorvane
