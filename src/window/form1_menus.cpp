// SPDX-License-Identifier: GPL-3.0-or-later
// The result lists' context menus. Each entry does what its key or the double-click does.
#include "form1.h"
#include "text/app_error.h"

#include <QMenu>

using namespace Qt::StringLiterals;

namespace quorvane {

namespace {

QAction* addEntry(QMenu& menu, const QString& text, bool enabled, const QKeySequence& keys = {}) {
    QAction* entry = menu.addAction(text);
    entry->setEnabled(enabled);
    if (!keys.isEmpty()) {
        // Shown as a reminder; the keys themselves work in the list and the window.
        entry->setShortcut(keys);
        entry->setShortcutContext(Qt::WidgetShortcut);
        entry->setShortcutVisibleInContextMenu(true);
    }
    return entry;
}

}  // namespace

void Form1::buildListMenu(QMenu& menu, ListView& list, QPoint client) {
    // The row under the mouse, which may differ from the selection.
    const int row = list.hitTest(client.x() * TwipsPerPixelX(), client.y() * m_twipsPerPixelY);
    const bool onRow = row != 0;
    ListView* const target = &list;

    QAction* copyRows = addEntry(menu, u"复制所选行"_s, list.selectionModel()->hasSelection(),
                                 QKeySequence(Qt::CTRL | Qt::Key_C));
    connect(copyRows, &QAction::triggered, this, [this, target] { copySelectedRows(*target); });

    if (target == ListView1) {
        const auto cellAction = [this, row](int cell) {
            return [this, row, cell] { resumeNext([&] { domainCellAction(row, cell); }); };
        };
        connect(addEntry(menu, u"复制域名"_s, onRow), &QAction::triggered, this,
                cellAction(DomainCell::Domain));
        menu.addSeparator();
        connect(addEntry(menu, u"在浏览器中打开 site: 结果"_s, onRow), &QAction::triggered, this,
                cellAction(DomainCell::Indexed));
        connect(addEntry(menu, u"在浏览器中打开 domain: 结果"_s, onRow), &QAction::triggered, this,
                cellAction(DomainCell::Backlinks));
        menu.addSeparator();
        connect(addEntry(menu, u"重新查询失败和未完成的行"_s, m_batch.hasRowsToRetry(),
                         QKeySequence(Qt::CTRL | Qt::Key_R)),
                &QAction::triggered, this, &Form1::retryFailedRows);
        connect(addEntry(menu, u"查看历史…"_s, onRow, QKeySequence(Qt::CTRL | Qt::Key_H)),
                &QAction::triggered, this,
                [this, row] { showHistory(ListView1->items().subItem(row, DomainCell::Domain)); });
    } else {
        connect(addEntry(menu, u"复制关键词"_s, onRow), &QAction::triggered, this,
                [this, target, row] { resumeNext([&] { copyKeyword(*target, row); }); });
        connect(addEntry(menu, u"查看历史…"_s, !singleDomain().isEmpty(), QKeySequence(Qt::CTRL | Qt::Key_H)),
                &QAction::triggered, this, [this] { showHistory(singleDomain()); });
    }

    // As a click on the header of the column under the mouse, or of the current cell for the menu key.
    const int column = hitColumn(list, client);
    menu.addSeparator();
    for (const bool descending : {false, true}) {
        connect(
            addEntry(menu, descending ? u"降序"_s : u"升序"_s, column != 0 && list.items().itemCount() > 1),
            &QAction::triggered, this,
            [this, target, column, descending] { sortList(*target, column, descending); });
    }
    menu.addSeparator();

    QAction* exportRows =
        addEntry(menu, u"导出为 CSV…"_s, list.items().itemCount() != 0, QKeySequence(Qt::CTRL | Qt::Key_E));
    connect(exportRows, &QAction::triggered, this, [this, target] { exportList(*target); });
    menu.addSeparator();
    connect(addEntry(menu, u"设置…"_s, true, QKeySequence(Qt::CTRL | Qt::Key_Comma)), &QAction::triggered,
            this, &Form1::showSettings);
}

void Form1::showListMenu(ListView& list, QPoint client) {
    // The list owns the menu until it closes.
    auto* menu = new QMenu(&list);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    buildListMenu(*menu, list, client);
    menu->popup(list.mapToGlobal(client + list.contentsRect().topLeft()));
}

void Form1::ListView1_ContextMenu(QPoint client) {
    showListMenu(*ListView1, client);
}

void Form1::ListView2_ContextMenu(QPoint client) {
    showListMenu(*ListView2, client);
}

void Form1::ListView3_ContextMenu(QPoint client) {
    showListMenu(*ListView3, client);
}

}  // namespace quorvane
