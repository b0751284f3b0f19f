// SPDX-License-Identifier: GPL-3.0-or-later
#include "application.h"

#include "build_config.h"
#include "qt_desktop.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QIcon>

using namespace Qt::StringLiterals;

namespace quorvane {

namespace {

const QString kAppId = u"example.quorvane.Quorvane"_s;

void describe(QCommandLineParser& parser, const CommandLineHelp& help) {
    parser.setApplicationDescription(help.description);
    parser.addHelpOption();
    parser.addVersionOption();
    if (!help.argumentName.isEmpty()) {
        parser.addPositionalArgument(help.argumentName, help.argumentHelp, help.argumentSyntax);
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

void answerHelpAndVersion(int argc, char* argv[], const CommandLineHelp& help) {
    QCoreApplication::setApplicationName(u"Quorvane"_s);
    QCoreApplication::setApplicationVersion(QString::fromUtf16(build::kVersion));
    const QCoreApplication console(argc, argv);
    QCommandLineParser parser;
    describe(parser, help);
    // Other faults of the command line are told by setUpApplication, once the GUI options are out.
    parser.parse(QCoreApplication::arguments());
    if (parser.isSet(u"help"_s)) {
        parser.showHelp();
    }
    if (parser.isSet(u"version"_s)) {
        parser.showVersion();
    }
}

QStringList setUpApplication(const CommandLineHelp& help) {
    QCommandLineParser parser;
    describe(parser, help);
    parser.process(QCoreApplication::arguments());
    // Our interface is Chinese whatever the locale, so Qt's own texts are too.
    loadQtChineseTexts(*QCoreApplication::instance());
    // Ties the window to the installed menu entry and icon (Wayland app id, window icon on X11).
    QGuiApplication::setDesktopFileName(kAppId);
    QGuiApplication::setWindowIcon(windowIcon());
    return parser.positionalArguments();
}

}  // namespace quorvane
