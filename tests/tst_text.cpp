// SPDX-License-Identifier: GPL-3.0-or-later
#include "fetch/charset.h"
#include "text/app_error.h"
#include "text/textcut.h"

#include <QStringEncoder>
#include <QTest>
#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;
using namespace quorvane;

class TestText final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void partAfter_data();
    void partAfter();
    void partBefore_data();
    void partBefore();
    void leadingNumber_data();
    void leadingNumber();
    void groupedNumbers_data();
    void groupedNumbers();
    void wholeNumber_data();
    void wholeNumber();
    void roundHalfEven_data();
    void roundHalfEven();
    void decodeGbkLabelledGb2312();
    void decodeUnknownCharsetThrows();
    void decodeStripsUtf8Bom();
    void declaredCharset_data();
    void declaredCharset();
    void figureShapes_data();
    void figureShapes();
};

void TestText::partAfter_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("marker");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QString>("result");
    QTest::newRow("to the end") << u"xxMAbc"_s << u"MA"_s << true << u"bc"_s;
    QTest::newRow("up to next marker") << u"1MA2MA3"_s << u"MA"_s << true << u"2"_s;
    QTest::newRow("marker at the end") << u"abcMA"_s << u"MA"_s << true << QString();
    QTest::newRow("marker twice in a row") << u"MAMAx"_s << u"MA"_s << true << QString();
    QTest::newRow("absent") << u"abc"_s << u"MA"_s << false << QString();
    QTest::newRow("case matters") << u"abc ma x"_s << u"MA"_s << false << QString();
    QTest::newRow("empty text") << QString() << u"MA"_s << false << QString();
}

void TestText::partAfter() {
    QFETCH(QString, text);
    QFETCH(QString, marker);
    QFETCH(bool, found);
    QFETCH(QString, result);
    const auto cut = text::PartAfter(text, marker);
    QCOMPARE(cut.has_value(), found);
    if (found) {
        QCOMPARE(*cut, result);
    }
}

void TestText::partBefore_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("result");
    QTest::newRow("before separator") << u"12<b>"_s << true << u"12"_s;
    QTest::newRow("no separator") << u"1234"_s << true << u"1234"_s;
    QTest::newRow("starts with separator") << u"<b>"_s << true << QString();
    QTest::newRow("empty text fails") << QString() << false << QString();
}

void TestText::partBefore() {
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(QString, result);
    const auto cut = text::PartBefore(text, u"<"_s);
    QCOMPARE(cut.has_value(), ok);
    if (ok) {
        QCOMPARE(*cut, result);
    }
}

void TestText::leadingNumber_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("plain") << u"10"_s << 10.0;
    QTest::newRow("dots") << u"..."_s << 0.0;
    QTest::newRow("word") << u"abc"_s << 0.0;
    QTest::newRow("empty") << QString() << 0.0;
    QTest::newRow("grouping stops") << u"1,234"_s << 1.0;
    QTest::newRow("blanks ignored") << u"  \t\n 25 "_s << 25.0;
    QTest::newRow("blanks inside") << u"1 0"_s << 10.0;
    QTest::newRow("negative") << u"-3"_s << -3.0;
    QTest::newRow("decimal") << u"2.5x"_s << 2.5;
    QTest::newRow("exponent") << u"1e3"_s << 1000.0;
    QTest::newRow("e without digits") << u"7e"_s << 7.0;
    QTest::newRow("second point stops") << u"1.2.3"_s << 1.2;
    QTest::newRow("text after") << u"15秒"_s << 15.0;
    QTest::newRow("too large") << u"-2e400"_s << -std::numeric_limits<double>::infinity();
    QTest::newRow("too small reads 0") << u"1e-400"_s << 0.0;
    QTest::newRow("blank inside exponent, too small") << u" \t-8697.5e-36 8 IP"_s << 0.0;
}

void TestText::leadingNumber() {
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(text::leadingNumber(text), value);
}

