// SPDX-License-Identifier: GPL-3.0-or-later
// A result list, as shown, to a CSV file a spreadsheet opens.
#include "files/csv.h"
#include "form1.h"

#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLineEdit>

using namespace Qt::StringLiterals;

namespace quorvane {

namespace {

const QString kCsvFilter = u"CSV 文件 (*.csv)"_s;
const QString kAllFilter = u"所有文件 (*)"_s;

}  // namespace

// The folder of the view's result file, and its name with ".csv"; the documents folder when the
// result file's folder is gone.
QString Form1::exportStart(const ListView& list) const {
    const QFileInfo resultFile((&list == ListView1 ? Text3 : Text7)->text());
    const QString folder =
        QFileInfo(resultFile.absolutePath()).isDir() ? resultFile.absolutePath() : m_config.documentsFolder;
    const QString name = resultFile.completeBaseName();
    return name.isEmpty() ? folder : QDir(folder).filePath(name + u".csv"_s);
}

void Form1::exportList(const ListView& list) {
    const ListModel& rows = list.items();
    if (rows.itemCount() == 0) {
        // A file of titles alone is of no use; asking for a name first would suggest otherwise.
        showMessage(u"列表中没有数据，无需导出。"_s);
        return;
    }
    const std::optional<SaveChoice> choice = m_services.dialogs.saveFile(
        this, u"导出为 CSV"_s, exportStart(list), kCsvFilter + u";;"_s + kAllFilter);
    if (!choice) {
        return;
    }
    const QString path = csvPath(choice->path, choice->filter == kCsvFilter);
    QStringList titles;
    for (int column = 1; column <= rows.headerCount(); ++column) {
        titles.append(rows.column(column).title);
    }
    const std::optional<QString> error = writeWholeFile(
        path, csvBytes(titles, rows.itemCount(), [&rows](int row) { return rows.cells(row); }));
    if (error) {
        showFailure(u"导出失败！"_s + *error);
        return;
    }
    showMessage(u"导出成功！共 "_s + QString::number(rows.itemCount()) + u" 行，已写入 "_s + path);
}

void Form1::exportShownList() {
    if (Frame2->isHidden()) {
        exportList(*ListView1);
    } else {
        exportList(ListView3->isHidden() ? *ListView2 : *ListView3);
    }
}

}  // namespace quorvane
