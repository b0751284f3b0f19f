// SPDX-License-Identifier: GPL-3.0-or-later
#include "application.h"
#include "batch_main.h"
#include "build_config.h"
#include "fetch/proxies.h"
#include "form1.h"
#include "qt_desktop.h"
#include "qt_platform.h"
#include "settings/settings.h"

#include <QApplication>
#include <QNetworkProxyFactory>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

int main(int argc, char* argv[]) {
    namespace build = quorvane::build;
    const quorvane::Settings defaults{QString::fromUtf16(build::kStatsSite),
                                      QString::fromUtf16(build::kSearchEngine),
                                      QString::fromUtf16(build::kUpdateSite),
                                      build::kUpdateCheck,
                                      365,
                                      quorvane::defaultProxiesFile()};
    if (quorvane::wantsBatch(argc, argv)) {
        return quorvane::runBatch(argc, argv, defaults);
    }
    const quorvane::CommandLineHelp help{
        u"Looks up the SEO figures of many domains at once: Baidu weight, keyword count, estimated visits, "
        u"indexed pages, backlinks and snapshot date.\n\n"_s +
            quorvane::settingsHelp(),
        {},
        {},
        {},
        true};
    quorvane::answerCommandLine(argc, argv, help);
    QApplication app(argc, argv);
    quorvane::setUpApplication(help);
    // The desktop's proxy settings (environment or desktop, through libproxy); we keep none of our own.
    QNetworkProxyFactory::setUseSystemConfiguration(true);
    quorvane::LoadedSettings loaded = quorvane::readSettings(quorvane::settingsPath(), defaults);
    quorvane::applySiteOptions(help, loaded.settings);
    const quorvane::Settings& settings = loaded.settings;
    if (quorvane::isPlaceholderSite(settings.statsSite)) {
        loaded.problems.append(quorvane::placeholderNotice(settings.statsSite));
    }
    // Without the check there is no update site, and the window then asks nothing.
    const QString updateSite = settings.updateCheck ? settings.updateSite : QString();
    quorvane::QtPlatform platform;
    quorvane::Runs runs(platform.timers, platform.clock, platform.http,
                        {settings.statsSite, settings.searchEngine},
                        QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
    QStringList proxyProblems;
    runs.proxies.setProxies(quorvane::readProxyFile(settings.proxiesFile, proxyProblems));
    if (!proxyProblems.isEmpty()) {
        loaded.problems.append(quorvane::proxyProblemsMessage(settings.proxiesFile, proxyProblems));
    }
    runs.history.prune(settings.keepRuns);  // the newest lists only; a run left unfinished is among them
    quorvane::Form1 window(platform.services(), runs,
                           {updateSite, quorvane::defaultFolder(), [] { QApplication::exit(0); }, 0, settings,
                            quorvane::settingsPath()});
    window.show();
    window.sayAtStart(loaded.problems);
    window.offerRestore();
    return QApplication::exec();
}
