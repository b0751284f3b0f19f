// SPDX-License-Identifier: GPL-3.0-or-later
// The keyword lists of the single view.
#include "form1.h"

#include <QLabel>

namespace quorvane {

// A keyword run's new list comes with its columns afresh, as the first list did.
void Form1::showKeywordColumns() {
    ListView2->clearColumns();
    setKeywordColumns(ListView2);
}

void Form1::ListView2_ColumnClick(int column) {
    sortByColumn(*ListView2, column);
}

void Form1::ListView3_ColumnClick(int column) {
    sortByColumn(*ListView3, column);
}

void Form1::Command15_Click() {
    ListView3->setVisible(false);
}

}  // namespace quorvane
