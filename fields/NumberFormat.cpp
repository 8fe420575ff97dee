#include "fields/NumberFormat.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string_view>

namespace korvane {

namespace {
void AppendUnsigned(std::u16string& text, std::uint64_t v) {
    char16_t digits[20];
    int n = 0;
    do {
        digits[n++] = static_cast<char16_t>(u'0' + v % 10);
        v /= 10;
    } while (v != 0);
    while (n > 0) text += digits[--n];
}
// Writes 0.d1d2...dn x 10^exponent (digits without trailing zeros) in the general format:
// scientific when the exponent is above `precision` or below -3, fixed otherwise.
char* PutDigits(char* out, const char* digits, int n, int exponent, int precision, bool negative, char separator) {
    if (negative) *out++ = '-';
    if (exponent > precision || exponent < -3) {
        *out++ = digits[0];
        if (n > 1) {
            *out++ = separator;
            for (int i = 1; i < n; ++i) *out++ = digits[i];
        }
        *out++ = 'E';
        const int e = exponent - 1;
        if (e < 0) *out++ = '-';
        return std::to_chars(out, out + 8, std::abs(e)).ptr;
    }
    if (exponent <= 0) {
        *out++ = '0';
        *out++ = separator;
        for (int i = 0; i < -exponent; ++i) *out++ = '0';
        for (int i = 0; i < n; ++i) *out++ = digits[i];
        return out;
    }
    for (int i = 0; i < exponent; ++i) *out++ = i < n ? digits[i] : '0';
    if (n > exponent) {
        *out++ = separator;
        for (int i = exponent; i < n; ++i) *out++ = digits[i];
    }
    return out;
}

// The digits and exponent of integer / 10^scale (integer not zero).
int ScaledDigits(std::uint64_t integer, int scale, char* digits, int& exponent) {
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + integer % 10);
        integer /= 10;
    } while (integer != 0);
    std::reverse(digits, digits + n);
    exponent = n - scale;
    while (n > 1 && digits[n - 1] == '0') --n;
    return n;
}

}  // namespace

void AppendDecimal(std::u16string& text, std::int64_t value) {
    if (value < 0) {
        text += u'-';
        AppendUnsigned(text, 0 - static_cast<std::uint64_t>(value));
    } else {
        AppendUnsigned(text, static_cast<std::uint64_t>(value));
    }
}

std::size_t GeneralFloatText(char* text, double value, int precision, char separator) {
    char* const start = text;
    const auto put = [&](std::string_view s) {
        std::memcpy(text, s.data(), s.size());
        return s.size();
    };
    if (std::isnan(value)) return put("NAN");
    if (std::isinf(value)) return put(value < 0 ? "-INF" : "INF");
    if (value == 0) return put("0");
    // A value that a power of ten up to 10^7 makes a whole number below 10^15 has at most 15
    // digits; as a double is finer than 15 digits, those digits are its rounding to 15 (or
    // 19) digits. Values read from numeric fields are nearly always of this kind.
    if (precision == 15) {
        static constexpr double kScale[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7};
        const double magnitude = std::fabs(value);
        for (int k = 0; k < 8; ++k) {
            const double scaled = magnitude * kScale[k];
            if (scaled >= 1e15) break;
            if (scaled == std::floor(scaled)) {
                char digits[24];
                int exponent = 0;
                const int n = ScaledDigits(static_cast<std::uint64_t>(scaled), k, digits, exponent);
                return static_cast<std::size_t>(PutDigits(text, digits, n, exponent, precision, value < 0, separator) - start);
            }
        }
    }
    // The exact binary value rounded to `precision` digits, halves to even, as printf's %e.
    // When the shortest text that reads back as the value has no more digits than that, it
    // is that rounding already (a double is finer than 15 or more digits), and much cheaper.
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::scientific);
    const char* mark = std::find(buffer, result.ptr, 'e');
    const std::ptrdiff_t shortestDigits = (mark - buffer) - (mark - buffer > 1 ? 1 : 0);
    // Subnormal values carry fewer digits than that, so they always take the long way.
    if (shortestDigits > precision || std::fabs(value) < std::numeric_limits<double>::min())
        result = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::scientific, precision - 1);
    *result.ptr = '\0';
    char digits[32];
    int n = 0;
    const char* p = buffer;
    for (; *p && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9') digits[n++] = *p;
    const int exponent = std::atoi(p + 1) + 1;  // value = 0.d1d2... x 10^exponent
    while (n > 1 && digits[n - 1] == '0') --n;
    return static_cast<std::size_t>(PutDigits(text, digits, n, exponent, precision, value < 0, separator) - start);
}

std::size_t GeneralDigitsText(char* text, bool negative, const char* digits, int n, int exponent, char separator) {
    if (n == 0) {
        text[0] = '0';
        return 1;
    }
    return static_cast<std::size_t>(PutDigits(text, digits, n, exponent, 15, negative, separator) - text);
}

void AppendGeneralFloat(std::u16string& text, double value, int precision, char16_t decimalSeparator) {
    char ascii[kGeneralTextMax];
    const std::size_t n = GeneralFloatText(ascii, value, precision);
    for (std::size_t i = 0; i < n; ++i)
        text += ascii[i] == kGeneralSeparator ? decimalSeparator : static_cast<char16_t>(ascii[i]);
}

void AppendCurrency(std::u16string& text, std::int64_t value, char16_t decimalSeparator) {
    // Every amount has at most 15 integer digits and 4 decimals, so 19 significant digits
    // always hold it exactly: the text comes straight from the integer.
    const bool negative = value < 0;
    const std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    if (negative) text += u'-';
    AppendUnsigned(text, magnitude / 10000);
    std::uint64_t fraction = magnitude % 10000;
    if (fraction == 0) return;
    char16_t decimals[4];
    for (int i = 3; i >= 0; --i) {
        decimals[i] = static_cast<char16_t>(u'0' + fraction % 10);
        fraction /= 10;
    }
    int n = 4;
    while (decimals[n - 1] == u'0') --n;
    text += decimalSeparator;
    text.append(decimals, static_cast<std::size_t>(n));
}

}  // namespace korvane