void TestText::groupedNumbers_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("leading");  // leadingGroupedNumber
    QTest::addColumn<double>("cell");     // cellNumber; NaN: no number
    const double none = std::nan("");
    QTest::newRow("grouped") << u"1,234"_s << 1234.0 << 1234.0;
    QTest::newRow("two groups, blanks") << u" 84,077,700 "_s << 84077700.0 << 84077700.0;
    QTest::newRow("plain") << u"10"_s << 10.0 << 10.0;
    QTest::newRow("fraction") << u"-1,000.5"_s << -1000.5 << -1000.5;
    QTest::newRow("short group") << u"1,2"_s << 1.0 << none;
    QTest::newRow("no grouping") << u"1234,567"_s << 1234.0 << none;
    QTest::newRow("text after") << u"1,234万"_s << 1234.0 << none;
    QTest::newRow("placeholder") << u"..."_s << 0.0 << none;
    QTest::newRow("failure") << u"失败"_s << 0.0 << none;
    QTest::newRow("empty") << QString() << 0.0 << none;
    QTest::newRow("date") << u"2024-01-05"_s << 2024.0 << none;
}

void TestText::groupedNumbers() {
    QFETCH(QString, text);
    QFETCH(double, leading);
    QFETCH(double, cell);
    QCOMPARE(text::leadingGroupedNumber(text), leading);
    const auto number = text::cellNumber(text);
    QCOMPARE(number.has_value(), !std::isnan(cell));
    if (number) {
        QCOMPARE(*number, cell);
    }
}

void TestText::wholeNumber_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<double>("value");
    QTest::newRow("plain") << u"1003"_s << true << 1003.0;
    QTest::newRow("grouped") << u"1,003"_s << true << 1003.0;
    QTest::newRow("blanks around") << u" 28 "_s << true << 28.0;
    QTest::newRow("empty") << QString() << false << 0.0;
    QTest::newRow("dots") << u"..."_s << false << 0.0;
    QTest::newRow("trailing text") << u"12abc"_s << false << 0.0;
}

void TestText::wholeNumber() {
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(double, value);
    const auto number = text::wholeNumber(text);
    QCOMPARE(number.has_value(), ok);
    if (ok) {
        QCOMPARE(*number, value);
    }
}

void TestText::roundHalfEven_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<qint64>("rounded");
    QTest::newRow("2.5") << 2.5 << qint64(2);
    QTest::newRow("3.5") << 3.5 << qint64(4);
    QTest::newRow("-2.5") << -2.5 << qint64(-2);
    QTest::newRow("2.6") << 2.6 << qint64(3);
    QTest::newRow("huge saturates") << 1e30 << std::numeric_limits<qint64>::max();
    QTest::newRow("-huge saturates") << -1e30 << std::numeric_limits<qint64>::min();
    QTest::newRow("nan") << std::nan("") << qint64(0);
}

void TestText::roundHalfEven() {
    QFETCH(double, value);
    QFETCH(qint64, rounded);
    QCOMPARE(text::roundHalfEven(value), rounded);
}

void TestText::decodeGbkLabelledGb2312() {
    // 丂 (81 40) exists only in GBK; a strict GB2312 decoder loses it.
    QStringEncoder gbk("GBK");
    const QByteArray body =
        QByteArray("\x81\x40", 2) + QByteArray(gbk.encode(u"百度为您找到相关结果约1,230个"_s));
    QCOMPARE(DecodeBody(body, u"gb2312"_s), u"丂百度为您找到相关结果约1,230个"_s);
    QCOMPARE(DecodeBody(body, u"GB2312"_s), u"丂百度为您找到相关结果约1,230个"_s);
    QVERIFY(DecodeBody(body, u"utf-8"_s) != u"丂百度为您找到相关结果约1,230个"_s);
}

void TestText::decodeUnknownCharsetThrows() {
    QVERIFY_THROWS_EXCEPTION(AppError, DecodeBody(QByteArray("abc"), u"no-such-charset"_s));
}

void TestText::decodeStripsUtf8Bom() {
    QCOMPARE(DecodeBody(QByteArray("\xEF\xBB\xBFok"), u"utf-8"_s), u"ok"_s);
}

