// Calendar arithmetic and the date and time text of the regional formats.
#include <gtest/gtest.h>

#include "fields/DateTime.h"
#include "tests/support/TestSupport.h"

namespace korvane {
namespace {

TEST(DateTime, DayNumbersAndDates) {
    EXPECT_EQ(DayNumberFromDate(1, 1, 1), 1);
    EXPECT_EQ(DayNumberFromDate(1899, 12, 30), kDateDelta);
    EXPECT_EQ(DayNumberFromDate(2024, 1, 1) - kDateDelta, 45292);
    for (std::int64_t day : {1LL, 59LL, 60LL, 693594LL, 730119LL, 3652059LL}) {
        int y = 0, m = 0, d = 0;
        DateFromDayNumber(day, y, m, d);
        EXPECT_EQ(DayNumberFromDate(y, m, d), day);
    }
    EXPECT_TRUE(IsValidDate(2024, 2, 29));
    EXPECT_FALSE(IsValidDate(2023, 2, 29));
    EXPECT_FALSE(IsValidDate(1900, 2, 29));
    EXPECT_TRUE(IsValidDate(2000, 2, 29));
    EXPECT_FALSE(IsValidDate(0, 1, 1));
    EXPECT_FALSE(IsValidDate(2024, 4, 31));
}

TEST(DateTime, SplitRoundsToTheMillisecond) {
    std::int64_t day = 0, ms = 0;
    SplitDateTime(DateTimeFromParts(739252, 30600000), day, ms);
    EXPECT_EQ(day, 739252);
    EXPECT_EQ(ms, 30600000);
    SplitDateTime(DateTimeFromParts(700000, 1), day, ms);
    EXPECT_EQ(ms, 1);
    // Before 30 December 1899 the time still counts forward from the day's start.
    EXPECT_EQ(DateTimeFromParts(kDateDelta - 1, kMsPerDay / 4), -1.25);
    SplitDateTime(-1.25, day, ms);
    EXPECT_EQ(day, kDateDelta - 1);
    EXPECT_EQ(ms, kMsPerDay / 4);
}

TEST(DateTime, TextFollowsTheRegionalPatterns) {
    struct Case {
        std::string date;
        std::string time;
        std::u16string expected;
    };
    const TDateTime value = DateTimeFromParts(DayNumberFromDate(2024, 3, 5), 8 * 3600000 + 7 * 60000 + 9000);
    // Three rounds, so that each pattern comes back after others took its compiled place.
    for (int round = 0; round < 3; ++round) {
        for (const Case& c :
             {Case{"%m/%d/%Y", "%H:%M:%S", u"03/05/2024 08:07:09"}, Case{"%-d.%-m.%Y", "%-H:%M:%S", u"5.3.2024 8:07:09"},
              Case{"%e.%m.%Y", "%H:%M", u" 5.03.2024 08:07"}, Case{"%Y-%m-%d", "%I:%M:%S %p", u"2024-03-05 08:07:09 AM"},
              Case{"%d %b %Y", "%T", u"05 Mar 2024 08:07:09"}, Case{"%_d/%_m/%Y", "%_H", u" 5/ 3/2024  8"}}) {
            platform::PlatformSettings s = test::DefaultTestSettings();
            s.shortDateFormat = c.date;
            s.longTimeFormat = c.time;
            std::u16string text;
            AppendDateTimeText(s, text, value, true);
            EXPECT_EQ(text, c.expected) << c.date << " " << c.time;
            // The ASCII forms give the same text, or leave it to strftime.
            char ascii[kDateTimeTextMax];
            if (const char* end = PutDateTimeText(s, ascii, value, true)) {
                EXPECT_EQ(std::u16string(static_cast<const char*>(ascii), end), c.expected) << c.date << " " << c.time;
            }
            std::u16string date;
            AppendDateTimeText(s, date, value, false);
            if (const char* end = PutDateText(s, ascii, 2024, 3, 5)) {
                EXPECT_EQ(std::u16string(static_cast<const char*>(ascii), end), date) << c.date;
            }
        }
    }
    std::u16string midnight;
    AppendDateTimeText(test::DefaultTestSettings(), midnight, 0, true);
    EXPECT_EQ(midnight, u"12/30/1899");
}

}  // namespace
}  // namespace korvane
