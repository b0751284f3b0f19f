// SPDX-License-Identifier: GPL-3.0-or-later
// `quorvane --batch FILE`: the batch run on the real network stack, without a window.
#include "batch_main.h"

#include "batch/batch_command.h"
#include "build_config.h"
#include "fetch/proxies.h"
#include "qt_desktop.h"
#include "qt_services.h"
#include "runs.h"

#include <sys/signalfd.h>
#include <unistd.h>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTextStream>
#include <QTimer>
#include <csignal>
#include <cstring>

using namespace Qt::StringLiterals;

namespace quorvane {

namespace {

// SIGINT and SIGTERM read from a descriptor instead of interrupting the process: they stop the run
// as "停止" does, in the event loop, with no state shared with a handler.
class EndingSignals final {
public:
    EndingSignals() {
        sigemptyset(&m_set);
        sigaddset(&m_set, SIGINT);
        sigaddset(&m_set, SIGTERM);
        sigprocmask(SIG_BLOCK, &m_set, &m_before);
        m_fd = signalfd(-1, &m_set, SFD_CLOEXEC | SFD_NONBLOCK);
    }
    ~EndingSignals() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        sigprocmask(SIG_SETMASK, &m_before, nullptr);
    }
    EndingSignals(const EndingSignals&) = delete;
    EndingSignals& operator=(const EndingSignals&) = delete;
    int fd() const { return m_fd; }
    // The signal that came, or 0.
    int take() const {
        signalfd_siginfo info{};
        return ::read(m_fd, &info, sizeof info) == static_cast<ssize_t>(sizeof info)
                   ? static_cast<int>(info.ssi_signo)
                   : 0;
    }

private:
    sigset_t m_set{};
    sigset_t m_before{};
    int m_fd = -1;
};

}  // namespace

bool wantsBatch(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--batch") == 0 || std::strncmp(argv[i], "--batch=", 8) == 0) {
            return true;
        }
    }
    return false;
}

int runBatch(int argc, char* argv[], const Settings& defaults) {
    QCoreApplication::setApplicationName(u"Quorvane"_s);
    QCoreApplication::setApplicationVersion(QString::fromUtf16(build::kVersion));
    QCoreApplication app(argc, argv);
    loadQtChineseTexts(app);  // the parser's own messages, in Chinese as ours
    QTextStream err(stderr);
    const QString program = QFileInfo(QCoreApplication::arguments().value(0)).fileName();
    {
        QCommandLineParser parser;
        parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
        parser.setApplicationDescription(u"Runs the batch query over a domain file with no window.\n\n"_s +
                                         settingsHelp());
        parser.addHelpOption();
        parser.addVersionOption();
        parser.addOptions(batchCommandLineOptions());
        parser.addOptions(siteCommandLineOptions());
        if (parser.parse(QCoreApplication::arguments())) {
            if (parser.isSet(u"help"_s)) {
                parser.showHelp();
            }
            if (parser.isSet(u"version"_s)) {
                parser.showVersion();
            }
        }
    }
    LoadedSettings loaded = readSettings(settingsPath(), defaults);
    for (const QString& problem : loaded.problems) {
        err << program << u": "_s << problem << Qt::endl;
    }
    Settings& settings = loaded.settings;
    const ParsedBatchOptions parsed = parseBatchOptions(QCoreApplication::arguments().mid(1), &settings);
    if (!parsed.options) {
        err << program << u": "_s << parsed.error << u"\n用 --help 查看可用的选项。"_s << Qt::endl;
        return BatchExit::WrongOption;
    }
    if (isPlaceholderSite(settings.statsSite)) {
        // Every statistics figure would fail: nothing is sent.
        err << program << u": "_s << placeholderNotice(settings.statsSite) << Qt::endl;
        return BatchExit::WrongOption;
    }
    // --proxies names a list that must be there; the settings' list may be missing (none kept).
    const QString& named = parsed.options->proxies;
    if (!named.isEmpty() && !QFileInfo(named).isFile()) {
        err << program << u": 找不到代理列表："_s << named << Qt::endl;
        return BatchExit::Unreadable;
    }
    QStringList proxyProblems;
    const QString& proxyFile = named.isEmpty() ? settings.proxiesFile : named;
    std::vector<Proxy> proxies = readProxyFile(proxyFile, proxyProblems);
    if (!proxyProblems.isEmpty()) {
        err << program << u": "_s << proxyProblemsMessage(proxyFile, proxyProblems) << Qt::endl;
    }
    const EndingSignals ending;
    QtSystemTimers timers;
    QtClock clock;
    QNetworkAccessManager network;
    QtHttpRequestFactory http(network);
    Runs runs(timers, clock, http, {settings.statsSite, settings.searchEngine},
              QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
    runs.history.prune(settings.keepRuns);
    if (!proxies.empty() && !parsed.options->quiet) {
        err << u"经 "_s << proxies.size() << u" 个代理"_s << Qt::endl;
    }
    runs.proxies.setProxies(std::move(proxies));
    const auto write = [&err](const QString& text) { err << text << Qt::flush; };
    for (const QString& problem : runs.history.problems()) {
        write(problem + u'\n');
    }
    QObject::connect(&runs.history, &HistoryStore::problemFound, &runs.history,
                     [write](const QString& problem) { write(u'\n' + problem + u'\n'); });
    BatchCommand command(runs.batch, timers, clock, *parsed.options, write, ::isatty(STDERR_FILENO) == 1);
    QObject::connect(&command, &BatchCommand::finished, &command,
                     [](int status) { QCoreApplication::exit(status); });
    QSocketNotifier signalled(ending.fd(), QSocketNotifier::Read);
    QObject::connect(&signalled, &QSocketNotifier::activated, &command, [&] {
        if (const int signal = ending.take()) {
            command.interrupt(signal);
        }
    });
    QTimer::singleShot(0, &command, &BatchCommand::start);
    return QCoreApplication::exec();
}

}  // namespace quorvane
