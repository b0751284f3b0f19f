// SPDX-License-Identifier: GPL-3.0-or-later
// A result list, as shown, to a CSV file a spreadsheet opens.
#include "files/csv_export.h"
#include "form1.h"

#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLineEdit>

using namespace Qt::StringLiterals;

namespace quorvane {

// The folder of the view's result file, and its name with ".csv"; the documents folder when the
// result file's folder is gone.
QString Form1::exportStart(const ListView& list) const {
    const QString folder = exportFolder(list);
    const QString name = QFileInfo((&list == ListView1 ? Text3 : Text7)->text()).completeBaseName();
    return name.isEmpty() ? folder : QDir(folder).filePath(name + u".csv"_s);
}

QString Form1::exportFolder(const ListView& list) const {
    const QFileInfo resultFile((&list == ListView1 ? Text3 : Text7)->text());
    return QFileInfo(resultFile.absolutePath()).isDir() ? resultFile.absolutePath()
                                                        : m_config.documentsFolder;
}

void Form1::exportList(const ListView& list) {
    const ListModel& rows = list.items();
    QStringList titles;
    for (int column = 1; column <= rows.headerCount(); ++column) {
        titles.append(rows.column(column).title);
    }
    exportCsv(this, m_services.messages, m_services.dialogs, kAppTitle, exportStart(list),
              {titles, rows.itemCount(), [&rows](int row) { return rows.cells(row); }});
}

void Form1::exportShownList() {
    if (Frame2->isHidden()) {
        exportList(*ListView1);
    } else {
        exportList(ListView3->isHidden() ? *ListView2 : *ListView3);
    }
}

}  // namespace quorvane
