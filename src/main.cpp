// SPDX-License-Identifier: GPL-3.0-or-later
#include "application.h"
#include "batch_main.h"
#include "build_config.h"
#include "form1.h"
#include "qt_desktop.h"
#include "qt_platform.h"

#include <QApplication>
#include <QNetworkProxyFactory>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

int main(int argc, char* argv[]) {
    const quorvane::BatchRun::Sites sites{QString::fromUtf16(quorvane::build::kStatsSite),
                                          QString::fromUtf16(quorvane::build::kSearchEngine)};
    if (quorvane::wantsBatch(argc, argv)) {
        return quorvane::runBatch(argc, argv, sites);
    }
    const quorvane::CommandLineHelp help{
        u"Looks up the SEO figures of many domains at once: Baidu weight, keyword count, estimated visits, "
        u"indexed pages, backlinks and snapshot date."_s,
        {},
        {},
        {},
        true};
    quorvane::answerCommandLine(argc, argv, help);
    QApplication app(argc, argv);
    quorvane::setUpApplication(help);
    // The desktop's proxy settings (environment or desktop, through libproxy); we keep none of our own.
    QNetworkProxyFactory::setUseSystemConfiguration(true);
    // A build without the update check has no update site, and the window then asks nothing.
    const QString updateSite =
        quorvane::build::kUpdateCheck ? QString::fromUtf16(quorvane::build::kUpdateSite) : QString();
    quorvane::QtPlatform platform;
    quorvane::Runs runs(platform.timers, platform.clock, platform.http, sites,
                        QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
    runs.history.prune();  // the newest lists only; a run left unfinished is among them
    const quorvane::Settings settings{QString::fromUtf16(quorvane::build::kStatsSite),
                                      QString::fromUtf16(quorvane::build::kSearchEngine),
                                      QString::fromUtf16(quorvane::build::kUpdateSite),
                                      quorvane::build::kUpdateCheck,
                                      365,
                                      quorvane::defaultProxiesFile()};
    quorvane::Form1 window(platform.services(), runs,
                           {updateSite, quorvane::defaultFolder(), [] { QApplication::exit(0); }, 0, settings,
                            quorvane::settingsPath()});
    window.show();
    window.offerRestore();
    return QApplication::exec();
}
