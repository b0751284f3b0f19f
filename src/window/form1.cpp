// SPDX-License-Identifier: GPL-3.0-or-later
#include "form1.h"

#include "keywords/keyword_filter.h"

#include "batch/domain_columns.h"
#include "caption_label.h"
#include "text/app_error.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace quorvane {

const QString Form1::kAppTitle = u"Quorvane"_s;
const QString Form1::kSupportContact = u"客服热线：000-0000-0000"_s;
const QString Form1::kCaption =
    u"Vantorel6.0"_s + QString(8, u' ') + u"https://quorvane.example"_s + QString(3, u' ') + kSupportContact;
const QString Form1::kSampleDomain = u"www.baidu.com"_s;

namespace {

// The layout is drawn in twips at 15 twips per pixel.
constexpr int kTwips = 15;

QRect twips(int left, int top, int width, int height) {
    return {left / kTwips, top / kTwips, width / kTwips, height / kTwips};
}

QFont songti(double points) {
    QFont font;
    // 宋体 where it exists; otherwise a CJK face, so that no caption turns into boxes.
    font.setFamilies({u"SimSun"_s, u"宋体"_s, u"NSimSun"_s, u"WenQuanYi Micro Hei"_s, u"Noto Sans CJK SC"_s,
                      u"Noto Sans CJK"_s});
    font.setPointSizeF(points);
    font.setBold(true);
    return font;
}

QFont windowFont() {
    QFont font;
    font.setFamilies({u"SimSun"_s, u"宋体"_s, u"WenQuanYi Micro Hei"_s, u"Noto Sans CJK SC"_s});
    font.setPointSizeF(9);
    return font;
}

template <typename W>
W* place(W* widget, const QString& name, const QRect& geometry) {
    widget->setObjectName(name);
    widget->setGeometry(geometry);
    return widget;
}

QPushButton* button(QWidget* parent, const QString& name, const QString& text, const QRect& geometry,
                    bool bold) {
    auto* widget = place(new QPushButton(text, parent), name, geometry);
    if (bold) {
        widget->setFont(songti(9));
    }
    widget->setAutoDefault(false);
    return widget;
}

QLineEdit* textBox(QWidget* parent, const QString& name, const QString& text, const QRect& geometry) {
    auto* widget = place(new QLineEdit(text, parent), name, geometry);
    widget->setCursorPosition(0);
    return widget;
}

CaptionLabel* label(QWidget* parent, const QString& name, const QString& text, int left, int top,
                    double points = 9, bool red = false) {
    auto* widget = place(new CaptionLabel(text, parent), name, twips(left, top, 0, 0));
    widget->setFont(songti(points));
    if (red) {
        QPalette palette = widget->palette();
        palette.setColor(QPalette::WindowText, QColor(255, 0, 0));
        widget->setPalette(palette);
    }
    widget->adjustSize();
    return widget;
}

QGroupBox* frame(QWidget* parent, const QString& name, const QString& title, const QRect& geometry) {
    auto* widget = place(new QGroupBox(title, parent), name, geometry);
    // Opaque, so that a frame hides whatever lies under it.
    widget->setAutoFillBackground(true);
    return widget;
}

QComboBox* combo(QWidget* parent, const QString& name, const QString& text, const QStringList& entries,
                 const QRect& geometry) {
    auto* widget = place(new QComboBox(parent), name, geometry);
    widget->setEditable(true);
    widget->setInsertPolicy(QComboBox::NoInsert);
    widget->addItems(entries);
    widget->setEditText(text);
    return widget;
}

void fillGaps(QLabel* caption, std::initializer_list<QWidget*> fillers) {
    if (auto* label = qobject_cast<CaptionLabel*>(caption)) {
        label->setGapFillers(fillers);
    }
}

// Earlier entries lie above later ones.
void stack(std::initializer_list<QWidget*> topFirst) {
    for (auto it = std::rbegin(topFirst); it != std::rend(topFirst); ++it) {
        (*it)->raise();
    }
}

}  // namespace

Form1::Form1(Form1Services services, Runs& runs, Form1Config config, QWidget* parent)
    : QWidget(parent),
      Timer1(services.timers),
      Timer3(services.timers),
      m_services(services),
      m_runs(runs),
      m_batch(runs.batch),
      m_keywords(runs.keywords),
      m_config(std::move(config)),
      pr5([this](const QString& text) { pr5_HttpEvent(text); }) {
    if (m_config.logicalDpi > 0) {
        m_twipsPerPixelX = m_twipsPerPixelY = 1440.0 / m_config.logicalDpi;
    } else if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        m_twipsPerPixelX = 1440.0 / screen->logicalDotsPerInchX();
        m_twipsPerPixelY = 1440.0 / screen->logicalDotsPerInchY();
    }
    buildControls();
    setAccessibleNames();
    connectHandlers();
    connectRuns();
    Form_Load();
}

