// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "history/history_model.h"
#include "ui_services.h"

#include <QPointF>
#include <QWidget>
#include <span>
#include <vector>

class QChartView;
class QComboBox;
class QLabel;
class QStackedWidget;
class QTableView;

namespace quorvane {

// A figure's points over the checks given newest first, oldest point first, x in ms since the epoch.
// A check where the figure failed, is unknown or is no number ends a piece, so that a line drawn
// through each piece shows a gap there, never a fall to zero.
std::vector<std::vector<QPointF>> figurePieces(std::span<const HistoryStore::Check> newestFirst, int cell);

// The name the export proposes for a domain's history: the domain with whatever could lead out of
// the folder, hide the file or break the name (separators, "..", a leading dot, control characters)
// made "_", short enough for any Linux file system.
QString historyFileName(const QString& domain);

// One domain's history, in a window of its own beside the main one: a chart of 百度权重, 百度收录 and
// 百度反链 over time, the checks in a table, newest first, and the table's export to CSV. It closes
// without asking and is deleted then.
class HistoryWindow final : public QWidget {
    Q_OBJECT
public:
    HistoryWindow(const QString& domain, std::vector<HistoryStore::Check> checks, qint64 nowSeconds,
                  MessageBoxes& messages, FileDialogs& dialogs, const QString& exportFolder,
                  QWidget* parent = nullptr);

    // "导出 CSV…" and Ctrl+E: the table as shown.
    void exportTable();

private:
    void showRange(int index);
    void drawChart();

    QString m_domain;
    MessageBoxes& m_messages;
    FileDialogs& m_dialogs;
    QString m_exportFolder;
    HistoryModel* m_model;
    QComboBox* m_range;
    QStackedWidget* m_chartPlace;
    QChartView* m_chart;
    QLabel* m_noChart;
    QTableView* m_table;
};

}  // namespace quorvane
