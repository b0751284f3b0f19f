// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "qt_services.h"

#include <QNetworkAccessManager>

namespace quorvane {

// The real services of the desktop, in one place for every program that opens the window.
struct QtPlatform {
    QtSystemTimers timers;
    QtClock clock;
    QNetworkAccessManager network;
    QtHttpRequestFactory http{network};
    QtMessageBoxes messages;
    QtFileDialogs dialogs;
    QtClipboard clipboard;
    QtShell shell;

    Form1Services services() { return {timers, clock, http, messages, dialogs, clipboard, shell}; }
};

}  // namespace quorvane
