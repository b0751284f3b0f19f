// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "batch/page_parsers.h"
#include "fetch/fetcher_slot.h"
#include "fetch/httppage2.h"
#include "fetch/services.h"
#include "fetch/window_timer.h"
#include "fetch/xtimer.h"
#include "list_view.h"
#include "runs.h"
#include "settings/settings.h"
#include "text/cells.h"
#include "ui_services.h"

#include <QWidget>
#include <array>
#include <functional>
#include <span>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;

namespace quorvane {

struct Form1Config {
    QString updateSite;                // scheme and host of the update notice page
    QString documentsFolder;           // where the result files go by default
    std::function<void()> endProgram;  // ends the process once the user confirmed closing
    double logicalDpi = 0;             // of the screen the lists measure in; 0: the primary screen's
    Settings settings{};               // the settings in effect
    QString settingsPath{};            // where the settings dialog writes them
};

// The one window. Controls keep their numbered names; handlers are named after control and event
// and live beside the subsystem they belong to (batch/, single/, keywords/, files/).
class Form1 final : public QWidget {
    Q_OBJECT
public:
    // The window shows the runs and presses their controls; they outlive it.
    Form1(Form1Services services, Runs& runs, Form1Config config, QWidget* parent = nullptr);
    ~Form1() override;

    static const QString kAppTitle;
    static const QString kCaption;
    static const QString kSampleDomain;
    static const QString kSupportContact;

    // Screen twips per pixel, for list column widths.
    double TwipsPerPixelX() const { return m_twipsPerPixelX; }

    // --- Handlers, by the file that defines them. A caption leads to its control above, the
    // control's name to its handlers here.

    // window/form1.cpp: start-up, close, view switches.
    void Form_Load();
    bool Form_Unload();  // true when the window may close
    void Command14_Click();
    void Command19_Click();

    // history/form1_history.cpp: what the history holds.
    // At start, once the window shows: says what went wrong with the history, and offers back the
    // list of a batch run that did not finish.
    void offerRestore();
    // At start, once the window shows: what is wrong with the settings, in a notice beside the window.
    void sayAtStart(const QStringList& notices);
    // "查看历史…": the domain's every check, in a window of its own beside this one.
    void showHistory(const QString& domain);
    // Ctrl+H: of the current row's domain in the batch view, of the domain queried in the single view.
    void showShownHistory();

    // settings/form1_settings.cpp: Ctrl+, and "设置…": the settings dialog, and taking its values.
    void showSettings();
    // The sites from the runs' next request on; the update check's from the next start.
    void applySettings(const Settings& settings);

    // batch/form1_batch.cpp: import, sorting, and the batch run's controls.
    void Command12_Click();
    void Command6_Click();
    void Command2_Click();
    void ListView1_ColumnClick(int column);
    void Command3_Click();
    void Command9_Click();
    void Command10_Click();
    void Timer1_Timer();
    // Ctrl+R: query again only the cells that read "失败" or "..."; every figure stays.
    void retryFailedRows();

    // single/form1_single.cpp: the single query.
    void Command11_Click();
    void Text5_Click();

    // keywords/form1_keywords.cpp and form1_filter.cpp: the keyword run's lists and the filter.
    void Command15_Click();
    void ListView2_ColumnClick(int column);
    void ListView3_ColumnClick(int column);
    void Command13_Click();
    void Combo2_Click();
    void Text6_Click();

    // files/form1_paths.cpp and form1_save.cpp: choosing, opening and saving files.
    void Command1_Click();
    void Command4_Click();
    void Command18_Click();
    void Command5_Click();
    void Command7_Click();
    void Command17_Click();
    void Command8_Click();
    void Command16_Click();

    // files/form1_export.cpp: Ctrl+E, the list of the view shown to a CSV file.
    void exportShownList();

    // window/form1_menus.cpp: the lists' context menus, shown at a point in client pixels.
    void ListView1_ContextMenu(QPoint client);
    void ListView2_ContextMenu(QPoint client);
    void ListView3_ContextMenu(QPoint client);
    // Fills menu with the entries of list's context menu for that point, without showing it.
    void buildListMenu(QMenu& menu, ListView& list, QPoint client);

    // window/form1_list_actions.cpp and form1_update.cpp: double-clicks, the update notice.
    void ListView1_DblClick(QPoint client);
    void ListView2_DblClick(QPoint client);
    void ListView3_DblClick(QPoint client);
    void Timer3_Timer();
    void pr5_HttpEvent(const QString& HereReturnCode);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // --- Controls of the batch view (on the window itself and in Frame1), with caption and role.
    QGroupBox* Frame1 = nullptr;       // batch settings panel
    QPushButton* Command12 = nullptr;  // 手动导入: rebuild the domain list from Text1
    QPlainTextEdit* Text1 = nullptr;   // the domain input box, one domain per line
    QPushButton* Command10 = nullptr;  // 停止: stop the batch run
    QPushButton* Command9 = nullptr;   // 暂停: pause the batch run
    QPushButton* Command3 = nullptr;   // 开始: start or resume the batch run
    QPushButton* Command2 = nullptr;   // 清空地址: empty Text1
    ListView* ListView1 = nullptr;     // the domain list: 序号, domain and six figures
    QPushButton* Command19 = nullptr;  // 单条详细查询: switch to the single view
    QCheckBox* Check3 = nullptr;       // 保存域名+结果: save whole rows, not domains only
    QComboBox* Combo1 = nullptr;       // pause length in seconds ("停 … 秒")
    QLineEdit* Text4 = nullptr;        // rows per batch before a pause ("查询: … 条")
    QPushButton* Command8 = nullptr;   // 确认保存: append the domain list to Text3's file
    QPushButton* Command7 = nullptr;   // 查看结果: open Text3's file
    QPushButton* Command6 = nullptr;   // 确认导入: import the domain file named in Text2
    QPushButton* Command5 = nullptr;   // 查看网址: open Text2's file
    QPushButton* Command4 = nullptr;   // 重选路径: choose Text3's file
    QLineEdit* Text3 = nullptr;        // 保存路径: the batch result file
    QPushButton* Command1 = nullptr;   // 重选路径: choose Text2's file
    QLineEdit* Text2 = nullptr;        // 导入路径: the domain file
    QLabel* Label3 = nullptr;          // rows imported, inside "共导入 … 条"
    QLabel* Label2 = nullptr;          // rows queried, inside "已查询 … 条"
    QLabel* Label7 = nullptr;  // "经 N 个代理": the run goes through the user's proxies; hidden without
    QLabel* Label6 = nullptr;  // the run's notice under the domain list: a block pause and its countdown
    std::array<QLabel*, 7> Label1{};  // captions: 0 导入路径, 1 and 4 保存路径, 3 查询…秒, 5 共导入, 6 已查询

