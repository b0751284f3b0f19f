// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/result_file.h"
#include "form_harness.h"
#include "qt_desktop.h"
#include "text/app_error.h"

#include <sys/fsuid.h>
#include <sys/resource.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>
#include <QTest>
#include <csignal>

using namespace Qt::StringLiterals;
using namespace quorvane;
using quorvane::testing::FormHarness;

namespace {

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

class TestSave final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void emptyListCreatesFile();
    void savingTwiceAppends();
    void brokenCharacterStaysInItsLine();
    void wholeRowHasSixSeparators();
    void keywordListSavesToItsOwnFile();
    void keywordSaveTakesTheWholeList();
    void failuresAreReported_data();
    void failuresAreReported();
    void linesBeforeAFailureStay();
    void incompleteRowKeepsEarlierLines();
    void defaultFolderIsHomeWithoutDocuments();
};

void TestSave::emptyListCreatesFile() {
    FormHarness h;
    const QString path = h.folder.filePath(u"批量结果.txt"_s);
    h.fill(u"Text3", path).click(u"Command8");
    QVERIFY(QFile::exists(path));
    QCOMPARE(readAll(path), QByteArray());
    QCOMPARE(h.messages.texts(), QStringList{u"恭喜保存成功！"_s});
    QCOMPARE(h.messages.shown[0].title, u"Quorvane"_s);
    QCOMPARE(h.messages.shown[0].buttons, MsgButtons::Ok);
}

void TestSave::savingTwiceAppends() {
    FormHarness h;
    const QString path = h.folder.filePath(u"out.txt"_s);
    h.fill(u"Text3", path);
    h.importDomains({u"a.com"_s, u"百度.cn"_s, u"c.com"_s});
    h.clickHeader(u"ListView1", 2);  // saved in the order shown, which the locale's collation decides
    QCOMPARE_NE(h.cell(1, 1), u"a.com"_s);
    h.click(u"Command8");
    h.click(u"Command8");
    QString shown;
    for (int row = 1; row <= 3; ++row) {
        shown += h.cell(row, 1) + u"\r\n"_s;
    }
    QStringEncoder encoder(resultFileCharset().constData());
    const QByteArray once = encoder.encode(shown);
    QCOMPARE(readAll(path), once + once);
    QCOMPARE(h.messages.texts().count(u"恭喜保存成功！"_s), 2);
}

void TestSave::brokenCharacterStaysInItsLine() {
    FormHarness h;
    const QString path = h.folder.filePath(u"out.txt"_s);
    h.fill(u"Text3", path);
    // Half of a surrogate pair at a line's end, pasted from broken text.
    h.importDomains({u"a.com"_s + QChar(0xD83D), u"b.com"_s + QChar(0xD83D)});
    h.click(u"Command8");
    QCOMPARE(readAll(path), QByteArray("a.com\xEF\xBF\xBD\r\nb.com\xEF\xBF\xBD\r\n"));
}

void TestSave::wholeRowHasSixSeparators() {
    FormHarness h;
    const QString path = h.folder.filePath(u"rows.txt"_s);
    h.fill(u"Text3", path).click(u"Check3");
    h.importFile(u"a.com|5|30|40|50|60|2026-12-01\nb.com"_s);
    h.click(u"Command8");
    const QList<QByteArray> lines = readAll(path).split('\n');
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines[0], QByteArray("a.com|5|30|40|50|60|2026-12-01\r"));
    QCOMPARE(lines[0].count('|'), 6);
    QCOMPARE(lines[1], QByteArray("b.com|...|...|...|...|...|...\r"));
    QCOMPARE(lines[2], QByteArray());
}

void TestSave::keywordListSavesToItsOwnFile() {
    FormHarness h;
    ListView& list = h.list(u"ListView2");
    for (const char16_t* title :
         {u"序号", u"关键字", u"百度排名", u"百度搜索指数", u"百度收录量", u"网页标题"}) {
        list.addColumn(QString::fromUtf16(title), 600);
    }
    list.items().addRows({{u"1"_s, u"seo"_s, u"1"_s, u"100"_s, u"200"_s, u"标题|一"_s}});
    const QString path = h.folder.filePath(u"单条结果.txt"_s);
    h.fill(u"Text7", path).click(u"Command16");
    QCOMPARE(readAll(path), QByteArray("seo\r\n"));
    h.click(u"Check5");
    h.click(u"Command16");
    QCOMPARE(readAll(path), QByteArray("seo\r\n") + QStringLiteral("seo|1|100|200|标题|一\r\n").toUtf8());
}

void TestSave::keywordSaveTakesTheWholeList() {
    FormHarness h;
    h.form->show();
    ListModel& keywords = h.list(u"ListView2").items();
    keywords.addRows({{u"1"_s, u"百度"_s, u"1"_s, u"100"_s, u"200"_s, u"t"_s},
                      {u"2"_s, u"地图"_s, u"2"_s, u"100"_s, u"200"_s, u"t"_s}});
    h.filter(0, u"地图"_s);
    QVERIFY(h.list(u"ListView3").isVisible());
    const QString path = h.folder.filePath(u"单条结果.txt"_s);
    h.fill(u"Text7", path).click(u"Command16");
    QCOMPARE(readAll(path), QStringEncoder(resultFileCharset().constData()).encode(u"百度\r\n地图\r\n"_s));
}

enum class Target { MissingFolder, Folder, EmptyPath, DevFull, ReadOnlyFile, FullAtFirstLine };

