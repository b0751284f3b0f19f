// SPDX-License-Identifier: GPL-3.0-or-later
// A list, as shown, to a CSV file a spreadsheet opens; every window's export goes through here.
#include "files/csv_export.h"

#include "files/csv.h"

using namespace Qt::StringLiterals;

namespace quorvane {

namespace {

const QString kCsvFilter = u"CSV 文件 (*.csv)"_s;
const QString kAllFilter = u"所有文件 (*)"_s;

}  // namespace

void exportCsv(QWidget* parent, MessageBoxes& messages, FileDialogs& dialogs, const QString& boxTitle,
               const QString& start, const ShownList& list) {
    if (list.rowCount == 0) {
        // A file of titles alone is of no use; asking for a name first would suggest otherwise.
        messages.show(parent, u"列表中没有数据，无需导出。"_s, boxTitle, MsgButtons::Ok, MsgIcon::None);
        return;
    }
    const std::optional<SaveChoice> choice =
        dialogs.saveFile(parent, u"导出为 CSV"_s, start, kCsvFilter + u";;"_s + kAllFilter);
    if (!choice) {
        return;
    }
    const QString path = csvPath(choice->path, choice->filter == kCsvFilter);
    const std::optional<QString> error =
        writeWholeFile(path, csvBytes(list.titles, list.rowCount, list.rowAt));
    if (error) {
        messages.show(parent, u"导出失败！"_s + *error, boxTitle, MsgButtons::Ok, MsgIcon::Critical);
        return;
    }
    messages.show(parent, u"导出成功！共 "_s + QString::number(list.rowCount) + u" 行，已写入 "_s + path,
                  boxTitle, MsgButtons::Ok, MsgIcon::None);
}

}  // namespace quorvane