    // --- Controls of the single-domain and keyword view (in Frame2, which covers the batch view).
    QGroupBox* Frame2 = nullptr;       // the whole single view; shown at start
    ListView* ListView3 = nullptr;     // the filtered keyword list, laid over ListView2
    ListView* ListView2 = nullptr;     // the keyword list: 序号, keyword, rank, index, indexed, title
    QGroupBox* Frame3 = nullptr;       // the view's top band
    QLineEdit* Text7 = nullptr;        // 保存路径: the keyword result file
    QPushButton* Command18 = nullptr;  // 重选路径: choose Text7's file
    QPushButton* Command17 = nullptr;  // 查看结果: open Text7's file
    QPushButton* Command16 = nullptr;  // 确认保存: append the keyword list to Text7's file
    QPushButton* Command14 = nullptr;  // 批量查询: switch to the batch view
    QPushButton* Command15 = nullptr;  // 返 回: hide the filtered list
    QComboBox* Combo2 = nullptr;       // 结果过滤: the filter's kind
    QPushButton* Command13 = nullptr;  // 开 始: run the filter
    QLineEdit* Text6 = nullptr;        // the filter's value (a keyword or a number)
    QPushButton* Command11 = nullptr;  // 开  始: start the single query
    QLineEdit* Text5 = nullptr;        // the single query's domain, after "http://"
    QGroupBox* Frame4 = nullptr;       // the strip of the query's figures
    QCheckBox* Check5 = nullptr;       // 保存关键词+结果: save whole rows, not keywords only
    std::array<QLabel*, 9> Label4{};   // captions of the single view
    // Values: 0 weight, 1 keyword count, 2 visitors, 3 snapshot, 4 indexed, 5 pages in all, 6 pages done.
    std::array<QLabel*, 7> Label5{};

    // --- Timers.
    WindowTimer Timer1;  // 10 ms: shows the batch run's count of rows done while it runs
    WindowTimer Timer3;  // asks for the update notice once, 5 s after start

    // Whether the key is one of the window's shortcuts (Ctrl+E, Ctrl+R, Ctrl+,).
    bool isWindowKey(const QKeyEvent& key) const;
    void buildControls();
    void connectHandlers();
    void setDomainColumns();
    void setKeywordColumns(ListView* list);
    void setColumns(ListView* list, std::span<const std::pair<const char16_t*, int>> columns);
    void setAccessibleNames();
    static void setCaption(QLabel* label, const QString& text);
    // Why a value label reads as it does (a failure, a halted run), for its tooltip and screen readers.
    static void setTip(QLabel* label, const QString& tip);
    void CheckForUpdate();

    // What the runs hold, shown: the count of rows done, the block notice, the single query's figures.
    void connectRuns();
    void showRowsCounted();
    void showProxyCount();
    void showBlockNotice();
    void showSingleFigures();
    void showKeywordColumns();
    // The pacing boxes, as the batch run reads them.
    void pacingChanged();
    void sortByColumn(ListView& view, int column);
    void sortList(ListView& view, int column, bool descending);
    void saveList(ListView& list, const QString& path, bool wholeRow, int lastSubItem);
    void showMessage(const QString& text);
    // A message with the error icon.
    void showFailure(const QString& text);
    void importDomainText(const QString& text, bool withFigures = false);
    void takeList(const std::function<void()>& fill);
    void choosePath(QLineEdit* box);
    void viewPath(const QLineEdit* box);
    int hitColumn(const ListView& list, QPoint client) const;
    // Puts text on the clipboard; says success (when given) only if it really arrived, else says so.
    void copyToClipboard(const QString& text, const QString& success);
    void keywordListDblClick(ListView& list, QPoint client);
    // What a double-click does on that cell of a domain row, and on a keyword row's keyword.
    void domainCellAction(int row, int cell);
    // Opens a result page in the browser; says so when the desktop has none.
    void openPage(const QString& address);
    void copyKeyword(const ListView& list, int row);
    void showListMenu(ListView& list, QPoint client);
    void exportList(const ListView& list);
    QString exportStart(const ListView& list) const;
    QString exportFolder(const ListView& list) const;
    // The single view's domain: the one queried, or before any query the one in the box.
    QString singleDomain() const;
    void coverBatchView(bool covered);
    void copySelectedRows(const ListView& list);

    Form1Services m_services;
    Runs& m_runs;
    BatchRun& m_batch;
    KeywordRun& m_keywords;
    Form1Config m_config;
    double m_twipsPerPixelX = 15.0;
    double m_twipsPerPixelY = 15.0;

    FetcherSlot pr5;
};

}  // namespace quorvane
