// SPDX-License-Identifier: GPL-3.0-or-later
#include "application.h"
#include "build_config.h"
#include "fetch/proxies.h"
#include "form1.h"
#include "qt_desktop.h"
#include "qt_platform.h"

#include <QApplication>
#include <QNetworkProxyFactory>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

int main(int argc, char* argv[]) {
    const quorvane::CommandLineHelp help{
        u"Looks up the SEO figures of many domains at once: Baidu weight, keyword count, estimated visits, "
        u"indexed pages, backlinks and snapshot date."_s,
        {},
        {},
        {}};
    quorvane::answerCommandLine(argc, argv, help);
    QApplication app(argc, argv);
    quorvane::setUpApplication(help);
    // The desktop's proxy settings (environment or desktop, through libproxy); we keep none of our own.
    QNetworkProxyFactory::setUseSystemConfiguration(true);
    // A build without the update check has no update site, and the window then asks nothing.
    const QString updateSite =
        quorvane::build::kUpdateCheck ? QString::fromUtf16(quorvane::build::kUpdateSite) : QString();
    quorvane::QtPlatform platform;
    quorvane::Runs runs(
        platform.timers, platform.clock, platform.http,
        {QString::fromUtf16(quorvane::build::kStatsSite), QString::fromUtf16(quorvane::build::kSearchEngine)},
        QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
    QStringList proxyProblems;
    const QString proxyFile = quorvane::defaultProxyFile();
    runs.proxies.setProxies(quorvane::readProxyFile(proxyFile, proxyProblems));
    runs.history.prune();  // the newest lists only; a run left unfinished is among them
    quorvane::Form1 window(platform.services(), runs,
                           {updateSite, quorvane::defaultFolder(), [] { QApplication::exit(0); }});
    window.show();
    if (!proxyProblems.isEmpty()) {
        platform.messages.show(&window, quorvane::proxyProblemsMessage(proxyFile, proxyProblems),
                               quorvane::Form1::kAppTitle, quorvane::MsgButtons::Ok,
                               quorvane::MsgIcon::Information);
    }
    window.offerRestore();
    return QApplication::exec();
}
