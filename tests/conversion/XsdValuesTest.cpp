// Values in XML Schema's lexical forms.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "conversion/XsdValues.h"

namespace korvane {
namespace {

TEST(XsdValues, ExactDecimalFromTheText) {
    const std::vector<std::pair<std::string, std::optional<std::string>>> cases = {
        {"1.5E3", "1500"},
        {"-0.50", "-0.5"},
        {"-0", "0"},
        {" 12.340 ", "12.34"},
        {".5", "0.5"},
        {"5.", "5"},
        {"+007", "7"},
        {"1e-3", "0.001"},
        {"123.456e1", "1234.56"},
        {"-0.000", "0"},
        {"0.000", "0"},
        {"100", "100"},
        {"12345678901234567890123.5", "12345678901234567890123.5"},
        {"-.25E+2", "-25"},
        {"1,5", std::nullopt},
        {"abc", std::nullopt},
        {"1E", std::nullopt},
        {"", std::nullopt},
        {"-", std::nullopt},
        {".", std::nullopt},
        {"1.2.3", std::nullopt},
        {"1 2", std::nullopt},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(ExactDecimal(text), expected) << text;
}

TEST(XsdValues, CurrencyAmounts) {
    const std::vector<std::pair<std::int64_t, std::string>> cases = {
        {123400, "12.34"},
        {30000, "3"},
        {-15000, "-1.5"},
        {1, "0.0001"},
        {0, "0"},
        {-1, "-0.0001"},
        {std::numeric_limits<std::int64_t>::min(), "-922337203685477.5808"},
        {std::numeric_limits<std::int64_t>::max(), "922337203685477.5807"},
    };
    for (const auto& [amount, text] : cases) EXPECT_EQ(CurrencyDecimal(amount), text) << amount;
}

TEST(XsdValues, ShortestDoubles) {
    const std::vector<std::pair<double, std::string>> cases = {
        {1.5, "1.5"},
        {1e-7, "1.0E-7"},
        {-0.0, "0"},
        {0.0, "0"},
        {1e300, "1.0E300"},
        {0.1, "0.1"},
        {1500.0, "1500"},
        {-2.5, "-2.5"},
        {1.2345678901234568e20, "123456789012345683968"},
        {1e22, "1.0E22"},
        {5e-324, "5.0E-324"},
        {std::numeric_limits<double>::quiet_NaN(), "NaN"},
        {std::numeric_limits<double>::infinity(), "INF"},
        {-std::numeric_limits<double>::infinity(), "-INF"},
    };
    for (const auto& [value, text] : cases) EXPECT_EQ(XsdDouble(value), text) << value;
}

TEST(XsdValues, DatesTimesAndBytes) {
    EXPECT_EQ(XsdDate(2024, 2, 29), "2024-02-29");
    EXPECT_EQ(XsdDate(999, 1, 1), "0999-01-01");
    const TDateTime day = DateTimeFromParts(DayNumberFromDate(1999, 12, 31), 0);
    EXPECT_EQ(XsdDateTime(day), "1999-12-31T00:00:00");
    EXPECT_EQ(XsdDateTime(DateTimeFromParts(DayNumberFromDate(1999, 12, 31), 30600000)), "1999-12-31T08:30:00");
    EXPECT_EQ(XsdDateTime(DateTimeFromParts(DayNumberFromDate(1999, 12, 31), 30600001)), "1999-12-31T08:30:00.001");
    const std::vector<std::pair<std::string, std::string>> base64 = {
        {"", ""},        {"f", "Zg=="},          {"fo", "Zm8="},
        {"foo", "Zm9v"}, {"foobar", "Zm9vYmFy"}, {std::string("\xFF\xFE\x00", 3), "//4A"}};
    for (const auto& [bytes, text] : base64)
        EXPECT_EQ(Base64({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}), text) << text;
}

}  // namespace
}  // namespace korvane
