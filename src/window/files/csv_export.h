// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui_services.h"

#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

namespace quorvane {

// A list as the user sees it: its column titles and its rows, rowAt(1) to rowAt(rowCount).
struct ShownList {
    QStringList titles;
    int rowCount = 0;
    std::function<QStringList(int)> rowAt;
};

// Asks where to put the list (start: a folder, or a proposed path) and writes it whole as CSV; the
// outcome, or that an empty list needs no file, is said in a box titled boxTitle.
void exportCsv(QWidget* parent, MessageBoxes& messages, FileDialogs& dialogs, const QString& boxTitle,
               const QString& start, const ShownList& list);

}  // namespace quorvane
