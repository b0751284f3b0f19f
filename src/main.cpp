#include "build_config.h"
#include "platform/qt_platform.h"

#include <QApplication>
#include <QStandardPaths>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvane"));
    quorvane::QtPlatform platform;
    quorvane::Form1 window(
        platform.services(),
        {QString::fromUtf16(quorvane::build::kStatsSite), QString::fromUtf16(quorvane::build::kSearchEngine),
         QString::fromUtf16(quorvane::build::kUpdateSite),
         QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation), [] { QApplication::exit(0); }});
    window.show();
    return QApplication::exec();
}
