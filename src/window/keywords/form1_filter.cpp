// SPDX-License-Identifier: GPL-3.0-or-later
// The filter over the keyword list: matching rows are copied into the list laid over it.
#include "form1.h"
#include "keywords/keyword_filter.h"
#include "text/cells.h"
#include "text/textcut.h"

#include <QComboBox>
#include <QLineEdit>

using namespace Qt::StringLiterals;

namespace quorvane {

namespace {

const QString kHint = u"请输入关键词"_s;

}  // namespace

void Form1::Combo2_Click() {
    if (Combo2->currentText() == kContainsFilter) {
        Text6->setText(kHint);
    }
    if (Combo2->currentText() == kSearchIndexFilter) {
        Text6->setText(u"100"_s);
    }
    if (Combo2->currentText() == kIndexedFilter) {
        Text6->setText(u"10000"_s);
    }
}

void Form1::Text6_Click() {
    if (Text6->text() == kHint) {
        Text6->setText(QString());
    }
}

void Form1::Command13_Click() {
    const std::optional<KeywordFilter> filter = keywordFilterFor(Combo2->currentText(), Text6->text());
    if (!filter) {
        // An empty filtered list would read as "no keyword reaches it".
        showMessage(u"请输入数字！"_s);
        return;
    }
    ListView3->setVisible(true);
    const ListModel& source = ListView2->items();
    if (source.itemCount() == 0) {
        // The list shown must not be an earlier domain's filtered rows.
        ListView3->items().clearItems();
        showMessage(u"当前数据为空，请先查询！"_s);
        return;
    }
    ListModel& target = ListView3->items();
    target.clearItems();
    ListView3->clearColumns();
    setKeywordColumns(ListView3);
    // In the order shown, so the filtered list keeps the sort.
    std::vector<QStringList> rows;
    for (int i = 1; i <= source.itemCount(); ++i) {
        QStringList cells = source.cells(i);
        if (keywordRowPasses(*filter, cells)) {
            rows.push_back(std::move(cells));
        }
    }
    target.addRows(std::move(rows));
    if (const int tested = filter->testedCell(); tested != 0) {
        for (int j = 1; j <= target.itemCount(); ++j) {
            target.setSubItemForeColor(j, tested, QColor(255, 0, 0));
        }
    }
}

}  // namespace quorvane