void TestText::declaredCharset_data() {
    QTest::addColumn<QByteArray>("contentType");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("charset");  // empty: none declared
    const QByteArray gbkMeta =
        "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=gbk\">";
    QTest::newRow("header") << QByteArray("text/html;charset=utf-8") << QByteArray("<p>") << u"utf-8"_s;
    QTest::newRow("header, quoted, upper case")
        << QByteArray("text/html; Charset=\"GB2312\"") << QByteArray("<p>") << u"gb2312"_s;
    QTest::newRow("header beats meta") << QByteArray("text/html; charset=utf-8") << gbkMeta << u"utf-8"_s;
    QTest::newRow("bom beats meta") << QByteArray("text/html") << QByteArray("\xEF\xBB\xBF") + gbkMeta
                                    << u"utf-8"_s;
    QTest::newRow("http-equiv meta") << QByteArray() << gbkMeta << u"gbk"_s;
    QTest::newRow("charset meta, bare, any case")
        << QByteArray("text/html") << QByteArray("<HEAD><META CharSet=UTF-8>") << u"utf-8"_s;
    QTest::newRow("charset meta, single quotes")
        << QByteArray() << QByteArray("<meta charset='gb2312'/>") << u"gb2312"_s;
    QTest::newRow("meta past 1024 bytes")
        << QByteArray() << QByteArray(1024, ' ') + "<meta charset=gbk>" << QString();
    QTest::newRow("unknown header name falls to meta")
        << QByteArray("text/html; charset=x-nonsense") << QByteArray("<meta charset=gbk>") << u"gbk"_s;
    QTest::newRow("unknown name only")
        << QByteArray("text/html; charset=x-nonsense") << QByteArray("<p>") << QString();
    QTest::newRow("meta in a comment")
        << QByteArray() << QByteArray("<!-- <meta charset=gbk> --><meta charset=utf-8>") << u"utf-8"_s;
    QTest::newRow("utf-16 in a meta means utf-8")
        << QByteArray() << QByteArray("<meta charset=\"utf-16le\">") << u"utf-8"_s;
    QTest::newRow("charset in the text, not a meta")
        << QByteArray() << QByteArray("<p>charset=gbk</p>") << QString();
    QTest::newRow("nothing") << QByteArray("text/html") << QByteArray("<html>") << QString();
}

void TestText::declaredCharset() {
    QFETCH(QByteArray, contentType);
    QFETCH(QByteArray, body);
    QFETCH(QString, charset);
    QCOMPARE(quorvane::declaredCharset(contentType, body).value_or(QString()), charset);
}

void TestText::figureShapes_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("count");
    QTest::addColumn<bool>("range");
    QTest::addColumn<bool>("date");
    QTest::newRow("count") << u"7400"_s << true << false << false;
    QTest::newRow("grouped count") << u" 1,240,000 "_s << true << false << false;
    QTest::newRow("sign") << u"-3"_s << false << false << false;
    QTest::newRow("fraction") << u"0.5"_s << false << false << false;
    QTest::newRow("trailing comma") << u"12,"_s << false << false << false;
    QTest::newRow("range") << u"765~1255"_s << false << true << false;
    QTest::newRow("half a range") << u"765~"_s << false << false << false;
    QTest::newRow("date") << u"2026-01-01"_s << false << false << true;
    QTest::newRow("short date with slashes") << u"2026/1/9"_s << false << false << true;
    QTest::newRow("no such day") << u"2026-02-30"_s << false << false << false;
    QTest::newRow("mixed separators") << u"2026-01/01"_s << false << false << false;
    QTest::newRow("words") << u"abc"_s << false << false << false;
    QTest::newRow("empty") << QString() << false << false << false;
}

void TestText::figureShapes() {
    QFETCH(QString, text);
    QFETCH(bool, count);
    QFETCH(bool, range);
    QFETCH(bool, date);
    QCOMPARE(text::isCount(text), count);
    QCOMPARE(text::isCountRange(text), range);
    QCOMPARE(text::isDate(text), date);
}

QTEST_GUILESS_MAIN(TestText)
#include "tst_text.moc"
