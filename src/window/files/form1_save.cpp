// SPDX-License-Identifier: GPL-3.0-or-later
// Appending the result lists to their files.
#include "files/result_file.h"
#include "form1.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QVarLengthArray>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace quorvane {

void Form1::saveList(ListView& list, const QString& path, bool wholeRow, int lastSubItem) {
    const ListModel& rows = list.items();
    const int last = wholeRow ? std::max(lastSubItem, 1) : 1;
    const std::optional<QString> error = appendLines(path, rows.itemCount(), [&](int row) {
        // The cells are read in place; a row that lacks one throws as reading it would.
        QVarLengthArray<QStringView, 8> fields;
        for (int cell = 1; cell <= last; ++cell) {
            fields.append(rows.subItemView(row, cell));
        }
        return resultLine(fields);
    });
    if (error) {
        showFailure(u"保存失败！"_s + *error);
        return;
    }
    showMessage(u"恭喜保存成功！"_s);
}

void Form1::Command8_Click() {
    saveList(*ListView1, Text3->text(), Check3->isChecked(), DomainCell::Snapshot);
}

void Form1::Command16_Click() {
    saveList(*ListView2, Text7->text(), Check5->isChecked(), KeywordCell::Title);
}

}  // namespace quorvane
