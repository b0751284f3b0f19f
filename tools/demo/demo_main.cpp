// SPDX-License-Identifier: GPL-3.0-or-later
// Quorvane against the replica site on loopback: the whole program, offline.
// Usage: quorvane-demo [batch|single]
//   batch   opens the batch view and starts a run over the sample list
//   single  queries the sample domain in the single view
// The result files and a sample domain file live in a temporary folder that goes with the demo, also when
// it is ended by SIGTERM, SIGINT or SIGHUP, or loses its X display.
#include "application.h"
#include "form1.h"
#include "qt_platform.h"
#include "replica_site.h"

#include <fcntl.h>
#include <ftw.h>
#include <unistd.h>
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <array>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// Ordinary domains with a time-out, an error page, a robot check and a domain that fails once (for a
// retry with Ctrl+R) among them.
const QString kSampleList =
    u"www.baidu.com\nwww.qq.com\nwww.163.com\nhang.example.com\nwww.sina.com.cn\nnotfound.example.com\n"
    u"www.sohu.com\nverify.example.com\nflaky.example.com\nwww.taobao.com\nwww.jd.com\nwww.zhihu.com\nwww."
    u"douban.com\n"
    u"www.bilibili.com\nwww.weibo.com\nwww.csdn.net\nwww.ctrip.com\nwww.meituan.com\nwww.ifeng.com\n"
    u"www.xinhuanet.com\nwww.people.com.cn\nwww.youku.com\nwww.iqiyi.com\nwww.58.com\nwww.anjuke.com\n"
    u"www.autohome.com.cn\n"_s;

constexpr std::array kEndingSignals = {SIGTERM, SIGINT, SIGHUP};

// Write end of the pipe that turns a signal into an event. A signal handler can reach no object, so this one
// descriptor is file-level state; it is set before the handlers are installed.
int signalPipeWrite = -1;

void onEndingSignal(int number) {
    const int saved = errno;
    const auto byte = static_cast<unsigned char>(number);
    [[maybe_unused]] const ssize_t written = ::write(signalPipeWrite, &byte, 1);
    errno = saved;
}

// The temporary folder's path while it exists, for removeFolderAtExit. Qt's xcb plugin ends the process with
// exit(1) when its X connection breaks (the display went first, as at logout): no destructor on the stack
// runs then, but what atexit registered does. Plain characters, so that nothing of it is gone by then.
std::array<char, PATH_MAX> folderAtExit{};

void removeFolderAtExit() {
    if (folderAtExit[0] != '\0') {
        ::nftw(
            folderAtExit.data(),
            [](const char* path, const struct stat*, int, struct FTW*) { return ::remove(path); }, 16,
            FTW_DEPTH | FTW_PHYS);
    }
}

// Registers the folder for removal at exit while this lives; the folder's own destructor removes it on any
// ordinary end.
class FolderAtExit final {
public:
    explicit FolderAtExit(const QString& path) {
        const QByteArray native = QFile::encodeName(path);
        if (native.size() < static_cast<qsizetype>(folderAtExit.size())) {
            std::memcpy(folderAtExit.data(), native.constData(), static_cast<std::size_t>(native.size()) + 1);
            std::atexit(removeFolderAtExit);
        }
    }
    FolderAtExit(const FolderAtExit&) = delete;
    FolderAtExit& operator=(const FolderAtExit&) = delete;
    ~FolderAtExit() { folderAtExit[0] = '\0'; }
};

