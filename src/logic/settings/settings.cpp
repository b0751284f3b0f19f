// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/settings.h"

#include "files/csv.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace quorvane {

namespace {

const QString kStats = u"sites/statistics"_s;
const QString kSearch = u"sites/search"_s;
const QString kUpdate = u"sites/update"_s;
const QString kCheck = u"update/check"_s;
const QString kKeepRuns = u"history/keep_runs"_s;
const QString kProxies = u"proxies/file"_s;

QString configFolder() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(u"Quorvane"_s);
}

// "[sites] statistics" for "sites/statistics", as the file shows it.
QString keyName(const QString& key) {
    return u'[' + key.section(u'/', 0, 0) + u"] "_s + key.section(u'/', 1);
}

QString badValue(const QString& key, const QString& value, const QString& why, const QString& fallback) {
    return u"设置 %1 的值“%2”无效（%3）：改用默认值 %4"_s.arg(keyName(key), value, why, fallback);
}

std::optional<int> positiveCount(const QString& text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok && value > 0 ? std::optional(value) : std::nullopt;
}

}  // namespace

QString settingsPath() {
    return QDir(configFolder()).filePath(u"Quorvane.conf"_s);
}

QString defaultProxiesFile() {
    return QDir(configFolder()).filePath(u"proxies.txt"_s);
}

QString siteAddress(const QString& typed) {
    const QString text = typed.trimmed();
    return text.endsWith(u'/') ? text.chopped(1) : text;
}

QString userPath(const QString& typed) {
    const QString text = typed.trimmed();
    return text.startsWith(u"~/"_s) ? QDir::home().filePath(text.mid(2)) : text;
}

std::optional<QString> siteProblem(const QString& address) {
    const QUrl url(address.trimmed(), QUrl::StrictMode);
    if (!url.isValid() || (url.scheme() != u"http"_s && url.scheme() != u"https"_s)) {
        return u"不是 http 或 https 地址"_s;
    }
    if (url.host().isEmpty()) {
        return u"没有主机名"_s;
    }
    if (!url.path().isEmpty() && url.path() != u"/"_s) {
        return u"只应有协议和主机名"_s;
    }
    return std::nullopt;
}

bool isPlaceholderSite(const QString& address) {
    const QString host = QUrl(address.trimmed()).host().toLower();
    return host == u"example"_s || host.endsWith(u".example"_s);
}

LoadedSettings readSettings(const QString& path, const Settings& defaults) {
    LoadedSettings loaded{defaults, {}};
    if (!QFileInfo::exists(path)) {
        return loaded;
    }
    const QSettings file(path, QSettings::IniFormat);
    if (file.status() != QSettings::NoError) {
        loaded.problems.append(u"设置文件无法读取：%1：全部改用默认值"_s.arg(path));
        return loaded;
    }
    Settings& s = loaded.settings;
    for (const auto& [key, field] :
         {std::pair{kStats, &Settings::statsSite}, std::pair{kSearch, &Settings::searchEngine},
          std::pair{kUpdate, &Settings::updateSite}}) {
        if (!file.contains(key)) {
            continue;
        }
        const QString value = file.value(key).toString().trimmed();
        if (const std::optional<QString> why = siteProblem(value)) {
            loaded.problems.append(badValue(key, value, *why, defaults.*field));
        } else {
            s.*field = siteAddress(value);
        }
    }
    if (file.contains(kCheck)) {
        const QString value = file.value(kCheck).toString().trimmed().toLower();
        if (value == u"true"_s || value == u"false"_s) {
            s.updateCheck = value == u"true"_s;
        } else {
            loaded.problems.append(badValue(kCheck, file.value(kCheck).toString(), u"应为 true 或 false"_s,
                                            defaults.updateCheck ? u"true"_s : u"false"_s));
        }
    }
    if (file.contains(kKeepRuns)) {
        const QString value = file.value(kKeepRuns).toString();
        if (const std::optional<int> runs = positiveCount(value)) {
            s.keepRuns = *runs;
        } else {
            loaded.problems.append(
                badValue(kKeepRuns, value, u"应为正整数"_s, QString::number(defaults.keepRuns)));
        }
    }
    if (file.contains(kProxies)) {
        const QString value = file.value(kProxies).toString().trimmed();
        if (value.isEmpty()) {
            loaded.problems.append(badValue(kProxies, value, u"没有文件名"_s, defaults.proxiesFile));
        } else {
            s.proxiesFile = userPath(value);
        }
    }
    return loaded;
}

