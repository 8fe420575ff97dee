// Number text for output: decimal integers, the general format, currency amounts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace korvane {

void AppendDecimal(std::u16string& text, std::int64_t value);
// At most `precision` significant digits, trailing zeros removed; scientific form when the
// decimal exponent is above `precision` or below -3.
void AppendGeneralFloat(std::u16string& text, double value, int precision, char16_t decimalSeparator);

// The same text in ASCII, with `separator` (by default kGeneralSeparator, to be replaced)
// where the decimal separator goes; `text` has room for kGeneralTextMax bytes. Returns the
// length. Precision is at most 17.
constexpr char kGeneralSeparator = '.';
constexpr std::size_t kGeneralTextMax = 32;
std::size_t GeneralFloatText(char* text, double value, int precision, char separator = kGeneralSeparator);
// The general format (precision 15) of a number given as its digits: (-)0.d1d2...dn x
// 10^exponent, at most 15 digits without trailing zeros; no digits is zero.
std::size_t GeneralDigitsText(char* text, bool negative, const char* digits, int n, int exponent,
                              char separator = kGeneralSeparator);
// A currency amount held as value x 10,000: at most four decimals, no trailing zeros.
void AppendCurrency(std::u16string& text, std::int64_t value, char16_t decimalSeparator);

}  // namespace korvane
