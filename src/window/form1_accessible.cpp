// SPDX-License-Identifier: GPL-3.0-or-later
// Names for screen readers. Buttons, check boxes and captions are named by what they show; a box or list is
// named by the caption beside it, which the reader cannot otherwise tie to it. On Linux a combo box's name is
// its value whatever we set: AT-SPI readers take its caption from the label whose buddy it is. Every frame is
// named too: an unnamed one would be read by its parent frame's title, the design's "Frame2".
#include "form1.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

using namespace Qt::StringLiterals;

namespace quorvane {

void Form1::setAccessibleNames() {
    // Value labels keep no name of their own, so that the reader speaks the figure they show; the description
    // says what the figure is.
    const std::pair<QLabel*, QString> values[] = {
        {Label3, u"共导入条数"_s},  {Label2, u"已查询条数"_s},          {Label5[5], u"共有页数"_s},
        {Label5[6], u"完成页数"_s}, {Label5[0], u"百度权重"_s},         {Label5[1], u"关键字条数"_s},
        {Label5[4], u"百度收录"_s}, {Label5[2], u"估计百度能带来IP"_s}, {Label5[3], u"百度快照"_s},
        {Label6, u"查询提示"_s},
    };
    for (const auto& [label, description] : values) {
        label->setAccessibleDescription(description);
    }
    for (QAbstractButton* button : findChildren<QAbstractButton*>()) {
        button->setAccessibleName(button->text());
    }
    for (QLabel* label : findChildren<QLabel*>()) {
        if (label->accessibleDescription().isEmpty()) {
            label->setAccessibleName(label->text());
        }
    }
    const std::pair<QWidget*, QString> boxes[] = {
        {Text1, u"批量网址"_s},      {Text2, u"导入路径"_s},       {Text3, u"保存路径"_s},
        {Text4, u"查询条数"_s},      {Combo1, u"停顿秒数"_s},      {ListView1, u"批量结果"_s},
        {Text5, u"域名"_s},          {Combo2, u"结果过滤"_s},      {Text6, u"过滤值"_s},
        {Text7, u"保存路径"_s},      {ListView2, u"关键词列表"_s}, {ListView3, u"过滤结果"_s},
        {Frame1, u"批量查询设置"_s}, {Frame2, u"单条详细查询"_s},  {Frame3, u"单条查询设置"_s},
        {Frame4, u"单条查询结果"_s},
    };
    for (const auto& [widget, name] : boxes) {
        widget->setAccessibleName(name);
    }
    // The text part of an editable combo box is a text box of its own to the reader.
    for (QComboBox* combo : {Combo1, Combo2}) {
        combo->lineEdit()->setAccessibleName(combo->accessibleName());
    }
    // "查询: 条，停 秒" stands before both the row count and the pause; the row count's box has its own name.
    const std::pair<QLabel*, QWidget*> captions[] = {
        {Label1[0], Text2}, {Label1[1], Text3}, {Label1[3], Combo1}, {Label1[4], Text7}, {Label4[8], Combo2},
    };
    for (const auto& [label, box] : captions) {
        label->setBuddy(box);
    }
}

}  // namespace quorvane
