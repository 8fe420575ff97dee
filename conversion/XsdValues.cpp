#include "conversion/XsdValues.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace korvane {

namespace {
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
}  // namespace

std::optional<std::string> ExactDecimal(std::string_view text) {
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n && text[i] == ' ') ++i;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    // The digits without the point, and where the point stands among them.
    std::string digits;
    long long point = 0;
    bool seenPoint = false;
    for (; i < n; ++i) {
        if (IsDigit(text[i])) {
            digits += text[i];
            if (!seenPoint) ++point;
        } else if (text[i] == '.' && !seenPoint) {
            seenPoint = true;
        } else {
            break;
        }
    }
    if (digits.empty()) return std::nullopt;
    if (i < n && (text[i] == 'E' || text[i] == 'e')) {
        ++i;
        bool negativeExponent = false;
        if (i < n && (text[i] == '+' || text[i] == '-')) negativeExponent = text[i++] == '-';
        if (i >= n || !IsDigit(text[i])) return std::nullopt;
        long long exponent = 0;
        for (; i < n && IsDigit(text[i]); ++i) {
            // A number that large overflows any double: not a number, as the reader says.
            if (exponent > 100000) return std::nullopt;
            exponent = exponent * 10 + (text[i] - '0');
        }
        point += negativeExponent ? -exponent : exponent;
    }
    while (i < n && text[i] == ' ') ++i;
    if (i != n) return std::nullopt;
    // Leading and trailing zeros carry nothing.
    const std::size_t first = digits.find_first_not_of('0');
    if (first == std::string::npos) return std::string("0");
    point -= static_cast<long long>(first);
    digits.erase(0, first);
    digits.erase(digits.find_last_not_of('0') + 1);
    std::string out = negative ? "-" : "";
    const auto count = static_cast<long long>(digits.size());
    if (point <= 0) {
        out += "0.";
        out.append(static_cast<std::size_t>(-point), '0');
        out += digits;
    } else if (point >= count) {
        out += digits;
        out.append(static_cast<std::size_t>(point - count), '0');
    } else {
        out += digits.substr(0, static_cast<std::size_t>(point));
        out += '.';
        out += digits.substr(static_cast<std::size_t>(point));
    }
    return out;
}

namespace {
// Writes `v` as `width` digits (zeros in front) at `at`.
void Digits(char* at, int v, int width) {
    for (int k = width - 1; k >= 0; --k, v /= 10) at[k] = static_cast<char>('0' + v % 10);
}
}  // namespace

std::string CurrencyDecimal(std::int64_t amount) {
    // The magnitude as unsigned, so that the smallest amount has one too.
    const bool negative = amount < 0;
    const std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(amount) : static_cast<std::uint64_t>(amount);
    std::string out = (negative ? "-" : "") + std::to_string(magnitude / 10000);
    if (const auto fraction = static_cast<int>(magnitude % 10000); fraction != 0) {
        // Four decimals, the zeros at their end left out.
        char digits[5] = {'.'};
        Digits(digits + 1, fraction, 4);
        std::size_t length = 5;
        while (digits[length - 1] == '0') --length;
        out.append(digits, length);
    }
    return out;
}

std::string XsdDouble(double value) {
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
    if (value == 0) return "0";
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    std::string text(buffer, result.ptr);
    const std::size_t e = text.find('e');
    if (e == std::string::npos) return text;
    // "1e-07" becomes "1.0E-7": a point in the mantissa, the exponent without '+' or zeros.
    std::string mantissa = text.substr(0, e);
    if (mantissa.find('.') == std::string::npos) mantissa += ".0";
    int exponent = 0;
    std::from_chars(text.data() + e + 1 + (text[e + 1] == '+' ? 1 : 0), text.data() + text.size(), exponent);
    return mantissa + "E" + std::to_string(exponent);
}

std::string XsdDate(int year, int month, int day) {
    char text[32];
    if (year < 0 || year > 9999 || month < 0 || month > 99 || day < 0 || day > 99) {
        std::snprintf(text, sizeof text, "%04d-%02d-%02d", year, month, day);
        return text;
    }
    Digits(text, year, 4);
    text[4] = '-';
    Digits(text + 5, month, 2);
    text[7] = '-';
    Digits(text + 8, day, 2);
    return std::string(text, 10);
}

std::string XsdDateTime(TDateTime value) {
    std::int64_t dayNumber = 0, ms = 0;
    SplitDateTime(value, dayNumber, ms);
    int year = 0, month = 0, day = 0;
    DateFromDayNumber(dayNumber, year, month, day);
    return XsdDate(year, month, day) + "T" + XsdTime(value);
}

std::string XsdTime(TDateTime value) {
    std::int64_t dayNumber = 0, ms = 0;
    SplitDateTime(value, dayNumber, ms);
    char text[16];
    const auto h = static_cast<int>(ms / 3600000), m = static_cast<int>(ms / 60000 % 60), s = static_cast<int>(ms / 1000 % 60);
    const auto milli = static_cast<int>(ms % 1000);
    Digits(text, h % 100, 2);
    text[2] = ':';
    Digits(text + 3, m, 2);
    text[5] = ':';
    Digits(text + 6, s, 2);
    if (milli == 0) return std::string(text, 8);
    text[8] = '.';
    Digits(text + 9, milli, 3);
    return std::string(text, 12);
}

std::string ScaledDecimal(std::int64_t value, int decimals) {
    const bool negative = value < 0;
    // The magnitude as digits, with room for the decimals and a leading zero.
    std::string digits = std::to_string(value);
    if (negative) digits.erase(0, 1);
    if (decimals <= 0) return (negative ? "-" : "") + digits;
    if (digits.size() <= static_cast<std::size_t>(decimals))
        digits.insert(0, static_cast<std::size_t>(decimals) + 1 - digits.size(), '0');
    digits.insert(digits.size() - static_cast<std::size_t>(decimals), 1, '.');
    return (negative ? "-" : "") + digits;
}

std::string Base64(std::span<const std::uint8_t> bytes) {
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const std::uint32_t v =
            (static_cast<std::uint32_t>(bytes[i]) << 16) | (static_cast<std::uint32_t>(bytes[i + 1]) << 8) | bytes[i + 2];
        for (int k = 18; k >= 0; k -= 6) out += kAlphabet[(v >> k) & 63];
    }
    if (const std::size_t rest = bytes.size() - i; rest > 0) {
        const std::uint32_t v =
            (static_cast<std::uint32_t>(bytes[i]) << 16) | (rest == 2 ? static_cast<std::uint32_t>(bytes[i + 1]) << 8 : 0);
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += rest == 2 ? kAlphabet[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

}  // namespace korvane
