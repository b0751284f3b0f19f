// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/history_window.h"

#include "batch/domain_columns.h"
#include "files/csv_export.h"
#include "form1.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPushButton>
#include <QShortcut>
#include <QSplitter>
#include <QStackedWidget>
#include <QTableView>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace quorvane {

namespace {

// The figures drawn: the weight (0 to 10 or so) on the right-hand axis, the two counts on the left.
struct Line {
    int cell;
    QColor color;
    bool ownAxis;
};
const Line kLines[] = {
    {DomainCell::Weight, QColor(0xd6, 0x27, 0x28), true},
    {DomainCell::Indexed, QColor(0x1f, 0x77, 0xb4), false},
    {DomainCell::Backlinks, QColor(0x2c, 0xa0, 0x2c), false},
};

// The ranges in the box's order.
const std::pair<const char16_t*, HistoryModel::Range> kRanges[] = {
    {u"7 天", HistoryModel::Range::Week},
    {u"30 天", HistoryModel::Range::Month},
    {u"全部", HistoryModel::Range::All},
};
constexpr int kDefaultRange = 2;  // 全部: a first look hides no check

constexpr qsizetype kMaxNameBytes = 200;  // of the domain's part; a Linux name holds 255

QString figureTitle(int cell) {
    return QString::fromUtf16(kFigureColumns[static_cast<std::size_t>(cell - DomainCell::Weight)].first);
}

// Lowest and highest value seen.
struct Bounds {
    double low = 0;
    double high = 0;
    bool any = false;
    void add(double value) {
        low = any ? std::min(low, value) : value;
        high = any ? std::max(high, value) : value;
        any = true;
    }
};

void fitWeightAxis(QValueAxis& axis, const Bounds& bounds) {
    // Whole steps: a weight is a whole number, and a range of one value still needs room around it.
    double low = std::floor(bounds.low) - 1;
    double high = std::ceil(bounds.high) + 1;
    if (low < 0 && bounds.low >= 0) {
        low = 0;
    }
    axis.setRange(low, high);
    axis.setTickType(QValueAxis::TicksDynamic);
    axis.setTickAnchor(0);
    axis.setTickInterval(std::max(1.0, std::ceil((high - low) / 10)));
    axis.setLabelFormat(u"%.0f"_s);
}

void fitCountAxis(QValueAxis& axis, const Bounds& bounds) {
    const double margin = bounds.high > bounds.low ? (bounds.high - bounds.low) * 0.05
                                                   : std::max(1.0, std::abs(bounds.high) * 0.1);
    double low = bounds.low - margin;
    if (low < 0 && bounds.low >= 0) {
        low = 0;  // counts are never below zero; an axis that says so would mislead
    }
    axis.setRange(low, bounds.high + margin);
    axis.applyNiceNumbers();
    axis.setLabelFormat(u"%.0f"_s);
}

void fitTimeAxis(QDateTimeAxis& axis, std::span<const HistoryStore::Check> newestFirst) {
    const qint64 first = newestFirst.back().time * 1000;
    const qint64 last = newestFirst.front().time * 1000;
    const qint64 margin = std::max<qint64>((last - first) / 20, 60 * 60 * 1000);
    axis.setRange(QDateTime::fromMSecsSinceEpoch(first - margin),
                  QDateTime::fromMSecsSinceEpoch(last + margin));
    // Six ticks over a week or so fall between days: they need the hour to say where they are.
    axis.setFormat(last - first <= 10LL * 24 * 60 * 60 * 1000 ? u"MM-dd HH:mm"_s : u"yyyy-MM-dd"_s);
    axis.setTickCount(6);
}

}  // namespace

std::vector<std::vector<QPointF>> figurePieces(std::span<const HistoryStore::Check> newestFirst, int cell) {
    std::vector<std::vector<QPointF>> pieces;
    bool inGap = true;
    for (auto check = newestFirst.rbegin(); check != newestFirst.rend(); ++check) {
        const std::optional<double> number =
            check->figures[static_cast<std::size_t>(cell - DomainCell::Weight)].number();
        if (!number) {
            inGap = true;
            continue;
        }
        if (inGap) {
            pieces.emplace_back();
            inGap = false;
        }
        pieces.back().emplace_back(static_cast<qreal>(check->time) * 1000, *number);
    }
    return pieces;
}

