// Parsing numbers and dates stored as text in table fields ("." is the only decimal separator).
#pragma once

#include <cstddef>
#include <cstdint>

namespace korvane::dbf {

// Decimal text of up to 255 characters: blanks, a sign, digits with an optional fraction,
// an optional exponent. False when it is not a number or overflows.
[[nodiscard]] bool ParseDecimal(const std::uint8_t* text, std::size_t length, double& value);

// A number as its significant digits: (-)0.d1d2...dn x 10^exponent, no trailing zeros; no
// digits is zero.
struct DecimalDigits {
    bool negative = false;
    char digits[16] = {};
    int count = 0;
    int exponent = 0;
};
// The digits of decimal text whose ParseDecimal value they are exactly: text with at most 15
// significant digits and a power of ten within 10^-22 to 10^22, which every double
// distinguishes. False for other text, whether or not it is a number.
[[nodiscard]] bool ParseDecimalDigits(const std::uint8_t* text, std::size_t length, DecimalDigits& digits);
// Integer text only: blanks, an optional sign, digits that fit 64 bits; false otherwise.
[[nodiscard]] bool ParseIntegerDigits(const std::uint8_t* text, std::size_t length, std::int64_t& value);
// Integer text; on failure the decimal form is tried and rounded (halves to even).
[[nodiscard]] bool ParseInt64(const std::uint8_t* text, std::size_t length, std::int64_t& value);
// The 32-bit form: stores the value when it fits, else `fallback` (and answers false);
// leaves `value` alone when the text is no number.
[[nodiscard]] bool ParseInt32(const std::uint8_t* text, std::size_t length, std::int32_t fallback, std::int32_t& value);
// Text made only of blanks, at most one sign and at most one point ("   .   ", the empty
// number of some programs): no number, and no damaged one either.
[[nodiscard]] bool IsBlankNumberText(const std::uint8_t* text, std::size_t length);

}  // namespace korvane::dbf
