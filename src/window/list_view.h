// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "list_model.h"

#include <QTreeView>

namespace quorvane {

// A report-style list: our ListModel shown in a QTreeView, with column widths in twips,
// hit-testing in twips and the column-click and double-click events the window handles.
class ListView final : public QTreeView {
    Q_OBJECT
public:
    explicit ListView(QWidget* parent = nullptr);

    ListModel& items() { return m_model; }
    const ListModel& items() const { return m_model; }

    void setTwipsPerPixel(double x, double y);
    double twipsPerPixelX() const { return m_twipsPerPixelX; }

    // Columns (widths and left edges in twips).
    void clearColumns() { m_model.clearColumns(); }
    void addColumn(const QString& title, double widthTwips);
    // Left edge in the client area: it follows horizontal scrolling, as the header shows it.
    double columnLeft(int position) const;
    double columnWidth(int position) const;

    // Display properties.
    void setFullRowSelect(bool on);
    bool fullRowSelect() const { return m_fullRowSelect; }

    // The row at a point of the control's client area (inside the frame, the header at its top, the
    // same system the column edges are in), in twips; 0 when there is none.
    int hitTest(double xTwips, double yTwips) const;
    // The selected row's position; 0 when none.
    int selectedItem() const;
    // The selected rows in the order shown, one line each, cells joined by tabs; empty when none.
    QString selectedRowsText() const;
    void selectItem(int position);

Q_SIGNALS:
    void ColumnClick(int position);
    // Where the double-click happened, in client pixels (inside the frame, the header at the top).
    void DblClick(QPoint client);
    // Ctrl+C (the platform's copy keys) pressed in the list.
    void CopyRows();
    // A context menu asked for (right button or the menu key), in client pixels as DblClick.
    void ContextMenu(QPoint client);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;

private:
    ListModel m_model;
    double m_twipsPerPixelX = 15.0;
    double m_twipsPerPixelY = 15.0;
    bool m_fullRowSelect = false;
};

}  // namespace quorvane