QString historyFileName(const QString& domain) {
    QString name;
    for (const QChar c : domain) {
        const bool unsafe = c == u'/' || c == u'\\' || c.category() == QChar::Other_Control ||
                            c.category() == QChar::Other_Format;
        name.append(unsafe ? u'_' : c);
    }
    name.replace(u".."_s, u"__"_s);
    if (name.startsWith(u'.')) {
        name[0] = u'_';
    }
    // Whole characters up to the byte limit: a pair of surrogates stays together.
    qsizetype bytes = 0;
    qsizetype end = 0;
    while (end < name.size()) {
        const qsizetype length = name[end].isHighSurrogate() && end + 1 < name.size() ? 2 : 1;
        bytes += QStringView(name).sliced(end, length).toUtf8().size();
        if (bytes > kMaxNameBytes) {
            break;
        }
        end += length;
    }
    name.truncate(end);
    return name + u"-历史.csv"_s;
}

HistoryWindow::HistoryWindow(const QString& domain, std::vector<HistoryStore::Check> checks,
                             qint64 nowSeconds, MessageBoxes& messages, FileDialogs& dialogs,
                             const QString& exportFolder, QWidget* parent)
    : QWidget(parent, Qt::Window),
      m_domain(domain),
      m_messages(messages),
      m_dialogs(dialogs),
      m_exportFolder(exportFolder),
      m_model(new HistoryModel(std::move(checks), nowSeconds, kRanges[kDefaultRange].second, this)),
      m_range(new QComboBox(this)),
      m_chartPlace(new QStackedWidget(this)),
      m_chart(new QChartView(m_chartPlace)),
      m_noChart(new QLabel(m_chartPlace)),
      m_table(new QTableView(this)) {
    setObjectName(u"HistoryWindow"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(u"历史："_s + domain);
    resize(960, 680);

    m_range->setObjectName(u"range"_s);
    for (const auto& [caption, range] : kRanges) {
        m_range->addItem(QString::fromUtf16(caption));
    }
    m_range->setCurrentIndex(kDefaultRange);
    auto* rangeCaption = new QLabel(u"范围："_s, this);
    rangeCaption->setBuddy(m_range);
    auto* exportButton = new QPushButton(u"导出 CSV…"_s, this);
    exportButton->setObjectName(u"export"_s);

    m_chart->setObjectName(u"chart"_s);
    m_chart->setRenderHint(QPainter::Antialiasing);
    m_chart->setMinimumHeight(240);
    m_noChart->setObjectName(u"noChart"_s);
    m_noChart->setAlignment(Qt::AlignCenter);
    m_chartPlace->addWidget(m_chart);
    m_chartPlace->addWidget(m_noChart);

    m_table->setObjectName(u"table"_s);
    m_table->setModel(m_model);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->verticalHeader()->hide();
    m_table->setColumnWidth(0, 130);
    for (int column = 1; column < m_model->columnCount(); ++column) {
        m_table->setColumnWidth(column, kFigureColumns[static_cast<std::size_t>(column - 1)].second);
    }

    auto* layout = new QVBoxLayout(this);
    auto* bar = new QHBoxLayout;
    layout->addLayout(bar);  // which owns it from here
    bar->addWidget(rangeCaption);
    bar->addWidget(m_range);
    bar->addStretch();
    bar->addWidget(exportButton);
    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(m_chartPlace);
    splitter->addWidget(m_table);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);
    layout->addWidget(splitter);

    connect(m_range, &QComboBox::currentIndexChanged, this, &HistoryWindow::showRange);
    connect(exportButton, &QPushButton::clicked, this, &HistoryWindow::exportTable);
    auto* exportKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_E), this);
    connect(exportKey, &QShortcut::activated, this, &HistoryWindow::exportTable);
    // A window one looks into and leaves: Esc closes it, as it would a dialog.
    auto* closeKey = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(closeKey, &QShortcut::activated, this, &QWidget::close);
    drawChart();
}

