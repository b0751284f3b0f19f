// SPDX-License-Identifier: GPL-3.0-or-later
#include "scripted_services.h"

namespace quorvane::testing {

MsgResult ScriptedMessageBoxes::show(QWidget*, const QString& text, const QString& title, MsgButtons buttons,
                                     MsgIcon icon) {
    shown.append({text, title, buttons, icon});
    if (whileOpen) {
        whileOpen();
    }
    if (!m_answers.isEmpty()) {
        return m_answers.takeFirst();
    }
    // Unanswered, a box takes its default button.
    return buttons == MsgButtons::YesNoCancel || buttons == MsgButtons::YesNo ? MsgResult::Yes
                                                                              : MsgResult::Ok;
}

QStringList ScriptedMessageBoxes::texts() const {
    QStringList all;
    for (const Shown& box : shown) {
        all.append(box.text);
    }
    return all;
}

std::optional<QString> ScriptedDialogs::openFile(QWidget*, const QString& title, const QString& folder,
                                                 const QString& filter) {
    titles.append(title);
    folders.append(folder);
    filters.append(filter);
    return next;
}

std::optional<SaveChoice> ScriptedDialogs::saveFile(QWidget*, const QString& title, const QString& start,
                                                    const QString& filterList) {
    titles.append(title);
    folders.append(start);
    filters.append(filterList);
    return nextSave;
}

}  // namespace quorvane::testing
