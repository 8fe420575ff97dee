// Number text: decimal integers, the general format with 15 digits, currency amounts.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "fields/NumberFormat.h"

namespace korvane {
namespace {

struct FloatCase {
    double value;
    std::u16string text;
};

void PrintTo(const FloatCase& c, std::ostream* os) {
    *os << c.value;
}

class GeneralFormatTest : public ::testing::TestWithParam<FloatCase> {};

TEST_P(GeneralFormatTest, FifteenSignificantDigits) {
    std::u16string text;
    AppendGeneralFloat(text, GetParam().value, 15, u'.');
    EXPECT_EQ(text, GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Values, GeneralFormatTest,
    ::testing::Values(FloatCase{0, u"0"}, FloatCase{-0.0, u"0"}, FloatCase{1234.5, u"1234.5"}, FloatCase{-2.5, u"-2.5"},
                      FloatCase{100, u"100"}, FloatCase{0.1, u"0.1"}, FloatCase{0.000123, u"0.000123"},
                      FloatCase{0.0001234, u"0.0001234"}, FloatCase{0.00001234, u"1.234E-5"}, FloatCase{0.00001, u"1E-5"},
                      FloatCase{1e16, u"1E16"}, FloatCase{1e15, u"1E15"}, FloatCase{123456789012345.0, u"123456789012345"},
                      FloatCase{1234567890123456.0, u"1.23456789012346E15"}, FloatCase{1.0 / 3, u"0.333333333333333"},
                      FloatCase{2.0 / 3, u"0.666666666666667"}, FloatCase{0.1 + 0.2, u"0.3"}, FloatCase{1e-300, u"1E-300"},
                      FloatCase{123.456789, u"123.456789"}, FloatCase{5e-324, u"4.94065645841247E-324"},
                      FloatCase{std::numeric_limits<double>::infinity(), u"INF"},
                      FloatCase{-std::numeric_limits<double>::infinity(), u"-INF"}, FloatCase{std::nan(""), u"NAN"}));

TEST(NumberFormat, DecimalIntegersAndCurrency) {
    struct Case {
        std::int64_t value;
        std::u16string decimal;
        std::u16string currency;
    };
    for (const Case& c : {Case{0, u"0", u"0"}, Case{-15000, u"-15000", u"-1.5"}, Case{123400, u"123400", u"12.34"},
                          Case{1, u"1", u"0.0001"}, Case{INT64_MIN, u"-9223372036854775808", u"-922337203685477.5808"},
                          Case{INT64_MAX, u"9223372036854775807", u"922337203685477.5807"}}) {
        std::u16string decimal, currency;
        AppendDecimal(decimal, c.value);
        AppendCurrency(currency, c.value, u'.');
        EXPECT_EQ(decimal, c.decimal);
        EXPECT_EQ(currency, c.currency);
    }
    std::u16string comma;
    AppendCurrency(comma, 30000, u',');
    AppendGeneralFloat(comma, 0.5, 15, u',');
    EXPECT_EQ(comma, u"30,5");
}

}  // namespace
}  // namespace korvane
