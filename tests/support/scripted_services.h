// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui_services.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

namespace quorvane::testing {

// Message boxes answered in advance; every box shown is recorded.
class ScriptedMessageBoxes final : public MessageBoxes {
public:
    struct Shown {
        QString text;
        QString title;
        MsgButtons buttons;
        MsgIcon icon;
    };
    MsgResult show(QWidget* parent, const QString& text, const QString& title, MsgButtons buttons,
                   MsgIcon icon) override;

    void answer(MsgResult result) { m_answers.append(result); }
    // Runs while a box is "open", as a modal box's event loop would let timers run.
    std::function<void()> whileOpen;

    QList<Shown> shown;
    QStringList texts() const;

private:
    QList<MsgResult> m_answers;
};

class ScriptedDialogs final : public FileDialogs {
public:
    std::optional<QString> openFile(QWidget*, const QString& title, const QString& folder,
                                    const QString& filter) override;
    // Records title, start and filters in the lists below too.
    std::optional<SaveChoice> saveFile(QWidget*, const QString& title, const QString& start,
                                       const QString& filterList) override;
    std::optional<QString> next;
    std::optional<SaveChoice> nextSave;
    QStringList titles;
    QStringList folders;
    QStringList filters;
};

class RecordingClipboard final : public Clipboard {
public:
    void clear() override {
        ++clears;
        held.clear();
    }
    void setText(const QString& value) override {
        if (!busy) {
            held = value;
        }
    }
    QString text() const override { return held; }
    int clears = 0;
    QString held;
    bool busy = false;  // another program holds the clipboard: nothing gets through
};

class RecordingShell final : public Shell {
public:
    bool openUrl(const QString& address) override {
        urls.append(address);
        return !missing;
    }
    bool openFile(const QString& path) override {
        files.append(path);
        return !missing;
    }
    QStringList urls;
    QStringList files;
    bool missing = false;  // the desktop has no browser and no program for files
};

}  // namespace quorvane::testing
