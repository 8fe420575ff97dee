#include "dbf/NumberText.h"

#include <locale.h>

#include <cerrno>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace korvane::dbf {

namespace {
constexpr std::size_t kDecimalBufferSize = 256;

bool IsDigit(std::uint8_t c) {
    return c >= '0' && c <= '9';
}

locale_t CLocale() {
    static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return c;
}

// Checks the grammar of decimal text: [blanks][sign](digits[.digits]|.digits)[(E|e)[sign]digits][blanks].
bool IsDecimalText(const char* s) {
    std::size_t i = 0;
    while (s[i] == ' ') ++i;
    if (s[i] == '+' || s[i] == '-') ++i;
    std::size_t digits = 0;
    while (IsDigit(static_cast<std::uint8_t>(s[i]))) ++i, ++digits;
    if (s[i] == '.') {
        ++i;
        while (IsDigit(static_cast<std::uint8_t>(s[i]))) ++i, ++digits;
    }
    if (digits == 0) return false;
    if (s[i] == 'E' || s[i] == 'e') {
        ++i;
        if (s[i] == '+' || s[i] == '-') ++i;
        std::size_t exponentDigits = 0;
        while (IsDigit(static_cast<std::uint8_t>(s[i]))) ++i, ++exponentDigits;
        if (exponentDigits == 0) return false;
    }
    while (s[i] == ' ') ++i;
    return s[i] == '\0';
}
// Text with at most 15 significant digits and a small power of ten converts exactly with one
// multiplication or division of two exact doubles, which rounds correctly; other text goes
// to strtod.
bool FastDecimal(const char* s, double& value) {
    static constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                         1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    std::size_t i = 0;
    while (s[i] == ' ') ++i;
    bool negative = false;
    if (s[i] == '+' || s[i] == '-') negative = s[i++] == '-';
    std::uint64_t mantissa = 0;
    int digits = 0;
    int scale = 0;
    bool fraction = false;
    for (;; ++i) {
        const char c = s[i];
        if (c == '.') {
            fraction = true;
            continue;
        }
        if (c < '0' || c > '9') break;
        if (mantissa == 0 && c == '0') {
            if (fraction) --scale;
            continue;
        }
        if (++digits > 15) return false;
        mantissa = mantissa * 10 + static_cast<std::uint64_t>(c - '0');
        if (fraction) --scale;
    }
    if (s[i] == 'E' || s[i] == 'e') {
        ++i;
        bool negativeExponent = false;
        if (s[i] == '+' || s[i] == '-') negativeExponent = s[i++] == '-';
        int exponent = 0;
        while (s[i] >= '0' && s[i] <= '9') {
            exponent = exponent * 10 + (s[i++] - '0');
            if (exponent > 400) return false;
        }
        scale += negativeExponent ? -exponent : exponent;
    }
    double v = static_cast<double>(mantissa);
    if (mantissa != 0) {
        if (scale > 22 || scale < -22) return false;
        v = scale >= 0 ? v * kPowers[scale] : v / kPowers[-scale];
    }
    value = negative ? -v : v;
    return true;
}

}  // namespace

bool ParseDecimal(const std::uint8_t* text, std::size_t length, double& value) {
    // Numeric fields are at most 255 bytes wide, and the whole width may hold the number.
    if (length >= kDecimalBufferSize) return false;
    char buffer[kDecimalBufferSize];
    std::memcpy(buffer, text, length);  // a zero byte inside the text ends it
    buffer[length] = '\0';
    if (!IsDecimalText(buffer)) return false;
    if (FastDecimal(buffer, value)) return true;
    errno = 0;
    char* end = nullptr;
    const double v = strtod_l(buffer, &end, CLocale());
    if (!std::isfinite(v)) return false;
    value = v;
    return true;
}

bool ParseIntegerDigits(const std::uint8_t* text, std::size_t length, std::int64_t& value) {
    std::size_t i = 0;
    while (i < length && text[i] == ' ') ++i;
    if (i == length) return false;
    bool negative = false;
    bool pendingMinus = false;
    if (text[i] == '+' || text[i] == '-') {
        pendingMinus = text[i] == '-';
        ++i;
    }
    if (i == length) return false;  // a sign alone is no number
    std::int64_t acc = 0;
    for (; i < length; ++i) {
        if (!IsDigit(text[i])) return false;
        const int digit = text[i] - '0';
        if (negative) {
            if (acc < (INT64_MIN + digit) / 10) return false;
            acc = acc * 10 - digit;
        } else {
            if (acc > (INT64_MAX - digit) / 10) return false;
            acc = acc * 10 + digit;
            // Negative numbers are built downwards from their first non-zero digit on.
            if (pendingMinus && acc != 0) {
                acc = -acc;
                negative = true;
                pendingMinus = false;
            }
        }
    }
    value = acc;
    return true;
}

bool ParseInt64(const std::uint8_t* text, std::size_t length, std::int64_t& value) {
    if (ParseIntegerDigits(text, length, value)) return true;
    std::size_t start = 0;
    while (start < length && text[start] == ' ') ++start;
    if (start == length) return false;
    double d = 0;
    if (!ParseDecimal(text + start, length - start, d)) return false;
    const double r = std::nearbyint(d);  // halves to even
    if (!(r >= -9223372036854775808.0 && r < 9223372036854775808.0)) return false;
    value = static_cast<std::int64_t>(r);
    return true;
}

bool ParseInt32(const std::uint8_t* text, std::size_t length, std::int32_t fallback, std::int32_t& value) {
    std::int64_t v = 0;
    if (!ParseInt64(text, length, v)) return false;
    if (v < INT32_MIN || v > INT32_MAX) {
        value = fallback;
        return false;
    }
    value = static_cast<std::int32_t>(v);
    return true;
}

}  // namespace korvane::dbf