void Form1::connectRuns() {
    // The runs outlive the window; the list may still ask while the window's own part is gone.
    ListView1->items().showRun(m_batch,
                               [&history = m_runs.history, &journal = m_runs.journal](const QString& domain) {
                                   return history.previousGood(domain, journal.listRun());
                               });
    connect(&m_runs.journal, &Journal::listRunChanged, this, [this] { ListView1->items().forgetPast(); });
    ListView2->items().showRun(m_keywords);
    // The proxies are read before the window is built; a run that starts says what it goes through.
    connect(&m_batch, &BatchRun::started, this, [this] {
        Timer1.setEnabled(true);
        showProxyCount();
    });
    // At once too: a pause that begins with a row shows that row counted.
    connect(&m_batch, &BatchRun::rowCounted, this, &Form1::showRowsCounted);
    connect(&m_batch, &BatchRun::blockChanged, this, &Form1::showBlockNotice);
    connect(&m_keywords, &KeywordRun::figuresChanged, this, &Form1::showSingleFigures);
    connect(&m_keywords, &KeywordRun::rowsReset, this, &Form1::showKeywordColumns);
    connect(&m_keywords, &KeywordRun::finished, this, [this] { Command11->setEnabled(true); });
    // Queued: the store finds a problem inside its commit, where no modal box may open.
    connect(&m_runs.history, &HistoryStore::problemFound, this, &Form1::showFailure, Qt::QueuedConnection);
    connect(Text4, &QLineEdit::textChanged, this, &Form1::pacingChanged);
    connect(Combo1, &QComboBox::currentTextChanged, this, &Form1::pacingChanged);
    pacingChanged();
    showProxyCount();
}

Form1::~Form1() = default;

