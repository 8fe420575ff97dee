// TDateTime: days since 30 December 1899 as the integer part, the time of day as the fraction.
#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <string>

#include "platform/Settings.h"

namespace korvane {

using TDateTime = double;

constexpr std::int32_t kDateDelta = 693594;  // day number (1 January of year 1 = 1) of 30 December 1899
constexpr std::int64_t kMsPerDay = 86400000;

bool IsValidDate(int year, int month, int day);
// Day number counted from 1 January of year 1 as day 1; the date must be valid.
std::int32_t DayNumberFromDate(int year, int month, int day);
void DateFromDayNumber(std::int64_t dayNumber, int& year, int& month, int& day);

// A TDateTime from a day number (1 January of year 1 = 1) and a millisecond of the day.
TDateTime DateTimeFromParts(std::int64_t dayNumber, std::int64_t msOfDay);
// The day number and the millisecond of the day of a TDateTime, rounded to the millisecond.
void SplitDateTime(TDateTime value, std::int64_t& dayNumber, std::int64_t& msOfDay);

// A regional date or time pattern of numbers and ASCII only (%d %e %m %Y %H %M %S %%, with
// the - and _ flags), compiled once into its steps; other patterns are strftime's part.
class NumericPattern {
public:
    // False (and not Valid) when the pattern needs more than numbers and ASCII.
    bool Compile(const std::string& format);
    const std::string& Format() const { return FFormat; }
    bool Valid() const { return FValid; }
    // Writes the text of `tm` at `out`, which has room for 128 bytes, and returns its end;
    // null for text that grows past 112 characters (strftime's part too).
    char* Put(char* out, const std::tm& tm) const;

private:
    enum class Part : std::uint8_t { Literal, Day, Month, Year, Hour, Minute, Second };
    struct Step {
        Part part;
        char character;  // the literal, or the pad of a number (0: none)
        int width;
    };
    static constexpr std::size_t kMaxSteps = 128;
    std::string FFormat;
    std::array<Step, kMaxSteps> FSteps{};
    std::size_t FCount = 0;
    bool FValid = false;
};

// Appends a date (and, when the time is not midnight and `withTime` is set, a space and
// the time) in the regional formats.
void AppendDateTimeText(const platform::PlatformSettings& regional, std::u16string& text, TDateTime value, bool withTime);
// Appends the time of day of a value in the regional long time format.
void AppendTimeText(const platform::PlatformSettings& regional, std::u16string& text, TDateTime value);
// The same text written as ASCII at `out`, which has room for kDateTimeTextMax bytes; returns
// its end, or null when the regional formats need more than numbers and ASCII (the text is
// then AppendDateTimeText's).
constexpr std::size_t kDateTimeTextMax = 256;
char* PutDateTimeText(const platform::PlatformSettings& regional, char* out, TDateTime value, bool withTime);
// The same for a valid date given as its parts.
char* PutDateText(const platform::PlatformSettings& regional, char* out, int year, int month, int day);

}  // namespace korvane
