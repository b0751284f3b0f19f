#include "list_view.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <cmath>

namespace quorvane {

ListView::ListView(QWidget* parent) : QTreeView(parent), m_model(this) {
    setModel(&m_model);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSortingEnabled(false);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
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

void ListView::setLabelEdit(int mode) {
    m_labelEdit = mode;
    // Automatic label editing would let a click change a first-column text; we never allow it.
    setEditTriggers(QAbstractItemView::NoEditTriggers);
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

void ListView::mouseDoubleClickEvent(QMouseEvent* event) {
    QTreeView::mouseDoubleClickEvent(event);
    Q_EMIT DblClick(viewport()->mapTo(this, event->position().toPoint()) - contentsRect().topLeft());
}

}  // namespace quorvane