void Form1::buildControls() {
    setObjectName(u"Form1"_s);
    setFont(windowFont());
    setFixedSize(12390 / kTwips, 9570 / kTwips);

    // Single-domain and keyword view: covers the whole client area and starts visible.
    Frame2 = frame(this, u"Frame2"_s, u"Frame2"_s, twips(0, 0, 12375, 9615));
    ListView3 = place(new ListView(Frame2), u"ListView3"_s, twips(0, 1800, 12375, 7575));
    ListView2 = place(new ListView(Frame2), u"ListView2"_s, twips(0, 1800, 12375, 7575));
    Frame3 = frame(Frame2, u"Frame3"_s, QString(), twips(0, 0, 12375, 1815));

    Text7 = textBox(Frame3, u"Text7"_s, m_config.documentsFolder + u"/单条结果.txt"_s,
                    twips(7200, 1400, 1815, 270));
    Command18 = button(Frame3, u"Command18"_s, u"重选路径"_s, twips(9120, 1400, 975, 300), false);
    Command17 = button(Frame3, u"Command17"_s, u"查看结果"_s, twips(10200, 1400, 975, 300), false);
    Command16 = button(Frame3, u"Command16"_s, u"确认保存"_s, twips(11280, 1400, 975, 300), false);
    Command14 = button(Frame3, u"Command14"_s, u"批量查询"_s, twips(9480, 240, 1215, 375), true);
    Command15 = button(Frame3, u"Command15"_s, u"返 回"_s, twips(5280, 1400, 855, 300), true);
    Combo2 = combo(Frame3, u"Combo2"_s, kContainsFilter,
                   {kContainsFilter, kSearchIndexFilter, kIndexedFilter}, twips(1080, 1400, 1815, 300));
    Command13 = button(Frame3, u"Command13"_s, u"开 始"_s, twips(4320, 1400, 855, 300), true);
    Text6 = textBox(Frame3, u"Text6"_s, u"请输入关键词"_s, twips(3000, 1400, 1215, 270));
    Command11 = button(Frame3, u"Command11"_s, u"开  始"_s, twips(8040, 240, 1215, 375), true);
    Text5 = textBox(Frame3, u"Text5"_s, kSampleDomain, twips(3480, 240, 4455, 375));
    Text5->setFont(songti(9));
    Frame4 = frame(Frame3, u"Frame4"_s, QString(), twips(0, 720, 12375, 615));
    Label1[4] = label(Frame3, u"Label1_4"_s, u"保存路径:"_s, 6240, 1440);
    Label4[8] = label(Frame3, u"Label4_8"_s, u"结果过滤:"_s, 120, 1440);
    Label5[6] = label(Frame3, u"Label5_6"_s, u"0"_s, 870, 480, 10.5, true);
    Label5[5] = label(Frame3, u"Label5_5"_s, u"0"_s, 870, 180, 10.5, true);
    Label4[7] = label(Frame3, u"Label4_7"_s, u"完成:        页"_s, 120, 525);
    Label4[1] = label(Frame3, u"Label4_1"_s, u"共有:        页"_s, 120, 240);
    Label4[6] = label(Frame3, u"Label4_6"_s, u"http://"_s, 2160, 290, 14.25);

    // 240 twips high (drawn 200): at 200 the caption's line and the box were cut at the bottom edge.
    Check5 = place(new QCheckBox(u"保存关键词+结果"_s, Frame4), u"Check5"_s, twips(10560, 360, 1695, 240));
    Label5[4] = label(Frame4, u"Label5_4"_s, u"0"_s, 5160, 360, 10.5, true);
    Label5[3] = label(Frame4, u"Label5_3"_s, u"0"_s, 8640, 360, 10.5, true);
    Label5[2] = label(Frame4, u"Label5_2"_s, u"0"_s, 8640, 120, 10.5, true);
    Label5[1] = label(Frame4, u"Label5_1"_s, u"0"_s, 5160, 120, 10.5, true);
    Label5[0] = label(Frame4, u"Label5_0"_s, u"0"_s, 1920, 195, 14.25, true);
    Label4[5] = label(Frame4, u"Label4_5"_s, u"关键字条数:"_s, 3960, 120);
    Label4[4] = label(Frame4, u"Label4_4"_s, u"估计百度能带来IP:"_s, 6840, 120);
    Label4[3] = label(Frame4, u"Label4_3"_s, u"百度快照:"_s, 7680, 360);
    Label4[2] = label(Frame4, u"Label4_2"_s, u"百度收录:"_s, 4080, 360);
    Label4[0] = label(Frame4, u"Label4_0"_s, u"百度权重:"_s, 840, 240);

    // Batch view: controls placed on the window itself, under the single view.
    Command12 = button(this, u"Command12"_s, u"手动导入"_s, twips(4560, 600, 1215, 375), true);
    Text1 = place(new QPlainTextEdit(this), u"Text1"_s, twips(0, 120, 4335, 2295));
    Text1->setPlainText(u"www.baidu.com\nwww.qq.com\nwww.163.com\n"_s);
    // One domain per line, shown as one line. Wrapping would also spend minutes laying out a pasted
    // megabyte line that has no break opportunities.
    Text1->setLineWrapMode(QPlainTextEdit::NoWrap);
    // A domain line never holds a tab: Tab moves on, as in every other box.
    Text1->setTabChangesFocus(true);
    Frame1 = frame(this, u"Frame1"_s, QString(), twips(5880, 0, 6495, 2415));
    Command10 = button(this, u"Command10"_s, u"停止"_s, twips(4560, 1080, 1215, 375), true);
    Command9 = button(this, u"Command9"_s, u"暂停"_s, twips(4560, 1560, 1215, 375), true);
    Command3 = button(this, u"Command3"_s, u"开始"_s, twips(4560, 2040, 1215, 375), true);
    Command2 = button(this, u"Command2"_s, u"清空地址"_s, twips(4560, 120, 1215, 375), true);
    ListView1 = place(new ListView(this), u"ListView1"_s, twips(0, 2520, 12375, 6585));
    Label6 = place(new QLabel(this), u"Label6"_s, twips(120, 9135, 12135, 255));
    {
        // Red like the figures: a run that waits must catch the eye.
        QPalette palette = Label6->palette();
        palette.setColor(QPalette::WindowText, QColor(255, 0, 0));
        Label6->setPalette(palette);
    }

    Command19 = button(Frame1, u"Command19"_s, u"单条详细查询"_s, twips(4560, 1920, 1575, 375), true);
    Check3 = place(new QCheckBox(u"保存域名+结果"_s, Frame1), u"Check3"_s, twips(4800, 1200, 1575, 255));
    Combo1 = combo(Frame1, u"Combo1"_s, u"1"_s,
                   {u"1"_s, u"10"_s, u"15"_s, u"20"_s, u"25"_s, u"30"_s, u"40"_s, u"50"_s, u"55"_s, u"59"_s},
                   twips(2640, 1440, 735, 300));
    Text4 = textBox(Frame1, u"Text4"_s, u"10"_s, twips(1080, 1440, 855, 270));
    Command8 = button(Frame1, u"Command8"_s, u"确认保存"_s, twips(5400, 840, 975, 270), false);
    Command7 = button(Frame1, u"Command7"_s, u"查看结果"_s, twips(4320, 840, 975, 270), false);
    Command6 = button(Frame1, u"Command6"_s, u"确认导入"_s, twips(5400, 240, 975, 270), false);
    Command5 = button(Frame1, u"Command5"_s, u"查看网址"_s, twips(4320, 240, 975, 270), false);
    Command4 = button(Frame1, u"Command4"_s, u"重选路径"_s, twips(3240, 840, 975, 270), false);
    Text3 = textBox(Frame1, u"Text3"_s, m_config.documentsFolder + u"/批量结果.txt"_s,
                    twips(1080, 840, 2175, 270));
    Command1 = button(Frame1, u"Command1"_s, u"重选路径"_s, twips(3240, 240, 975, 270), false);
    Text2 = textBox(Frame1, u"Text2"_s, m_config.documentsFolder + u"/批量网址.txt"_s,
                    twips(1080, 240, 2175, 270));
    Label3 = label(Frame1, u"Label3"_s, u"0"_s, 1080, 2040, 9, true);
    Label1[3] = label(Frame1, u"Label1_3"_s, u"查询:          条，停        秒"_s, 480, 1480);
    Label1[1] = label(Frame1, u"Label1_1"_s, u"保存路径:"_s, 120, 880);
    Label1[0] = label(Frame1, u"Label1_0"_s, u"导入路径:"_s, 120, 280);
    Label1[5] = label(Frame1, u"Label1_5"_s, u"共导入       条"_s, 240, 2040);
    Label2 = label(Frame1, u"Label2"_s, u"0"_s, 3240, 2040, 9, true);
    Label1[6] = label(Frame1, u"Label1_6"_s, u"已查询       条"_s, 2400, 2040);
    // Under the check box, above the count's end: the only free place near the count.
    Label7 = label(Frame1, u"Label7"_s, QString(), 4800, 1480);
    Label7->hide();

    // The figures and boxes in the captions' gaps: the units after them keep clear of them.
    fillGaps(Label1[3], {Text4, Combo1});
    fillGaps(Label1[5], {Label3});
    fillGaps(Label1[6], {Label2});
    fillGaps(Label4[1], {Label5[5]});
    fillGaps(Label4[7], {Label5[6]});

    stack({Frame2, Command12, Text1, Frame1, Command10, Command9, Command3, Command2, ListView1, Label6});
    stack({ListView3, ListView2, Frame3});
    stack({Text7, Command18, Command17, Command16, Command14, Command15, Combo2, Command13, Text6, Command11,
           Text5, Frame4, Label1[4], Label4[8], Label5[6], Label5[5], Label4[7], Label4[1], Label4[6]});
    stack({Check5, Label5[4], Label5[3], Label5[2], Label5[1], Label5[0], Label4[5], Label4[4], Label4[3],
           Label4[2], Label4[0]});
    stack({Command19, Check3,    Combo1,    Text4,    Command8,  Command7, Command6,
           Command5,  Command4,  Text3,     Command1, Text2,     Label3,   Label1[3],
           Label1[1], Label1[0], Label1[5], Label2,   Label1[6], Label7});

    for (ListView* list : {ListView1, ListView2, ListView3}) {
        list->setTwipsPerPixel(m_twipsPerPixelX, m_twipsPerPixelY);
    }

    // Tab walks each view as it reads: left to right, top to bottom.
    const auto chain = [](std::initializer_list<QWidget*> order) {
        for (auto it = order.begin(); it + 1 != order.end(); ++it) {
            QWidget::setTabOrder(*it, *(it + 1));
        }
    };
    chain({Text5, Command11, Command14, Check5, Combo2, Text6, Command13, Command15, Text7, Command18,
           Command17, Command16, ListView3, ListView2});
    chain({Text1, Command2, Command12, Command10, Command9, Command3, Text2, Command1, Command5, Command6,
           Text3, Command4, Command7, Command8, Check3, Text4, Combo1, Command19, ListView1});

    // Design-time timer settings.
    Timer1.setInterval(10);
    Timer1.setEnabled(false);
    Timer3.setInterval(5000);
    Timer3.setEnabled(true);
}

