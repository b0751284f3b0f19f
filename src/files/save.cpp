// Appending the result lists to their files.
#include "../fetch/app_error.h"
#include "../window/form1.h"
#include "result_file.h"

#include <QCheckBox>
#include <QLineEdit>

using namespace Qt::StringLiterals;

namespace quorvane {

void Form1::saveList(ListView& list, const QString& path, bool wholeRow, int lastSubItem) {
    std::optional<QString> error;
    try {
        error = appendLines(path, resultLines(list.items(), wholeRow, lastSubItem));
    } catch (const AppError&) {
        error = u"无法保存到 "_s + path + u"：列表中有不完整的行。"_s;
    }
    if (error) {
        m_services.messages.show(this, u"保存失败！"_s + *error, kAppTitle, MsgButtons::Ok,
                                 MsgIcon::Critical);
        return;
    }
    showMessage(u"恭喜保存成功！"_s);
}

void Form1::Command8_Click() {
    saveList(*ListView1, Text3->text(), Check3->isChecked(), 7);
}

void Form1::Command16_Click() {
    saveList(*ListView2, Text7->text(), Check5->isChecked(), 5);
}

}  // namespace quorvane
