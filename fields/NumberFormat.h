// Number text for output: decimal integers, the general format, currency amounts.
#pragma once

#include <cstdint>
#include <string>

namespace korvane {

void AppendDecimal(std::u16string& text, std::int64_t value);
// At most `precision` significant digits, trailing zeros removed; scientific form when the
// decimal exponent is above `precision` or below -3.
void AppendGeneralFloat(std::u16string& text, double value, int precision, char16_t decimalSeparator);
// A currency amount held as value x 10,000: at most four decimals, no trailing zeros.
void AppendCurrency(std::u16string& text, std::int64_t value, char16_t decimalSeparator);

}  // namespace korvane
