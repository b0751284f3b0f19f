// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCommandLineOption>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

class QCommandLineParser;

namespace quorvane {

// What a user may change without rebuilding: the sites' addresses, the update check, how many runs
// the history keeps and where the proxy list is. Kept in one INI file (Quorvane.conf), which is only
// ever written whole, by the settings dialog.
struct Settings {
    QString statsSite;     // [sites] statistics: scheme and host
    QString searchEngine;  // [sites] search
    QString updateSite;    // [sites] update
    bool updateCheck = true;
    int keepRuns = 365;
    QString proxiesFile;

    bool operator==(const Settings&) const = default;
};

// ~/.config/Quorvane/Quorvane.conf, under XDG_CONFIG_HOME when it is set.
QString settingsPath();
// ~/.config/Quorvane/proxies.txt, likewise.
QString defaultProxiesFile();

// An address as typed, without the blanks around it and a trailing "/": addresses are built on it.
QString siteAddress(const QString& typed);
// A path as typed, with a leading "~/" read as a shell reads it.
QString userPath(const QString& typed);

// Why an address cannot be a site's: not http or https, or no host; nothing when it can.
std::optional<QString> siteProblem(const QString& address);
// A site still at the build's placeholder, a host under ".example", which answers nothing.
bool isPlaceholderSite(const QString& address);

struct LoadedSettings {
    Settings settings;
    QStringList problems;  // one line for each bad value, naming its key and value; the default is used
};
// The file over the defaults: a missing file or key takes the default. Never writes the file.
LoadedSettings readSettings(const QString& path, const Settings& defaults);
// Each value checked as readSettings checks it; the problems, or none.
QStringList settingsProblems(const Settings& settings);
// The file written whole, or not at all (an old one stays as it was); a message naming the path when
// it could not be written.
std::optional<QString> writeSettings(const QString& path, const Settings& settings);

// --stats-site URL, --search-engine URL and --no-update-check: for one run, over the file.
QList<QCommandLineOption> siteCommandLineOptions();
// The options given, over the settings; an error names the option and its value.
std::optional<QString> applySiteOptions(const QCommandLineParser& parser, Settings& settings);

// The file and its keys, for --help.
QString settingsHelp();

// What the window and the command line say while the statistics site is the placeholder.
QString placeholderNotice(const QString& statsSite);

}  // namespace quorvane