void Form1::connectHandlers() {
    Timer1.Timer = [this] { Timer1_Timer(); };
    Timer3.Timer = [this] { Timer3_Timer(); };

    connect(Command12, &QPushButton::clicked, this, &Form1::Command12_Click);
    connect(Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form1::Command3_Click);
    connect(Command9, &QPushButton::clicked, this, &Form1::Command9_Click);
    connect(Command10, &QPushButton::clicked, this, &Form1::Command10_Click);
    connect(Command8, &QPushButton::clicked, this, &Form1::Command8_Click);
    connect(Command16, &QPushButton::clicked, this, &Form1::Command16_Click);
    connect(Command11, &QPushButton::clicked, this, &Form1::Command11_Click);
    connect(Command14, &QPushButton::clicked, this, &Form1::Command14_Click);
    connect(Command15, &QPushButton::clicked, this, &Form1::Command15_Click);
    connect(Command19, &QPushButton::clicked, this, &Form1::Command19_Click);
    connect(Command13, &QPushButton::clicked, this, &Form1::Command13_Click);
    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(Command4, &QPushButton::clicked, this, &Form1::Command4_Click);
    connect(Command18, &QPushButton::clicked, this, &Form1::Command18_Click);
    connect(Command5, &QPushButton::clicked, this, &Form1::Command5_Click);
    connect(Command7, &QPushButton::clicked, this, &Form1::Command7_Click);
    connect(Command17, &QPushButton::clicked, this, &Form1::Command17_Click);
    connect(Command6, &QPushButton::clicked, this, &Form1::Command6_Click);
    connect(ListView1, &ListView::DblClick, this, &Form1::ListView1_DblClick);
    connect(ListView2, &ListView::DblClick, this, &Form1::ListView2_DblClick);
    connect(ListView3, &ListView::DblClick, this, &Form1::ListView3_DblClick);
    connect(Combo2, &QComboBox::activated, this, &Form1::Combo2_Click);
    connect(ListView1, &ListView::ColumnClick, this, &Form1::ListView1_ColumnClick);
    connect(ListView2, &ListView::ColumnClick, this, &Form1::ListView2_ColumnClick);
    connect(ListView3, &ListView::ColumnClick, this, &Form1::ListView3_ColumnClick);
    for (ListView* list : {ListView1, ListView2, ListView3}) {
        connect(list, &ListView::CopyRows, this, [this, list] { copySelectedRows(*list); });
    }
    // Ctrl+R retries the failed rows of the batch view; the single view has none.
    auto* retry = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_R), this);  // the window owns it
    connect(retry, &QShortcut::activated, this, [this] {
        if (Frame2->isHidden()) {
            retryFailedRows();
        }
    });
    connect(ListView1, &ListView::ContextMenu, this, &Form1::ListView1_ContextMenu);
    connect(ListView2, &ListView::ContextMenu, this, &Form1::ListView2_ContextMenu);
    connect(ListView3, &ListView::ContextMenu, this, &Form1::ListView3_ContextMenu);
    // Anywhere in the window; the view shown decides which list.
    auto* exportKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_E), this);
    connect(exportKey, &QShortcut::activated, this, &Form1::exportShownList);
    auto* historyKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_H), this);
    connect(historyKey, &QShortcut::activated, this, &Form1::showShownHistory);
    auto* settingsKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma), this);
    connect(settingsKey, &QShortcut::activated, this, &Form1::showSettings);
    // Enter in a box does what the button beside it does.
    connect(Text5, &QLineEdit::returnPressed, Command11, &QPushButton::click);
    connect(Text6, &QLineEdit::returnPressed, Command13, &QPushButton::click);
    // eventFilter sees clicks on Text5 and Text6, and the window's keys in every box. An editable combo box,
    // not its line edit, has the focus and hands the keys on itself.
    for (QWidget* box :
         std::initializer_list<QWidget*>{Text1, Text2, Text3, Text4, Text5, Text6, Text7, Combo1, Combo2}) {
        box->installEventFilter(this);
    }
}

