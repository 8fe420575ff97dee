#include "dbf/NumberText.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "platform/CNumbers.h"

namespace korvane::dbf {

namespace {
constexpr std::size_t kDecimalBufferSize = 256;

bool IsDigit(std::uint8_t c) {
    return c >= '0' && c <= '9';
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
// The significant digits of decimal text and its power of ten: the number is
// mantissa x 10^scale. False for text with more than 15 significant digits.
struct DecimalParts {
    bool negative = false;
    std::uint64_t mantissa = 0;
    int digits = 0;
    int scale = 0;
};

bool ScanDecimal(const char* s, DecimalParts& parts) {
    std::size_t i = 0;
    while (s[i] == ' ') ++i;
    if (s[i] == '+' || s[i] == '-') parts.negative = s[i++] == '-';
    bool fraction = false;
    for (;; ++i) {
        const char c = s[i];
        if (c == '.') {
            fraction = true;
            continue;
        }
        if (c < '0' || c > '9') break;
        if (parts.mantissa == 0 && c == '0') {
            if (fraction) --parts.scale;
            continue;
        }
        if (++parts.digits > 15) return false;
        parts.mantissa = parts.mantissa * 10 + static_cast<std::uint64_t>(c - '0');
        if (fraction) --parts.scale;
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
        parts.scale += negativeExponent ? -exponent : exponent;
    }
    // A power of ten beyond 10^22 is no exact double: such text takes the long way.
    return parts.mantissa == 0 || (parts.scale <= 22 && parts.scale >= -22);
}

// Text with at most 15 significant digits and a small power of ten converts exactly with one
// multiplication or division of two exact doubles, which rounds correctly; other text goes
// to strtod.
double FastDecimal(const DecimalParts& parts) {
    static constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                         1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    double v = static_cast<double>(parts.mantissa);
    if (parts.mantissa != 0) v = parts.scale >= 0 ? v * kPowers[parts.scale] : v / kPowers[-parts.scale];
    return parts.negative ? -v : v;
}

// Copies numeric text into `buffer` (a zero byte inside the text ends it) and checks its
// grammar. Numeric fields are at most 255 bytes wide, and the whole width may hold the number.
bool DecimalTextInBuffer(const std::uint8_t* text, std::size_t length, char (&buffer)[kDecimalBufferSize]) {
    if (length >= kDecimalBufferSize) return false;
    std::memcpy(buffer, text, length);
    buffer[length] = '\0';
    return IsDecimalText(buffer);
}

}  // namespace

bool ParseDecimal(const std::uint8_t* text, std::size_t length, double& value) {
    char buffer[kDecimalBufferSize];
    if (!DecimalTextInBuffer(text, length, buffer)) return false;
    if (DecimalParts parts; ScanDecimal(buffer, parts)) {
        value = FastDecimal(parts);
        return true;
    }
    const double v = platform::StrToDoubleC(buffer);
    if (!std::isfinite(v)) return false;
    value = v;
    return true;
}

bool ParseDecimalDigits(const std::uint8_t* text, std::size_t length, DecimalDigits& digits) {
    digits.negative = false;
    digits.count = 0;
    // The usual shape, [sign]digits[.digits], is read in one pass; other text (blanks, an
    // exponent, a zero byte, too many digits) takes the general grammar below.
    if (length > 0 && length < kDecimalBufferSize) {
        std::size_t i = 0;
        if (text[0] == '+' || text[0] == '-') digits.negative = text[i++] == '-';
        bool fraction = false, simple = true, any = false;
        int scale = 0, significant = 0;
        for (; i < length && simple; ++i) {
            const std::uint8_t c = text[i];
            if (c == '.' && !fraction) {
                fraction = true;
            } else if (IsDigit(c)) {
                any = true;
                if (fraction) --scale;
                if (significant == 0 && c == '0') continue;
                if (significant == 15)
                    simple = false;
                else
                    digits.digits[significant++] = static_cast<char>(c);
            } else {
                simple = false;
            }
        }
        if (simple && any && (significant == 0 || scale >= -22)) {
            digits.exponent = significant + scale;
            while (significant > 0 && digits.digits[significant - 1] == '0') --significant;
            digits.count = significant;
            return true;
        }
        digits.negative = false;
    }
    char buffer[kDecimalBufferSize];
    DecimalParts parts;
    if (!DecimalTextInBuffer(text, length, buffer) || !ScanDecimal(buffer, parts)) return false;
    digits.negative = parts.negative;
    digits.exponent = parts.digits + parts.scale;
    if (parts.mantissa == 0) return true;
    // The mantissa's digits, without its trailing zeros.
    char reversed[16];
    int n = 0;
    for (std::uint64_t m = parts.mantissa; m != 0; m /= 10) reversed[n++] = static_cast<char>('0' + m % 10);
    int skip = 0;
    while (reversed[skip] == '0') ++skip;
    for (int k = n - 1; k >= skip; --k) digits.digits[digits.count++] = reversed[k];
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
    if (length - i <= 18) {
        // Up to 18 digits cannot overflow: no checks per digit.
        std::int64_t v = 0;
        for (; i < length; ++i) {
            if (!IsDigit(text[i])) return false;
            v = v * 10 + (text[i] - '0');
        }
        value = pendingMinus ? -v : v;
        return true;
    }
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

bool IsBlankNumberText(const std::uint8_t* text, std::size_t length) {
    int signs = 0, points = 0;
    for (std::size_t i = 0; i < length; ++i) {
        const std::uint8_t c = text[i];
        if (c == '+' || c == '-')
            ++signs;
        else if (c == '.')
            ++points;
        else if (c != ' ')
            return false;
    }
    return signs <= 1 && points <= 1;
}

}  // namespace korvane::dbf