namespace {

// Root may write any file: for the read-only case the save runs with an unprivileged
// filesystem identity (this thread only), so the file's mode really refuses it.
class Unprivileged final {
public:
    Unprivileged() : m_was(geteuid() == 0 ? setfsuid(65534) : -1) {}
    ~Unprivileged() {
        if (m_was >= 0) {
            setfsuid(static_cast<uid_t>(m_was));
        }
    }
    Unprivileged(const Unprivileged&) = delete;
    Unprivileged& operator=(const Unprivileged&) = delete;

private:
    int m_was;
};

const QByteArray kEarlier = QByteArrayLiteral("earlier.com|1|2|3|4|5|6\r\n");

}  // namespace

void TestSave::failuresAreReported_data() {
    QTest::addColumn<Target>("target");
    QTest::newRow("missing folder") << Target::MissingFolder;
    QTest::newRow("a folder") << Target::Folder;
    QTest::newRow("empty path") << Target::EmptyPath;
    QTest::newRow("full disk") << Target::DevFull;
    QTest::newRow("read-only file") << Target::ReadOnlyFile;
    QTest::newRow("full before the first line") << Target::FullAtFirstLine;
}

void TestSave::failuresAreReported() {
    QFETCH(Target, target);
    FormHarness h;
    QTemporaryDir dir;
    QString path;
    QString kept;  // a file whose content must survive the failed save
    switch (target) {
        case Target::MissingFolder:
            path = dir.filePath(u"nonexistent-folder/批量结果.txt"_s);
            break;
        case Target::Folder:
            path = dir.path();
            kept = dir.filePath(u"inside.txt"_s);
            break;
        case Target::EmptyPath:
            break;
        case Target::DevFull:
            path = u"/dev/full"_s;
            break;
        case Target::ReadOnlyFile:
        case Target::FullAtFirstLine:
            path = dir.filePath(u"批量结果.txt"_s);
            kept = path;
            break;
    }
    if (!kept.isEmpty()) {
        QFile file(kept);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(kEarlier) == kEarlier.size());
    }
    h.fill(u"Text3", path).click(u"Check3");
    h.importDomains({u"a.com"_s});
    if (target == Target::ReadOnlyFile) {
        QVERIFY(QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                      QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                                      QFileDevice::ExeOther));
        QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadOther));
        const Unprivileged unprivileged;
        QFile probe(path);
        QVERIFY2(!probe.open(QIODevice::WriteOnly | QIODevice::Append), "the file is still writable");
        h.click(u"Command8");
    } else if (target == Target::FullAtFirstLine) {
        // The file may not grow at all: the first chunk fails.
        rlimit saved{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto previous = std::signal(SIGXFSZ, SIG_IGN);
        rlimit none = saved;
        none.rlim_cur = static_cast<rlim_t>(kEarlier.size());
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &none), 0);
        h.click(u"Command8");
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &saved), 0);
        std::signal(SIGXFSZ, previous);
    } else {
        h.click(u"Command8");
    }
    QCOMPARE(h.messages.shown.size(), 1);
    QVERIFY(!h.messages.texts().contains(u"恭喜保存成功！"_s));
    QVERIFY(h.messages.shown[0].text.startsWith(u"保存失败"_s));
    QCOMPARE(h.messages.shown[0].icon, MsgIcon::Critical);
    if (!path.isEmpty()) {
        QVERIFY(h.messages.shown[0].text.contains(path));
    }
    if (!kept.isEmpty()) {
        QCOMPARE(readAll(kept), kEarlier);
    }
    if (target == Target::MissingFolder) {
        QVERIFY(!QFileInfo::exists(QFileInfo(path).path()));
    }
}

void TestSave::linesBeforeAFailureStay() {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"kept.txt"_s);
    const auto domain = [](int row) -> QString { return u"www.domain"_s + QString::number(row) + u".com"_s; };
    QVERIFY(!appendLines(path, 2, domain));
    // The file may grow to 100 KB only: a large save fails part way.
    rlimit saved{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 100 * 1000;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    const std::optional<QString> error = appendLines(path, 50'000, domain);
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &saved), 0);
    std::signal(SIGXFSZ, previous);
    QVERIFY(error.has_value());
    QVERIFY(error->contains(path));
    const QByteArray written = readAll(path);
    QVERIFY(written.size() > 2 * 20 && written.size() <= 100 * 1000);
    QVERIFY(written.endsWith("\r\n"));
    const QList<QByteArray> lines = written.split('\n');
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        const int row = i < 2 ? static_cast<int>(i) + 1 : static_cast<int>(i) - 1;
        QCOMPARE(lines[i], domain(row).toUtf8() + '\r');
    }
}

void TestSave::incompleteRowKeepsEarlierLines() {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"part.txt"_s);
    const std::optional<QString> error = appendLines(path, 5, [](int row) {
        if (row == 4) {
            throw AppError(AppError::kIndexOutOfBounds, u"索引超出范围"_s);
        }
        return QString::number(row);
    });
    QVERIFY(error.has_value());
    QCOMPARE(readAll(path), QByteArray("1\r\n2\r\n3\r\n"));
}

void TestSave::defaultFolderIsHomeWithoutDocuments() {
    QTemporaryDir home;
    const QByteArray oldHome = qgetenv("HOME");
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(u".config"_s)));
    const QString without = defaultFolder();
    QDir(home.path()).mkdir(u"Documents"_s);
    const QString with = defaultFolder();
    qputenv("HOME", oldHome);
    qputenv("XDG_CONFIG_HOME", oldConfig);
    QCOMPARE(without, home.path());
    QVERIFY(!appendLines(without + u"/批量结果.txt"_s, 1, [](int) { return u"a.com"_s; }));
    QCOMPARE(with, home.filePath(u"Documents"_s));
}

QTEST_MAIN(TestSave)
#include "tst_save.moc"
