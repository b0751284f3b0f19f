// SPDX-License-Identifier: GPL-3.0-or-later
// Text cutting and the number rules.
// Input: "marker NUL text" cuts text at marker; without a NUL the whole input is the text and only
// the parsers' own markers are used. Every text is also read as a number.

#include "fuzz_support.h"
#include "text/textcut.h"

#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;
using quorvane::fuzz::require;
namespace text = quorvane::text;

namespace {

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
}

qsizetype firstNonBlank(const QString& s) {
    qsizetype i = 0;
    while (i < s.size() && isBlank(s[i])) {
        ++i;
    }
    return i;
}

// The exponent letter of the number that starts at start, if the number has one: scanned the
// way leadingNumber reads, over sign, digits, point and blanks.
qsizetype exponentAt(const QString& s, qsizetype start) {
    qsizetype i = start;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) {
        ++i;
    }
    while (i < s.size() && (isBlank(s[i]) || s[i] == u'.' || (s[i] >= u'0' && s[i] <= u'9'))) {
        ++i;
    }
    return i < s.size() && QStringView(u"eEdD").contains(s[i]) ? i : -1;
}

bool hasExponent(const QString& s, qsizetype start) {
    return exponentAt(s, start) >= 0;
}

bool negativeExponent(const QString& s, qsizetype start) {
    qsizetype i = exponentAt(s, start);
    if (i < 0) {
        return false;
    }
    ++i;
    while (i < s.size() && isBlank(s[i])) {
        ++i;
    }
    return i < s.size() && s[i] == u'-';
}

void checkCuts(const QString& s, const QString& marker) {
    const auto after = text::PartAfter(s, marker);
    const qsizetype at = marker.isEmpty() ? -1 : s.indexOf(marker);
    require(after.has_value() == (at >= 0), "PartAfter finds exactly the markers that occur");
    if (after) {
        require(s.mid(at + marker.size()).startsWith(*after),
                "PartAfter gives the text right after the marker");
        require(!after->contains(marker), "PartAfter stops at the next marker");
    }

    const auto before = text::PartBefore(s, marker);
    require(before.has_value() == !s.isEmpty(), "PartBefore fails only on an empty text");
    if (before) {
        require(s.startsWith(*before), "PartBefore gives a prefix");
        require(marker.isEmpty() || !before->contains(marker), "PartBefore stops at the first separator");
        require(before->size() == s.size() || s.mid(before->size()).startsWith(marker),
                "PartBefore stops only at a separator");
    }
}

void checkRounding(double value) {
    const qint64 rounded = text::roundHalfEven(value);
    if (std::isnan(value)) {
        require(rounded == 0, "NaN rounds to 0");
        return;
    }
    const double limit = std::ldexp(1.0, 63);
    if (value >= limit) {
        require(rounded == std::numeric_limits<qint64>::max(), "large values saturate high");
    } else if (value <= -limit) {
        require(rounded == std::numeric_limits<qint64>::min(), "large negative values saturate low");
    } else {
        // nearbyint rounds to nearest, ties to even, in the default rounding mode.
        require(rounded == static_cast<qint64>(std::nearbyint(value)), "ties go to the even neighbour");
    }
}

void checkNumbers(const QString& s) {
    const double value = text::leadingNumber(s);
    require(!std::isnan(value), "leadingNumber never gives NaN");

    const qsizetype start = firstNonBlank(s);
    const QChar first = start < s.size() ? s[start] : QChar();
    const bool signed_ = first == u'+' || first == u'-';
    const bool numberStart = signed_ || first == u'.' || (first >= u'0' && first <= u'9');
    if (!numberStart) {
        require(value == 0.0, "a text that cannot start a number reads 0");
    }
    if (!signed_) {
        // A minus in front flips the sign and changes nothing else.
        require(text::leadingNumber(QString(u'-' + s)) == -value, "a leading minus negates");
    }
    // A run of digits without exponent or point is read exactly while it fits a double exactly.
    qsizetype digits = 0;
    while (start + digits < s.size() && s[start + digits] >= u'0' && s[start + digits] <= u'9') {
        ++digits;
    }
    if (digits > 0 && digits <= 15) {
        const QChar next = start + digits < s.size() ? s[start + digits] : QChar();
        if (next != u'.' && next != u'e' && next != u'E' && next != u'd' && next != u'D' && !isBlank(next) &&
            !(next >= u'0' && next <= u'9')) {
            const double exact = s.mid(start, digits).toDouble();
            require(value == exact, "plain digits read as their value");
        }
    }
    if (std::isinf(value) && s.size() <= 300) {
        // Short of 300 characters only a positive exponent takes a number past the double range.
        require(hasExponent(s, start) && !negativeExponent(s, start), "only a large exponent reads infinite");
    }
    checkRounding(value);

    const auto whole = text::wholeNumber(s);
    if (whole) {
        require(std::isfinite(*whole), "wholeNumber gives only finite numbers");
        checkRounding(*whole);
    }
    const auto padded = text::wholeNumber(u" \t"_s + s + u"\n "_s);
    require(whole.has_value() == padded.has_value() && (!whole || *whole == *padded),
            "blanks around a whole number do not matter");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString input = quorvane::fuzz::textFrom(data, size);
    const qsizetype nul = input.indexOf(QChar(u'\0'));
    const QString s = nul < 0 ? input : input.mid(nul + 1);
    if (nul >= 0) {
        checkCuts(s, input.left(nul));
    }
    for (const QString& marker : {u"<"_s, u" "_s, u"个"_s, u"\r\n"_s}) {
        checkCuts(s, marker);
    }
    checkNumbers(s);
    if (size >= sizeof(double)) {
        double raw = 0;
        std::memcpy(&raw, data, sizeof raw);
        checkRounding(raw);
    }
    return 0;
}
