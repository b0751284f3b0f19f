// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/textcut.h"

#include <QDate>
#include <algorithm>

#include <QLocale>
#include <cmath>
#include <limits>

namespace quorvane::text {

namespace {

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
}

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

}  // namespace

std::optional<QString> PartAfter(const QString& text, const QString& marker) {
    const qsizetype at = text.indexOf(marker);
    if (marker.isEmpty() || at < 0) {
        return std::nullopt;
    }
    const qsizetype from = at + marker.size();
    const qsizetype next = text.indexOf(marker, from);
    return next < 0 ? text.mid(from) : text.mid(from, next - from);
}

std::optional<QString> PartBefore(const QString& text, const QString& sep) {
    if (text.isEmpty()) {
        return std::nullopt;
    }
    const qsizetype at = sep.isEmpty() ? -1 : text.indexOf(sep);
    return at < 0 ? text : text.left(at);
}

double leadingNumber(QStringView text) {
    // Collect sign, digits, one decimal point and an exponent, skipping blanks anywhere.
    QByteArray digits;
    bool seenDigit = false;
    bool seenPoint = false;
    bool seenExponent = false;
    bool exponentDigit = false;
    qsizetype i = 0;
    const qsizetype n = text.size();
    auto skipBlanks = [&] {
        while (i < n && isBlank(text[i])) {
            ++i;
        }
    };
    skipBlanks();
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        digits.append(static_cast<char>(text[i].unicode()));
        ++i;
    }
    for (; i < n; ++i) {
        const QChar c = text[i];
        if (isBlank(c)) {
            continue;
        }
        if (isDigit(c)) {
            digits.append(static_cast<char>(c.unicode()));
            (seenExponent ? exponentDigit : seenDigit) = true;
        } else if (c == u'.' && !seenPoint && !seenExponent) {
            digits.append('.');
            seenPoint = true;
        } else if ((c == u'e' || c == u'E' || c == u'd' || c == u'D') && seenDigit && !seenExponent) {
            // An exponent counts only when digits follow it.
            qsizetype j = i + 1;
            while (j < n && isBlank(text[j])) {
                ++j;
            }
            if (j < n && (text[j] == u'+' || text[j] == u'-')) {
                ++j;
            }
            while (j < n && isBlank(text[j])) {
                ++j;
            }
            if (j >= n || !isDigit(text[j])) {
                break;
            }
            digits.append('e');
            seenExponent = true;
            ++i;
            skipBlanks();
            if (i < n && (text[i] == u'+' || text[i] == u'-')) {
                digits.append(static_cast<char>(text[i].unicode()));
            } else {
                --i;
            }
        } else {
            break;
        }
    }
    if (!seenDigit) {
        return 0.0;
    }
    bool ok = false;
    const double value = QLocale::c().toDouble(QString::fromLatin1(digits), &ok);
    if (!ok) {
        // Out of range. Too small a number reads 0 (the conversion gives 0 for it); too large
        // a one reads infinite, the sign deciding the direction.
        if (value == 0.0) {
            return 0.0;
        }
        return digits.startsWith('-') ? -std::numeric_limits<double>::infinity()
                                      : std::numeric_limits<double>::infinity();
    }
    return value;
}

namespace {

// Length of a run of ASCII digits starting at i.
qsizetype digitRun(QStringView text, qsizetype i) {
    qsizetype j = i;
    while (j < text.size() && isDigit(text[j])) {
        ++j;
    }
    return j - i;
}

// Where the grouped integer part starting at i ends: after a first run of one to three digits, every
// "," followed by exactly three digits belongs to it.
qsizetype groupedEnd(QStringView text, qsizetype i) {
    const qsizetype first = digitRun(text, i);
    qsizetype end = i + first;
    while (first <= 3 && end + 4 <= text.size() && text[end] == u',' && digitRun(text, end + 1) == 3) {
        end += 4;
    }
    return end;
}

}  // namespace

double leadingGroupedNumber(QStringView text) {
    qsizetype i = 0;
    while (i < text.size() && isBlank(text[i])) {
        ++i;
    }
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        ++i;
    }
    const qsizetype end = groupedEnd(text, i);
    if (end - i <= 3 || !text.sliced(i, end - i).contains(u',')) {
        return leadingNumber(text);
    }
    QString plain = text.first(end).toString();
    plain.remove(u',');
    plain.append(text.sliced(end));
    return leadingNumber(plain);
}

std::optional<double> cellNumber(QStringView text) {
    const QStringView cell = text.trimmed();
    qsizetype i = 0;
    if (i < cell.size() && (cell[i] == u'+' || cell[i] == u'-')) {
        ++i;
    }
    const qsizetype first = digitRun(cell, i);
    if (first == 0) {
        return std::nullopt;
    }
    qsizetype end = groupedEnd(cell, i);
    if (end < cell.size() && cell[end] == u'.') {
        const qsizetype fraction = digitRun(cell, end + 1);
        if (fraction == 0) {
            return std::nullopt;
        }
        end += 1 + fraction;
    }
    if (end != cell.size()) {
        return std::nullopt;
    }
    QString plain = cell.toString();
    plain.remove(u',');
    bool ok = false;
    const double value = QLocale::c().toDouble(plain, &ok);
    return ok ? std::optional<double>(value) : std::nullopt;
}

std::optional<double> wholeNumber(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) {
        return std::nullopt;
    }
    bool ok = false;
    double value = QLocale::system().toDouble(trimmed, &ok);
    if (!ok) {
        // The C locale's grouping is accepted too, so "1,003" works under a C or POSIX locale.
        value = QLocale::c().toDouble(trimmed, &ok);
    }
    if (!ok || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

qint64 roundHalfEven(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    const double kMax = std::ldexp(1.0, 63);  // first double above the 64-bit range
    if (value >= kMax) {
        return std::numeric_limits<qint64>::max();
    }
    if (value <= -kMax) {
        return std::numeric_limits<qint64>::min();
    }
    const double floorValue = std::floor(value);
    const double diff = value - floorValue;
    double result = floorValue;
    if (diff > 0.5 || (diff == 0.5 && std::fmod(floorValue, 2.0) != 0.0)) {
        result = floorValue + 1.0;
    }
    return static_cast<qint64>(result);
}

bool isCount(QStringView text) {
    const QStringView cell = text.trimmed();
    if (cell.isEmpty() || !cell.front().isDigit() || !cell.back().isDigit()) {
        return false;
    }
    return std::all_of(cell.begin(), cell.end(),
                       [](QChar c) { return (c >= u'0' && c <= u'9') || c == u','; });
}

bool isCountRange(QStringView text) {
    const qsizetype tilde = text.indexOf(u'~');
    return tilde > 0 && isCount(text.first(tilde)) && isCount(text.sliced(tilde + 1));
}

bool isDate(QStringView text) {
    const QStringView cell = text.trimmed();
    const QChar sep = cell.size() > 4 ? cell[4] : QChar();
    if (sep != u'-' && sep != u'/') {
        return false;
    }
    const QList<QStringView> parts = cell.split(sep);
    if (parts.size() != 3 || parts[0].size() != 4 || parts[1].isEmpty() || parts[1].size() > 2 ||
        parts[2].isEmpty() || parts[2].size() > 2) {
        return false;
    }
    int fields[3] = {};
    for (int i = 0; i < 3; ++i) {
        for (const QChar c : parts[i]) {
            if (c < u'0' || c > u'9') {
                return false;
            }
        }
        fields[i] = parts[i].toInt();
    }
    return QDate(fields[0], fields[1], fields[2]).isValid();
}

}  // namespace quorvane::text
