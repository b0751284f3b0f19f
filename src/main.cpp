#include "build_config.h"
#include "platform/qt_services.h"
#include "window/form1.h"

#include <QApplication>
#include <QNetworkAccessManager>
#include <QStandardPaths>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvane"));

    quorvane::QtSystemTimers timers;
    quorvane::QtClock clock;
    QNetworkAccessManager network;
    quorvane::QtHttpRequestFactory http(network);
    quorvane::QtMessageBoxes messages;
    quorvane::QtFileDialogs dialogs;
    quorvane::QtClipboard clipboard;
    quorvane::QtShell shell;

    quorvane::Form1 window(
        {timers, clock, http, messages, dialogs, clipboard, shell},
        {QString::fromUtf16(quorvane::build::kStatsSite), QString::fromUtf16(quorvane::build::kSearchEngine),
         QString::fromUtf16(quorvane::build::kUpdateSite),
         QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation), [] { QApplication::exit(0); }});
    window.show();
    return QApplication::exec();
}