void HistoryWindow::showRange(int index) {
    if (index < 0 || index >= static_cast<int>(std::size(kRanges))) {
        return;
    }
    m_model->setRange(kRanges[index].second);
    drawChart();
}

void HistoryWindow::drawChart() {
    const std::span<const HistoryStore::Check> shown = m_model->shownChecks();
    std::vector<std::vector<QPointF>> pieces[std::size(kLines)];
    bool anyPoint = false;
    for (std::size_t line = 0; line < std::size(kLines); ++line) {
        pieces[line] = figurePieces(shown, kLines[line].cell);
        anyPoint = anyPoint || !pieces[line].empty();
    }
    if (!anyPoint) {
        m_noChart->setText(!m_model->hasChecks() ? u"没有这个域名的历史记录"_s
                           : shown.empty()       ? u"这段时间没有记录"_s
                                                 : u"这段时间的记录里没有可画的数值"_s);
        m_chartPlace->setCurrentWidget(m_noChart);
        return;
    }

    auto chart = std::make_unique<QChart>();
    auto* time = new QDateTimeAxis(chart.get());
    auto* counts = new QValueAxis(chart.get());
    auto* weight = new QValueAxis(chart.get());
    counts->setTitleText(figureTitle(DomainCell::Indexed) + u" / "_s + figureTitle(DomainCell::Backlinks));
    weight->setTitleText(figureTitle(DomainCell::Weight));
    chart->addAxis(time, Qt::AlignBottom);
    chart->addAxis(counts, Qt::AlignLeft);
    chart->addAxis(weight, Qt::AlignRight);
    fitTimeAxis(*time, shown);

    Bounds countBounds;
    Bounds weightBounds;
    for (std::size_t line = 0; line < std::size(kLines); ++line) {
        const Line& drawn = kLines[line];
        Bounds& bounds = drawn.ownAxis ? weightBounds : countBounds;
        bool first = true;
        for (const std::vector<QPointF>& piece : pieces[line]) {
            // One series a piece: Qt Charts joins every point of a series, across any gap.
            auto* series = new QLineSeries(chart.get());
            series->setName(figureTitle(drawn.cell));
            series->append(QList<QPointF>(piece.begin(), piece.end()));
            QPen pen(drawn.color);
            pen.setWidth(2);
            series->setPen(pen);
            series->setPointsVisible(true);  // a piece of one check is a point alone
            chart->addSeries(series);
            series->attachAxis(time);
            series->attachAxis(drawn.ownAxis ? weight : counts);
            for (const QPointF& point : piece) {
                bounds.add(point.y());
            }
            if (!first) {
                for (QLegendMarker* marker : chart->legend()->markers(series)) {
                    marker->setVisible(false);  // the legend names each figure once
                }
            }
            first = false;
        }
    }
    if (countBounds.any) {
        fitCountAxis(*counts, countBounds);
    }
    counts->setVisible(countBounds.any);
    if (weightBounds.any) {
        fitWeightAxis(*weight, weightBounds);
    }
    weight->setVisible(weightBounds.any);
    chart->legend()->setAlignment(Qt::AlignBottom);

    const std::unique_ptr<QChart> old(m_chart->chart());  // setChart gives the old one back to us
    m_chart->setChart(chart.release());
    m_chartPlace->setCurrentWidget(m_chart);
}

void HistoryWindow::exportTable() {
    exportCsv(this, m_messages, m_dialogs, Form1::kAppTitle,
              QDir(m_exportFolder).filePath(historyFileName(m_domain)),
              {HistoryModel::titles(), m_model->rowCount(),
               [this](int row) { return m_model->rowTexts(row - 1); }});
}

}  // namespace quorvane
