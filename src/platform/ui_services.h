// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fetch/services.h"

#include <QString>
#include <optional>

class QWidget;

namespace quorvane {

enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel };  // YesNo, YesNoCancel: 是 is the default
enum class MsgIcon { None, Question, Information, Critical };
enum class MsgResult { Ok, Cancel, Yes, No };

// Modal message boxes; tests answer them in advance.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    virtual MsgResult show(QWidget* parent, const QString& text, const QString& title, MsgButtons buttons,
                           MsgIcon icon) = 0;
};

// What the save dialog returns: the path and the filter selected when it was accepted.
struct SaveChoice {
    QString path;
    QString filter;
};

// The open-file and save-file dialogs; empty optional when the user cancels.
class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    virtual std::optional<QString> openFile(QWidget* parent, const QString& title, const QString& folder,
                                            const QString& filter) = 0;
    // start: a folder, or a folder and a proposed file name. filters: ";;"-separated, the first selected.
    virtual std::optional<SaveChoice> saveFile(QWidget* parent, const QString& title, const QString& start,
                                               const QString& filters) = 0;
};

class Clipboard {
public:
    virtual ~Clipboard() = default;
    virtual void clear() = 0;
    virtual void setText(const QString& text) = 0;
    // What the clipboard holds now, to know whether a copy really arrived.
    virtual QString text() const = 0;
};

// The desktop's default handlers: a browser for addresses, the associated program for files.
// Addresses are handed over as built; only the desktop layer turns them into URLs. False when the desktop
// found nothing to open it with.
class Shell {
public:
    virtual ~Shell() = default;
    virtual bool openUrl(const QString& address) = 0;
    virtual bool openFile(const QString& path) = 0;
};

// Everything the window talks to, handed in by its creator.
struct Form1Services {
    SystemTimers& timers;
    Clock& clock;
    HttpRequestFactory& http;
    MessageBoxes& messages;
    FileDialogs& dialogs;
    Clipboard& clipboard;
    Shell& shell;
};

}  // namespace quorvane
