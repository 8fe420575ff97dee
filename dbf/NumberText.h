// Parsing numbers and dates stored as text in table fields ("." is the only decimal separator).
#pragma once

#include <cstddef>
#include <cstdint>

namespace korvane::dbf {

// Decimal text of up to 255 characters: blanks, a sign, digits with an optional fraction,
// an optional exponent. False when it is not a number or overflows.
[[nodiscard]] bool ParseDecimal(const std::uint8_t* text, std::size_t length, double& value);
// Integer text only: blanks, an optional sign, digits that fit 64 bits; false otherwise.
[[nodiscard]] bool ParseIntegerDigits(const std::uint8_t* text, std::size_t length, std::int64_t& value);
// Integer text; on failure the decimal form is tried and rounded (halves to even).
[[nodiscard]] bool ParseInt64(const std::uint8_t* text, std::size_t length, std::int64_t& value);
// The 32-bit form: stores the value when it fits, else `fallback` (and answers false);
// leaves `value` alone when the text is no number.
[[nodiscard]] bool ParseInt32(const std::uint8_t* text, std::size_t length, std::int32_t fallback, std::int32_t& value);

}  // namespace korvane::dbf
