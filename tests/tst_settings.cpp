// SPDX-License-Identifier: GPL-3.0-or-later
// The settings file: read over the defaults, each bad value said and replaced, written whole.
#include "settings/settings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QVariant>

using namespace Qt::StringLiterals;
using namespace quorvane;

namespace {

const Settings kDefaults{u"https://seo-stats.example"_s,
                         u"https://www.baidu.com"_s,
                         u"https://updates.example"_s,
                         true,
                         365,
                         u"/home/u/.config/Quorvane/proxies.txt"_s};

// The settings as one line: statistics|search|update|check|keep_runs|proxies.
QString described(const Settings& s) {
    return u"%1|%2|%3|%4|%5|%6"_s.arg(s.statsSite, s.searchEngine, s.updateSite,
                                      QVariant(s.updateCheck).toString(), QString::number(s.keepRuns),
                                      s.proxiesFile);
}

}  // namespace

class TestSettings final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void fileOverTheDefaults_data() {
        QTest::addColumn<QByteArray>("ini");  // null: no file at all
        QTest::addColumn<QString>("taken");
        QTest::addColumn<QString>("said");  // the problem's start, or empty
        const auto row = [d = described(kDefaults)](const char* name, const char* ini, const QString& said,
                                                    const QString& taken = {}) {
            QTest::newRow(name) << QByteArray(ini) << (taken.isEmpty() ? d : taken) << said;
        };
        row("no file", nullptr, {});
        row("empty", "", {});
        row("every key",
            "[sites]\nstatistics=http://127.0.0.1:8080/\nsearch=https://s.test\nupdate=http://u.test\n"
            "[update]\ncheck=false\n[history]\nkeep_runs=30\n[proxies]\nfile=/tmp/p.txt\n",
            {}, u"http://127.0.0.1:8080|https://s.test|http://u.test|false|30|/tmp/p.txt"_s);
        row("ftp", "[sites]\nstatistics=ftp://s.test\n",
            u"设置 [sites] statistics 的值“ftp://s.test”无效（不是 http 或 https 地址）：改用默认值 "
            u"https://seo-stats.example"_s);
        row("no host", "[sites]\nsearch=http://\n", u"设置 [sites] search 的值“http://”"_s);
        row("a path", "[sites]\nupdate=http://u.test/news\n", u"设置 [sites] update"_s);
        row("keep zero", "[history]\nkeep_runs=0\n",
            u"设置 [history] keep_runs 的值“0”无效（应为正整数）：改用默认值 365"_s);
        row("keep words", "[history]\nkeep_runs=many\n", u"设置 [history] keep_runs"_s);
        row("check maybe", "[update]\ncheck=maybe\n", u"设置 [update] check"_s);
        row("one bad, one good", "[sites]\nstatistics=s.test\nsearch=https://s.test\n",
            u"设置 [sites] statistics"_s,
            u"https://seo-stats.example|https://s.test|https://updates.example|true|365|"_s +
                kDefaults.proxiesFile);
    }
    void fileOverTheDefaults() {
        QFETCH(QByteArray, ini);
        QFETCH(QString, said);
        QTemporaryDir dir;
        qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
        QCOMPARE(settingsPath(), dir.filePath(u"Quorvane/Quorvane.conf"_s));
        QCOMPARE(defaultProxiesFile(), dir.filePath(u"Quorvane/proxies.txt"_s));
        QFile file(settingsPath());
        QVERIFY(ini.isNull() || (QDir(dir.path()).mkdir(u"Quorvane"_s) && file.open(QIODevice::WriteOnly) &&
                                 file.write(ini) == ini.size()));
        file.close();
        const LoadedSettings loaded = readSettings(settingsPath(), kDefaults);
        QTEST(described(loaded.settings), "taken");
        QCOMPARE(loaded.problems.size(), said.isEmpty() ? 0 : 1);
        QVERIFY2(said.isEmpty() || loaded.problems.first().startsWith(said),
                 qPrintable(loaded.problems.value(0)));
        QCOMPARE(settingsProblems(loaded.settings), QStringList());  // what is taken is always good
        // Never written: a missing file stays missing, one there stays as it was.
        QVERIFY(ini.isNull() ? QDir(dir.path()).isEmpty()
                             : file.open(QIODevice::ReadOnly) && file.readAll() == ini);
    }

    void writtenWholeAndReadBack() {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"new/Quorvane.conf"_s);
        Settings changed = kDefaults;
        changed.statsSite = u"https://stats.test"_s;
        changed.updateCheck = false;
        changed.keepRuns = 7;
        changed.proxiesFile = u"/tmp/代理;#=.txt"_s;  // INI's special characters, escaped and back
        QCOMPARE(writeSettings(path, changed), std::nullopt);
        QCOMPARE(readSettings(path, kDefaults).settings, changed);
        QCOMPARE(QDir(dir.filePath(u"new"_s)).entryList(QDir::Files | QDir::Hidden),
                 QStringList{u"Quorvane.conf"_s});
        QVERIFY(writeSettings(dir.filePath(u"new/Quorvane.conf/x"_s), changed)->contains(u"Quorvane.conf"_s));
        QCOMPARE(readSettings(path, kDefaults).settings, changed);  // the failed write left it alone
    }

    void placeholderSites_data() {
        QTest::addColumn<QString>("site");
        QTest::addColumn<bool>("placeholder");
        QTest::newRow("build default") << u"https://seo-stats.example"_s << true;
        QTest::newRow("capitals, slash") << u"HTTPS://Seo-Stats.EXAMPLE/"_s << true;
        QTest::newRow("real") << u"https://seo.chinaz.com"_s << false;
        QTest::newRow("example.com") << u"https://example.com"_s << false;
    }
    void placeholderSites() {
        QFETCH(QString, site);
        QTEST(isPlaceholderSite(site), "placeholder");
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
