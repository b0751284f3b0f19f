// SPDX-License-Identifier: GPL-3.0-or-later
#include "application.h"

#include "batch/batch_command.h"
#include "build_config.h"
#include "qt_desktop.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QIcon>
#include <QTextStream>
#include <cstdlib>
#include <utility>
#include <vector>

using namespace Qt::StringLiterals;

namespace quorvane {

namespace {

const QString kAppId = u"example.quorvane.Quorvane"_s;

// The options of Qt's xcb plugin, which only that plugin takes out of the command line; known here so that
// they pass before there is a platform. With the name of the value, empty for none.
constexpr std::pair<const char16_t*, const char16_t*> kXcbOptions[] = {
    {u"display", u"display"}, {u"name", u"name"}, {u"visual", u"id"}, {u"nograb", u""}, {u"dograb", u""}};

void describe(QCommandLineParser& parser, const CommandLineHelp& help) {
    // Qt's options are words after one dash (-platform, -style), never runs of one-letter options.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(help.description);
    parser.addHelpOption();
    parser.addVersionOption();
    for (const auto& [name, value] : kXcbOptions) {
        QCommandLineOption option(QString::fromUtf16(name), {}, QString::fromUtf16(value));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    if (help.batchOptions) {
        // Described with the window's options; they take effect only with --batch, which runs apart.
        parser.addOptions(batchCommandLineOptions());
        parser.addOptions(siteCommandLineOptions());
    }
    if (!help.argumentName.isEmpty()) {
        parser.addPositionalArgument(help.argumentName, help.argumentHelp, help.argumentSyntax);
    }
}

// A wrong command line, told on one line of standard error, ends the process with status 2, the usual one.
[[noreturn]] void refuse(const QString& message) {
    QTextStream(stderr) << QFileInfo(QCoreApplication::arguments().value(0)).fileName() << u": "_s << message
                        << Qt::endl;
    std::exit(2);
}

// Parses the application's arguments, or refuses them.
void parseOrRefuse(QCommandLineParser& parser) {
    if (parser.parse(QCoreApplication::arguments())) {
        return;
    }
    loadQtChineseTexts(*QCoreApplication::instance());  // the parser's own message, in Chinese
    refuse(parser.errorText() + u"用 --help 查看可用的选项。"_s);
}

// Options of a run with no window, which never reach one with a window.
void refuseBatchOptions(const QCommandLineParser& parser) {
    for (const QCommandLineOption& option : batchCommandLineOptions()) {
        if (parser.optionNames().contains(option.names().first())) {
            refuse(u"--"_s + option.names().first() + u" 只能与 --batch 一起使用。"_s);
        }
    }
}

// The installed theme's icon; else the bitmaps built into the program, present where the theme (or its index,
// without which Qt finds nothing in it) is not.
QIcon windowIcon() {
    QIcon builtIn;
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        const QString side = QString::number(size);
        builtIn.addFile(u":/quorvane/icons/"_s + side + u'x' + side + u'/' + kAppId + u".png"_s);
    }
    return QIcon::fromTheme(kAppId, builtIn);
}

}  // namespace

void answerCommandLine(int argc, char* argv[], const CommandLineHelp& help) {
    QCoreApplication::setApplicationName(u"Quorvane"_s);
    QCoreApplication::setApplicationVersion(QString::fromUtf16(build::kVersion));
    {
        const QCoreApplication console(argc, argv);
        QCommandLineParser parser;
        describe(parser, help);
        if (parser.parse(QCoreApplication::arguments()) && !parser.isSet(u"help-all"_s)) {
            if (parser.isSet(u"help"_s)) {
                parser.showHelp();
            }
            if (parser.isSet(u"version"_s)) {
                parser.showVersion();
            }
            refuseBatchOptions(parser);
            return;
        }
    }
    // Qt's own options, and the help on them, are known to a GUI application only. The offscreen platform
    // needs no display; given last, it overrides any other platform named.
    std::vector<QByteArray> copies(argv, argv + argc);
    copies.emplace_back("-platform");
    copies.emplace_back("offscreen");
    std::vector<char*> pointers;
    for (QByteArray& copy : copies) {
        pointers.push_back(copy.data());
    }
    pointers.push_back(nullptr);
    int count = static_cast<int>(copies.size());
    // What Qt has to say about that platform (no runtime folder, say) is no answer to the command line.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    const QApplication offscreen(count, pointers.data());
    QCommandLineParser parser;
    describe(parser, help);
    parseOrRefuse(parser);
    // Answers --help, --help-all and --version; Qt's options alone are left for the real application.
    parser.process(QCoreApplication::arguments());
    refuseBatchOptions(parser);
    qInstallMessageHandler(nullptr);
}

QStringList setUpApplication(const CommandLineHelp& help) {
    QCommandLineParser parser;
    describe(parser, help);
    parseOrRefuse(parser);
    // Our interface is Chinese whatever the locale, so Qt's own texts are too.
    loadQtChineseTexts(*QCoreApplication::instance());
    // Ties the window to the installed menu entry and icon (Wayland app id, window icon on X11).
    QGuiApplication::setDesktopFileName(kAppId);
    QGuiApplication::setWindowIcon(windowIcon());
    return parser.positionalArguments();
}

void applySiteOptions(const CommandLineHelp& help, Settings& settings) {
    QCommandLineParser parser;
    describe(parser, help);
    parseOrRefuse(parser);
    if (const std::optional<QString> error = applySiteOptions(parser, settings)) {
        refuse(*error);
    }
}

}  // namespace quorvane
