// SPDX-License-Identifier: GPL-3.0-or-later
#include "replica_site.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

using namespace Qt::StringLiterals;

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"quorvane-replica"_s);

    QCommandLineParser parser;
    parser.setApplicationDescription(u"Serves deterministic statistics and search pages on 127.0.0.1."_s);
    parser.addHelpOption();
    const QCommandLineOption portOption(u"port"_s, u"Port to listen on; 0 takes a free one."_s, u"N"_s,
                                        u"0"_s);
    parser.addOption(portOption);
    parser.process(app);

    QTextStream out(stdout);
    QTextStream err(stderr);
    bool ok = false;
    const uint port = parser.value(portOption).toUInt(&ok);
    if (!ok || port > 65535) {
        err << "quorvane-replica: --port needs a number from 0 to 65535" << Qt::endl;
        return 2;
    }

    quorvane::replica::ReplicaSite site;
    if (!site.listen(quint16(port))) {
        err << "quorvane-replica: cannot listen on port " << port << ": " << site.errorString() << Qt::endl;
        return 1;
    }
    // Scripts read this line to learn the port; endl flushes it.
    out << "replica site at " << site.baseUrl() << Qt::endl;
    return QCoreApplication::exec();
}
