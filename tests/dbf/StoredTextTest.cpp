// The quick readings of stored text against the plain ones they stand for: bounds found sixteen
// bytes at a time, decimal digits read without a double, whole numbers without overflow checks.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "dbf/FieldValue.h"
#include "dbf/NumberText.h"
#include "fields/NumberFormat.h"

namespace korvane::dbf {
namespace {

std::span<const std::uint8_t> Span(const std::string& s, std::size_t length) {
    return {reinterpret_cast<const std::uint8_t*>(s.data()), length};
}

TEST(StoredText, PaddedBoundsAreThePlainOnes) {
    std::mt19937 rng(11);
    const std::string alphabet = std::string(" \0a\xC8", 4);
    for (std::size_t length : std::vector<std::size_t>{0, 1, 7, 8, 9, 15, 16, 17, 31, 32, 33, 63, 64, 65, 80, 130}) {
        for (int round = 0; round < 400; ++round) {
            std::string field(length, ' ');
            // Runs of one byte, so that blank and zero stretches of every length occur.
            for (std::size_t i = 0; i < length;) {
                const char c = alphabet[rng() % alphabet.size()];
                for (std::size_t run = 1 + rng() % 12; run > 0 && i < length; --run) field[i++] = c;
            }
            const std::string padded = field + std::string(16, 'x');  // bytes past the field that must not count
            const auto bytes = Span(padded, length);
            for (TFieldType kind : {ftString, ftFloat}) {
                const auto plain = TrimmedText(bytes, kind), quick = TrimmedTextPadded(bytes, kind);
                ASSERT_EQ(quick.data(), plain.data()) << length << " " << round;
                ASSERT_EQ(quick.size(), plain.size()) << length << " " << round;
            }
            const auto plain = BeforeZeroByte(TrimmedText(bytes, ftString)), quick = CharacterTextPadded(bytes);
            ASSERT_EQ(quick.data(), plain.data()) << length << " " << round;
            ASSERT_EQ(quick.size(), plain.size()) << length << " " << round;
        }
    }
}

// Whenever the digits are read, they are the general format's digits of the parsed double.
TEST(StoredText, DecimalDigitsAreThoseOfTheParsedValue) {
    std::mt19937 rng(5);
    const auto digits = [&](int n) {
        std::string s;
        for (int i = 0; i < n; ++i) s += static_cast<char>('0' + rng() % 10);
        return s;
    };
    std::vector<std::string> texts = {"0",
                                      "-0",
                                      "-0.0",
                                      ".5",
                                      "5.",
                                      "+5",
                                      "0.0001",
                                      "0.00001",
                                      "1e5",
                                      "1E-3",
                                      "1.5e",
                                      "-",
                                      ".",
                                      "1.2.3",
                                      "1 2",
                                      " 7",
                                      "12345678901234.5",
                                      "123456789012345.6",
                                      "0.000000000000000000000001",
                                      "1" + std::string(200, '0')};
    for (int round = 0; round < 20000; ++round) {
        std::string t;
        if (rng() % 4 == 0) t += rng() % 2 ? '-' : '+';
        t += std::string(rng() % 3, '0') + digits(static_cast<int>(rng() % 12));
        if (rng() % 2) t += "." + digits(static_cast<int>(rng() % 10)) + std::string(rng() % 3, '0');
        if (rng() % 8 == 0) t += "E" + std::string(rng() % 2 ? "-" : "") + digits(1 + static_cast<int>(rng() % 2));
        texts.push_back(t);
    }
    int read = 0;
    for (const std::string& t : texts) {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(t.data());
        DecimalDigits d;
        if (!ParseDecimalDigits(bytes, t.size(), d)) continue;
        ++read;
        double value = 0;
        ASSERT_TRUE(ParseDecimal(bytes, t.size(), value)) << t;
        char expected[kGeneralTextMax], got[kGeneralTextMax];
        const std::size_t n = GeneralFloatText(expected, value, 15);
        const std::size_t m = GeneralDigitsText(got, d.negative, d.digits, d.count, d.exponent);
        ASSERT_EQ(std::string(got, m), std::string(expected, n)) << t;
    }
    EXPECT_GT(read, 15000);  // the usual shapes are read directly
}

TEST(StoredText, WholeNumbersAroundTheEighteenDigitShortcut) {
    struct Case {
        const char* text;
        bool ok;
        std::int64_t value;
    };
    const std::vector<Case> cases = {
        {"999999999999999999", true, 999999999999999999},
        {"-999999999999999999", true, -999999999999999999},
        {"9223372036854775807", true, INT64_MAX},
        {"-9223372036854775808", true, INT64_MIN},
        {"9223372036854775808", false, 0},
        {"0000000000000000000001", true, 1},
        {"-0", true, 0},
        {"+17", true, 17},
        {"12a", false, 0},
        {"-", false, 0},
        {"1 ", false, 0},
        {"  42", true, 42},
    };
    for (const Case& c : cases) {
        std::int64_t v = 0;
        EXPECT_EQ(ParseIntegerDigits(reinterpret_cast<const std::uint8_t*>(c.text), std::strlen(c.text), v), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(v, c.value) << c.text;
        }
    }
}

}  // namespace
}  // namespace korvane::dbf
