#include "build_config.h"
#include "platform/qt_desktop.h"
#include "platform/qt_platform.h"

#include <QApplication>
#include <QIcon>
#include <QNetworkProxyFactory>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvane"));
    quorvane::loadQtChineseTexts(app);
    // Ties the window to the installed menu entry and icon (Wayland app id, window icon on X11).
    QGuiApplication::setDesktopFileName(QStringLiteral("example.quorvane.Quorvane"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("example.quorvane.Quorvane")));
    // The desktop's proxy settings (environment or desktop, through libproxy); we keep none of our own.
    QNetworkProxyFactory::setUseSystemConfiguration(true);
    quorvane::QtPlatform platform;
    quorvane::Form1 window(platform.services(), {QString::fromUtf16(quorvane::build::kStatsSite),
                                                 QString::fromUtf16(quorvane::build::kSearchEngine),
                                                 QString::fromUtf16(quorvane::build::kUpdateSite),
                                                 quorvane::defaultFolder(), [] { QApplication::exit(0); }});
    window.show();
    return QApplication::exec();
}