// Display settings and columns (titles, widths in pixels) of a result list.
void Form1::setColumns(ListView* list, std::span<const std::pair<const char16_t*, int>> columns) {
    // Report view with headers and no editing in place are how every ListView is built.
    list->setFullRowSelect(true);
    for (const auto& [title, pixels] : columns) {
        list->addColumn(QString::fromUtf16(title),
                        static_cast<float>(pixels) * static_cast<float>(TwipsPerPixelX()));
    }
}

void Form1::setDomainColumns() {
    setColumns(ListView1, kDomainColumns);
}

void Form1::setKeywordColumns(ListView* list) {
    static const std::pair<const char16_t*, int> columns[] = {
        {u"序号", 40},         {u"关键字", 150},    {u"百度排名", 90},
        {u"百度搜索指数", 90}, {u"百度收录量", 90}, {u"网页标题", 330},
    };
    setColumns(list, columns);
}

void Form1::Form_Load() {
    for (QPushButton* runButton : {Command2, Command3, Command9, Command10}) {
        runButton->setEnabled(false);
    }
    ListView3->setVisible(false);
    coverBatchView(!Frame2->isHidden());
    ListView1->clearColumns();
    setDomainColumns();
    setWindowTitle(kCaption);
}

bool Form1::Form_Unload() {
    const MsgResult answer =
        m_services.messages.show(this, u"真的退出吗?"_s, u"退出"_s, MsgButtons::OkCancel, MsgIcon::Question);
    return answer == MsgResult::Ok;
}

