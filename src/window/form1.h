#pragma once

#include "../fetch/httppage2.h"
#include "../fetch/services.h"
#include "../fetch/xtimer.h"
#include "../platform/ui_services.h"
#include "../text/cells.h"
#include "fetcher_slot.h"
#include "list_view.h"
#include "run_state.h"
#include "window_timer.h"

#include <QWidget>
#include <array>
#include <functional>
#include <span>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace quorvane {

struct Form1Config {
    QString statsSite;                 // scheme and host of the SEO statistics site
    QString searchEngine;              // scheme and host of the search engine
    QString updateSite;                // scheme and host of the update notice page
    QString documentsFolder;           // where the result files go by default
    std::function<void()> endProgram;  // ends the process once the user confirmed closing
    double logicalDpi = 0;             // of the screen the lists measure in; 0: the primary screen's
};

// The one window. Controls keep their numbered names; handlers are named after control and event
// and live beside the subsystem they belong to (batch/, single/, keywords/, files/).
class Form1 final : public QWidget {
    Q_OBJECT
public:
    Form1(Form1Services services, Form1Config config, QWidget* parent = nullptr);
    ~Form1() override;

    static const QString kAppTitle;
    static const QString kCaption;
    static const QString kSampleDomain;
    static const QString kSupportContact;

    // --- Controls, batch view.
    QGroupBox* Frame1 = nullptr;
    QPushButton* Command12 = nullptr;
    QPlainTextEdit* Text1 = nullptr;
    QPushButton* Command10 = nullptr;
    QPushButton* Command9 = nullptr;
    QPushButton* Command3 = nullptr;
    QPushButton* Command2 = nullptr;
    ListView* ListView1 = nullptr;
    QPushButton* Command19 = nullptr;
    QCheckBox* Check3 = nullptr;
    QComboBox* Combo1 = nullptr;
    QLineEdit* Text4 = nullptr;
    QPushButton* Command8 = nullptr;
    QPushButton* Command7 = nullptr;
    QPushButton* Command6 = nullptr;
    QPushButton* Command5 = nullptr;
    QPushButton* Command4 = nullptr;
    QLineEdit* Text3 = nullptr;
    QPushButton* Command1 = nullptr;
    QLineEdit* Text2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label2 = nullptr;
    std::array<QLabel*, 7> Label1{};  // elements 0, 1, 3, 4, 5, 6

    // --- Controls, single-domain and keyword view.
    QGroupBox* Frame2 = nullptr;
    ListView* ListView3 = nullptr;
    ListView* ListView2 = nullptr;
    QGroupBox* Frame3 = nullptr;
    QLineEdit* Text7 = nullptr;
    QPushButton* Command18 = nullptr;
    QPushButton* Command17 = nullptr;
    QPushButton* Command16 = nullptr;
    QPushButton* Command14 = nullptr;
    QPushButton* Command15 = nullptr;
    QComboBox* Combo2 = nullptr;
    QPushButton* Command13 = nullptr;
    QLineEdit* Text6 = nullptr;
    QPushButton* Command11 = nullptr;
    QLineEdit* Text5 = nullptr;
    QGroupBox* Frame4 = nullptr;
    QCheckBox* Check5 = nullptr;
    std::array<QLabel*, 9> Label4{};
    std::array<QLabel*, 7> Label5{};

    // --- Timers.
    WindowTimer Timer1;
    WindowTimer Timer2;
    WindowTimer Timer3;

    // The run's flags, cursors and pause boundary, for reading.
    const RunState& runState() const { return m_run; }

    // Screen twips per pixel, for list column widths.
    double TwipsPerPixelX() const { return m_twipsPerPixelX; }

    // --- Handlers.
    void Form_Load();
    bool Form_Unload();  // true when the window may close
    void Command12_Click();
    void Command2_Click();
    void ListView1_ColumnClick(int column);
    void ListView2_ColumnClick(int column);
    void ListView3_ColumnClick(int column);
    void Command3_Click();
    void Command9_Click();
    void Command10_Click();
    void Timer1_Timer();
    void Timer2_Timer();
    void Timer3_Timer();
    void pr1_HttpEvent(const QString& HereReturnCode);
    void pr2_HttpEvent(const QString& HereReturnCode);
    void pr3_HttpEvent(const QString& HereReturnCode);
    void pr4_HttpEvent(const QString& HereReturnCode);
    void pr5_HttpEvent(const QString& HereReturnCode);
    void Command8_Click();
    void Command16_Click();
    void Command11_Click();
    void Text5_Click();
    void Command14_Click();
    void Command15_Click();
    void Command19_Click();
    void Command13_Click();
    void Command1_Click();
    void Command4_Click();
    void Command18_Click();
    void Command5_Click();
    void Command7_Click();
    void Command17_Click();
    void Command6_Click();
    void ListView1_DblClick(QPoint client);
    void ListView2_DblClick(QPoint client);
    void ListView3_DblClick(QPoint client);
    void Combo2_Click();
    void Text6_Click();

    // The fetchers: 1 statistics, 2 domain query, 3 site query, 4 keyword pages, 5 update page.
    // Throws AppError for any other number.
    const FetcherSlot& pr(int n) const;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void connectHandlers();
    void setDomainColumns();
    void setKeywordColumns(ListView* list);
    void setColumns(ListView* list, std::span<const std::pair<const char16_t*, int>> columns);
    void setAccessibleNames();
    static void setCaption(QLabel* label, const QString& text);

    void RequestStatsPage();
    void RequestDomainQuery();
    void RequestSiteQuery();
    void StartKeywordRun();
    void RequestKeywordPage();
    void CheckForUpdate();

    // The shared advance of the two search result chains.
    void countChainEvent(const QString& page, const FetcherSlot& fetcher, qint64& cursor, int cell,
                         void (Form1::*builder)());
    void endBatchRun();
    qint64 rowsPerBatch() const;
    void sortByColumn(ListView& view, int column);
    void saveList(ListView& list, const QString& path, bool wholeRow, int lastSubItem);
    void showMessage(const QString& text);
    void importDomainText(const QString& text);
    void choosePath(QLineEdit* box);
    void viewPath(const QLineEdit* box);
    int hitColumn(const ListView& list, QPoint client) const;
    void copyToClipboard(const QString& text, const QString& success);
    void keywordListDblClick(ListView& list, QPoint client);
    void coverBatchView(bool covered);
    void copySelectedRows(const ListView& list);

    Form1Services m_services;
    Form1Config m_config;
    XTimerSupport m_timerSupport;
    FetchContext m_fetch;
    double m_twipsPerPixelX = 15.0;
    double m_twipsPerPixelY = 15.0;
    RunState m_run;

    FetcherSlot pr1;
    FetcherSlot pr2;
    FetcherSlot pr3;
    FetcherSlot pr4;
    FetcherSlot pr5;
};

}  // namespace quorvane
