// Values in XML Schema's lexical forms, independent of the regional settings.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "fields/DateTime.h"

namespace korvane {

// The number that decimal text denotes ([blanks][sign](digits[.digits]|.digits)[(E|e)[sign]digits]
// [blanks]), written exactly as xs:decimal: an optional '-', no leading zeros but one before
// the point, the point only when a fraction is left, no trailing fraction zeros, no exponent
// ("1.5E3" is "1500", "-0.50" is "-0.5", "-0" is "0"). Nothing when the text is no number.
std::optional<std::string> ExactDecimal(std::string_view text);
// A currency amount held as the amount x 10,000, as xs:decimal.
std::string CurrencyDecimal(std::int64_t amountTimes10000);
// The shortest text that reads back to the same double, in xs:double's syntax: "1.5",
// "1.0E-7", "NaN", "INF", "-INF"; negative zero is "0".
std::string XsdDouble(double value);
// xs:date of a valid date: "2024-02-29" (years below 1000 padded to four digits).
std::string XsdDate(int year, int month, int day);
// xs:dateTime: "1999-12-31T08:30:00", with ".sss" when the millisecond is not zero.
std::string XsdDateTime(TDateTime value);
// The time of day of a value: 08:30:00, with milliseconds where there are any.
std::string XsdTime(TDateTime value);
// An integer over ten to the power of `decimals`, exactly: 1234 and 2 give 12.34.
std::string ScaledDecimal(std::int64_t value, int decimals);
std::string Base64(std::span<const std::uint8_t> bytes);

}  // namespace korvane