void Form1::closeEvent(QCloseEvent* event) {
    if (!Form_Unload()) {
        event->ignore();
        return;
    }
    event->accept();
    // Nothing starts once the user chose to leave, not even the update check.
    Timer3.setEnabled(false);
    if (m_config.endProgram) {
        m_config.endProgram();
    }
}

bool Form1::isWindowKey(const QKeyEvent& key) const {
    const QKeySequence pressed(key.keyCombination());
    const QList<QShortcut*> shortcuts = findChildren<QShortcut*>(Qt::FindDirectChildrenOnly);
    return std::any_of(shortcuts.begin(), shortcuts.end(),
                       [&pressed](const QShortcut* shortcut) { return shortcut->keys().contains(pressed); });
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    // The window's keys beat a box's own use of them: under the X11, KDE and GNOME key bindings a line
    // edit claims Ctrl+E (end of line) and export never came from a box. Left unaccepted, the key goes to
    // the window's shortcut.
    if (event->type() == QEvent::ShortcutOverride && isWindowKey(*static_cast<QKeyEvent*>(event))) {
        event->ignore();
        return true;
    }
    // Clicks by mouse only: focus by keyboard leaves the text alone.
    if (event->type() == QEvent::MouseButtonPress) {
        if (watched == Text5) {
            Text5_Click();
        } else if (watched == Text6) {
            Text6_Click();
        }
    }
    return QWidget::eventFilter(watched, event);
}

void Form1::setCaption(QLabel* label, const QString& text) {
    label->setText(text);
    label->adjustSize();
}

void Form1::setTip(QLabel* label, const QString& tip) {
    label->setToolTip(tip);
    label->setAccessibleDescription(tip);
}

void Form1::showMessage(const QString& text) {
    m_services.messages.show(this, text, kAppTitle, MsgButtons::Ok, MsgIcon::None);
}

void Form1::showFailure(const QString& text) {
    m_services.messages.show(this, text, kAppTitle, MsgButtons::Ok, MsgIcon::Critical);
}

// Switching views leaves lists, labels, flags and runs as they are.
void Form1::Command14_Click() {
    Frame2->setVisible(false);
    Frame1->setVisible(true);
    coverBatchView(false);
    Text1->setFocus();
}

void Form1::Command19_Click() {
    Frame2->setVisible(true);
    Frame1->setVisible(false);
    coverBatchView(true);
    Text5->setFocus();
}

// The batch view's controls lie under the single view. While covered they are hidden too, so that no
// key (Tab, Space, typing) and no screen reader reaches them; on screen nothing changes.
void Form1::coverBatchView(bool covered) {
    for (QWidget* control :
         {static_cast<QWidget*>(Frame1), static_cast<QWidget*>(Command12), static_cast<QWidget*>(Text1),
          static_cast<QWidget*>(Command10), static_cast<QWidget*>(Command9), static_cast<QWidget*>(Command3),
          static_cast<QWidget*>(Command2), static_cast<QWidget*>(ListView1), static_cast<QWidget*>(Label6)}) {
        control->setHidden(covered);
    }
}

// Ctrl+C in a list: the selected rows in the order shown, cells joined by tabs, for a spreadsheet.
void Form1::copySelectedRows(const ListView& list) {
    const QString text = list.selectedRowsText();
    if (text.isEmpty()) {
        return;
    }
    copyToClipboard(text, QString());  // a key press copies without a message, unless it failed
}

}  // namespace quorvane
