// SPDX-License-Identifier: GPL-3.0-or-later
// CSV bytes and the export's path rule, without a window.
#include "files/csv.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace quorvane;

class TestCsv final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void bytes_data();
    void bytes();
    void suffix_data();
    void suffix();
};

void TestCsv::bytes_data() {
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<QList<QStringList>>("rows");
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray bom("\xEF\xBB\xBF");
    QTest::newRow("plain Chinese") << QStringList{u"序号"_s, u"关键字"_s}
                                   << QList<QStringList>{{u"1"_s, u"天气"_s}}
                                   << bom + u"序号,关键字\r\n1,天气\r\n"_s.toUtf8();
    QTest::newRow("comma, quote, line breaks")
        << QStringList{u"a,b"_s, u"c"_s, u"d"_s, u"e"_s}
        << QList<QStringList>{{u"1,2"_s, u"say \"hi\""_s, u"two\nlines"_s, u"cr\r\n"_s}}
        << bom + "\"a,b\",c,d,e\r\n\"1,2\",\"say \"\"hi\"\"\",\"two\nlines\",\"cr\r\n\"\r\n";
    QTest::newRow("short row padded, long row cut")
        << QStringList{u"a"_s, u"b"_s, u"c"_s}
        << QList<QStringList>{{u"1"_s}, {u"1"_s, u"2"_s, u"3"_s, u"4"_s}}
        << bom + "a,b,c\r\n1,,\r\n1,2,3\r\n";
    QTest::newRow("formulas guarded, figures kept")
        << QStringList{u"a"_s, u"b"_s, u"c"_s, u"d"_s, u"e"_s}
        << QList<QStringList>{{u"=HYPERLINK(\"x\",1)"_s, u"-3"_s, u"+86 电话"_s, u"@SUM(A1)"_s,
                               u"-1,234.5"_s}}
        << bom + "a,b,c,d,e\r\n\"'=HYPERLINK(\"\"x\"\",1)\",-3,'+86 " + u"电话"_s.toUtf8() +
               ",'@SUM(A1),\"-1,234.5\"\r\n";
    QTest::newRow("no rows") << QStringList{u"序号"_s} << QList<QStringList>{}
                             << bom + u"序号\r\n"_s.toUtf8();
}

void TestCsv::bytes() {
    QFETCH(QStringList, titles);
    QFETCH(QList<QStringList>, rows);
    QFETCH(QByteArray, bytes);
    QCOMPARE(csvBytes(titles, static_cast<int>(rows.size()), [&rows](int row) { return rows.at(row - 1); }),
             bytes);
}

void TestCsv::suffix_data() {
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<bool>("csvFilter");
    QTest::addColumn<QString>("path");
    QTest::newRow("bare name, CSV filter") << u"/d.x/结果"_s << true << u"/d.x/结果.csv"_s;
    QTest::newRow("bare name, all files") << u"/d/结果"_s << false << u"/d/结果"_s;
    QTest::newRow("own suffix kept") << u"/d/结果.txt"_s << true << u"/d/结果.txt"_s;
}

void TestCsv::suffix() {
    QFETCH(QString, chosen);
    QFETCH(bool, csvFilter);
    QFETCH(QString, path);
    QCOMPARE(csvPath(chosen, csvFilter), path);
}

QTEST_GUILESS_MAIN(TestCsv)
#include "tst_csv.moc"