// Ends the event loop on an ending signal, so the demo unwinds as after a close (its temporary folder goes)
// and then ends by the same signal, as its parent expects. Not QApplication::quit(): that asks the window
// first.
class EndingSignals final {
public:
    EndingSignals() {
        if (::pipe2(m_pipe.data(), O_CLOEXEC | O_NONBLOCK) != 0) {
            qWarning("demo: no pipe for signals; its temporary folder stays if it is killed");
            return;
        }
        signalPipeWrite = m_pipe[1];
        m_notifier = std::make_unique<QSocketNotifier>(m_pipe[0], QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(), [this] {
            unsigned char byte = 0;
            while (::read(m_pipe[0], &byte, 1) == 1) {
                m_received = byte;
            }
            QCoreApplication::exit(1);
        });
        struct sigaction action {};
        action.sa_handler = onEndingSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (const int number : kEndingSignals) {
            // A signal ignored by whoever started us (nohup, a background job) stays ignored.
            struct sigaction before {};
            if (sigaction(number, nullptr, &before) == 0 && before.sa_handler != SIG_IGN) {
                sigaction(number, &action, nullptr);
                m_handled.push_back(number);
            }
        }
    }
    EndingSignals(const EndingSignals&) = delete;
    EndingSignals& operator=(const EndingSignals&) = delete;
    ~EndingSignals() {
        for (const int number : m_handled) {
            std::signal(number, SIG_DFL);
        }
        m_notifier.reset();
        for (const int fd : m_pipe) {
            if (fd >= 0) {
                ::close(fd);
            }
        }
        signalPipeWrite = -1;
        if (m_received != 0) {
            std::raise(m_received);
        }
    }

private:
    std::array<int, 2> m_pipe{-1, -1};
    std::unique_ptr<QSocketNotifier> m_notifier;
    std::vector<int> m_handled;
    int m_received = 0;
};

// The demo window over the replica site, with its files in a temporary folder that goes on return.
int runDemo(const QStringList& arguments) {
    quorvane::replica::ReplicaSite site;
    site.setExtraDelayMs(40);  // slow enough to watch the run fill in
    if (!site.listen()) {
        qCritical("replica site: %s", qPrintable(site.errorString()));
        return 1;
    }
    QTemporaryDir folder;
    if (!folder.isValid()) {
        qCritical("demo: no temporary folder: %s", qPrintable(folder.errorString()));
        return 1;
    }
    const FolderAtExit removedAtExit(folder.path());
    // The window's default domain file, so that "确认导入" has something to read.
    QFile sample(folder.filePath(u"批量网址.txt"_s));
    if (!sample.open(QIODevice::WriteOnly) || sample.write(kSampleList.toUtf8()) < 0) {
        qCritical("demo: cannot write the sample domain file");
        return 1;
    }
    sample.close();

    quorvane::QtPlatform platform;
    const QString base = site.baseUrl();
    // The replica's figures have a history of their own, apart from the real sites'.
    quorvane::Runs runs(platform.timers, platform.clock, platform.http, {base, base},
                        QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + u"/demo"_s);
    // Its settings file is in the temporary folder, never the user's. A setting names a site by scheme
    // and host alone, so the replica itself stands for the update site.
    const quorvane::Settings settings{base, base, base, true, 365, folder.filePath(u"proxies.txt"_s)};
    quorvane::Form1 window(platform.services(), runs,
                           {base + u"/update"_s, folder.path(), [] { QApplication::exit(0); }, 0, settings,
                            folder.filePath(u"Quorvane.conf"_s)});
    window.show();
    const QString mode = arguments.value(0);
    if (mode.isEmpty()) {
        window.offerRestore();  // a scripted run starts at once instead
    }
    // The count on standard output too, for whoever watches the demo from outside.
    QObject::connect(&runs.batch, &quorvane::BatchRun::rowCounted, &window, [](qint64 counted) {
        std::printf("已查询 %lld 条\n", static_cast<long long>(counted));
        std::fflush(stdout);
    });
    if (mode == u"single"_s) {
        window.findChild<QLineEdit*>(u"Text5"_s)->setText(u"www.qq.com"_s);
        window.findChild<QPushButton*>(u"Command11"_s)->click();
    }
    if (mode == u"batch"_s) {
        window.findChild<QPlainTextEdit*>(u"Text1"_s)->setPlainText(kSampleList);
        for (const QString& name : {u"Command14"_s, u"Command12"_s, u"Command3"_s}) {
            window.findChild<QPushButton*>(name)->click();
        }
    }
    return QApplication::exec();
}

}  // namespace

int main(int argc, char* argv[]) {
    const quorvane::CommandLineHelp help{
        u"Quorvane against a replica of its sites on this machine: the whole program, offline. Its files "
        u"live in "
        u"a temporary folder that goes when it ends."_s,
        u"mode"_s,
        u"batch: start a batch run over a sample list; single: query one domain and read its "
        u"keywords."_s,
        u"[batch|single]"_s};
    quorvane::answerCommandLine(argc, argv, help);
    QApplication app(argc, argv);
    const QStringList arguments = quorvane::setUpApplication(help);
    // Made first and gone last: a signal during the demo's unwinding still waits for the folder to go.
    const EndingSignals endingSignals;
    return runDemo(arguments);
}