QStringList settingsProblems(const Settings& settings) {
    QStringList problems;
    for (const auto& [key, value] :
         {std::pair{kStats, settings.statsSite}, std::pair{kSearch, settings.searchEngine},
          std::pair{kUpdate, settings.updateSite}}) {
        if (const std::optional<QString> why = siteProblem(value)) {
            problems.append(u"%1：“%2”%3"_s.arg(keyName(key), value, *why));
        }
    }
    if (settings.keepRuns <= 0) {
        problems.append(u"%1：应为正整数"_s.arg(keyName(kKeepRuns)));
    }
    if (settings.proxiesFile.trimmed().isEmpty()) {
        problems.append(u"%1：没有文件名"_s.arg(keyName(kProxies)));
    }
    return problems;
}

std::optional<QString> writeSettings(const QString& path, const Settings& settings) {
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder)) {
        return u"无法创建文件夹：%1"_s.arg(folder);
    }
    // QSettings writes the INI text, with its escapes, into a scratch file; the file itself is then
    // replaced whole.
    QTemporaryFile scratch(QDir(folder).filePath(u".Quorvane.conf.XXXXXX"_s));
    if (!scratch.open()) {
        return u"无法写入：%1：%2"_s.arg(path, scratch.errorString());
    }
    scratch.close();
    {
        QSettings ini(scratch.fileName(), QSettings::IniFormat);
        ini.setValue(kStats, settings.statsSite);
        ini.setValue(kSearch, settings.searchEngine);
        ini.setValue(kUpdate, settings.updateSite);
        ini.setValue(kCheck, settings.updateCheck);
        ini.setValue(kKeepRuns, settings.keepRuns);
        ini.setValue(kProxies, settings.proxiesFile);
        ini.sync();
        if (ini.status() != QSettings::NoError) {
            return u"无法写入：%1"_s.arg(path);
        }
    }
    QFile written(scratch.fileName());
    if (!written.open(QIODevice::ReadOnly)) {
        return u"无法写入：%1：%2"_s.arg(path, written.errorString());
    }
    return writeWholeFile(path, written.readAll());
}

QList<QCommandLineOption> siteCommandLineOptions() {
    return {
        QCommandLineOption(u"stats-site"_s, u"The SEO statistics site, scheme and host, for this run."_s,
                           u"URL"_s),
        QCommandLineOption(u"search-engine"_s, u"The search engine, scheme and host, for this run."_s,
                           u"URL"_s),
        QCommandLineOption(u"no-update-check"_s, u"Do not look for a newer version this time."_s),
    };
}

std::optional<QString> applySiteOptions(const QCommandLineParser& parser, Settings& settings) {
    for (const auto& [name, field] : {std::pair{u"stats-site"_s, &Settings::statsSite},
                                      std::pair{u"search-engine"_s, &Settings::searchEngine}}) {
        if (!parser.isSet(name)) {
            continue;
        }
        const QString value = parser.value(name).trimmed();
        if (const std::optional<QString> why = siteProblem(value)) {
            return u"--%1 的值“%2”无效（%3）"_s.arg(name, value, *why);
        }
        settings.*field = siteAddress(value);
    }
    if (parser.isSet(u"no-update-check"_s)) {
        settings.updateCheck = false;
    }
    return std::nullopt;
}

QString settingsHelp() {
    return u"Settings are read at start from %1: [sites] statistics, search and update (scheme and host), "
           u"[update] check (true or false), [history] keep_runs (how many batch lists the history keeps, "
           u"365), "
           u"[proxies] file (%2). The options below override the sites for one run."_s.arg(
               settingsPath(), defaultProxiesFile());
}

QString placeholderNotice(const QString& statsSite) {
    return u"统计站点尚未设置：%1 只是占位的地址，不会回答。请在“设置…”（Ctrl+,）中填入统计站点的地址，"
           u"或在命令行用 --stats-site 指定。"_s.arg(statsSite);
}

}  // namespace quorvane
