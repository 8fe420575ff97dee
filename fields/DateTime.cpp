#include "fields/DateTime.h"

#include <array>
#include <cmath>
#include <ctime>

#include "platform/Settings.h"
#include "platform/TimeText.h"
#include "platform/Unicode.h"

namespace korvane {

namespace {
bool IsLeapYear(int y) {
    return y % 4 == 0 && (y % 100 != 0 || y % 400 == 0);
}

// Days from 1 March of year 0 in the proleptic Gregorian calendar (Howard Hinnant's method).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe);
}

// DaysFromCivil of 1 January of year 1, so that it becomes day 1.
const std::int64_t kCivilOfDayOne = DaysFromCivil(1, 1, 1) - 1;
}  // namespace

bool IsValidDate(int year, int month, int day) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
    const int last = kDays[month - 1] + (month == 2 && IsLeapYear(year) ? 1 : 0);
    return day <= last;
}

std::int32_t DayNumberFromDate(int year, int month, int day) {
    return static_cast<std::int32_t>(DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) -
                                     kCivilOfDayOne);
}

void DateFromDayNumber(std::int64_t dayNumber, int& year, int& month, int& day) {
    const std::int64_t z = dayNumber + kCivilOfDayOne;  // days from 1 March of year 0
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    year = static_cast<int>(y + (m <= 2));
    month = static_cast<int>(m);
    day = static_cast<int>(d);
}

TDateTime DateTimeFromParts(std::int64_t dayNumber, std::int64_t msOfDay) {
    const double date = static_cast<double>(dayNumber - kDateDelta);
    const double time = static_cast<double>(msOfDay) / static_cast<double>(kMsPerDay);
    // Before 30 December 1899 the time still counts forward from the day's start: -1.25 is
    // 29 December 1899, 06:00.
    return date >= 0 ? date + time : date - time;
}

void SplitDateTime(TDateTime value, std::int64_t& dayNumber, std::int64_t& msOfDay) {
    const double whole = std::trunc(value);
    std::int64_t ms = std::llround(std::fabs(value - whole) * static_cast<double>(kMsPerDay));
    std::int64_t days = static_cast<std::int64_t>(whole);
    if (ms >= kMsPerDay) {  // rounded up to the next day
        ms -= kMsPerDay;
        days += value >= 0 ? 1 : -1;
    }
    dayNumber = days + kDateDelta;
    msOfDay = ms;
}

namespace {
// Writes a number into `out`, padded to `width` with `pad` (none when pad is 0); returns the end.
char* PutNumber(char* out, int value, int width, char pad) {
    // The usual two zero-padded digits of a day or month.
    if (width == 2 && pad == '0' && value >= 0 && value < 100) {
        out[0] = static_cast<char>('0' + value / 10);
        out[1] = static_cast<char>('0' + value % 10);
        return out + 2;
    }
    char digits[16];
    int n = 0;
    unsigned v = static_cast<unsigned>(value < 0 ? -value : value);
    do {
        digits[n++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v != 0);
    if (value < 0) *out++ = '-';
    for (int i = n; i < width && pad != 0; ++i) *out++ = pad;
    while (n > 0) *out++ = digits[--n];
    return out;
}

}  // namespace

bool NumericPattern::Compile(const std::string& format) {
    FFormat = format;
    FCount = 0;
    FValid = false;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (FCount == kMaxSteps) return false;
        Step& step = FSteps[FCount++];
        const char c = format[i];
        if (c != '%') {
            if (static_cast<unsigned char>(c) >= 0x80) return false;
            step = {Part::Literal, c, 0};
            continue;
        }
        if (++i >= format.size()) return false;
        char pad = '0';
        if (format[i] == '-' || format[i] == '_') {
            pad = format[i] == '-' ? 0 : ' ';
            if (++i >= format.size()) return false;
        }
        switch (format[i]) {
            case 'd':
                step = {Part::Day, pad, 2};
                break;
            case 'e':
                step = {Part::Day, pad == '0' ? ' ' : pad, 2};
                break;
            case 'm':
                step = {Part::Month, pad, 2};
                break;
            case 'Y':
                step = {Part::Year, pad, 1};
                break;
            case 'H':
                step = {Part::Hour, pad, 2};
                break;
            case 'M':
                step = {Part::Minute, pad, 2};
                break;
            case 'S':
                step = {Part::Second, pad, 2};
                break;
            case '%':
                step = {Part::Literal, '%', 0};
                break;
            default:
                return false;
        }
    }
    FValid = true;
    return true;
}

char* NumericPattern::Put(char* out, const std::tm& tm) const {
    char* const limit = out + 112;
    for (std::size_t k = 0; k < FCount; ++k) {
        if (out > limit) return nullptr;
        const Step& step = FSteps[k];
        switch (step.part) {
            case Part::Literal:
                *out++ = step.character;
                break;
            case Part::Day:
                out = PutNumber(out, tm.tm_mday, step.width, step.character);
                break;
            case Part::Month:
                out = PutNumber(out, tm.tm_mon + 1, step.width, step.character);
                break;
            case Part::Year:
                out = PutNumber(out, tm.tm_year + 1900, step.width, step.character);
                break;
            case Part::Hour:
                out = PutNumber(out, tm.tm_hour, step.width, step.character);
                break;
            case Part::Minute:
                out = PutNumber(out, tm.tm_min, step.width, step.character);
                break;
            case Part::Second:
                out = PutNumber(out, tm.tm_sec, step.width, step.character);
                break;
        }
    }
    return out;
}

namespace {
// Writes `format`'s text of `tm` at `out` (room for 128 bytes); null for strftime's part.
// The date and time patterns each keep their compiled form while they stay the same.
char* PutNumericPattern(char* out, const std::string& format, const std::tm& tm) {
    thread_local std::array<NumericPattern, 2> compiled;
    thread_local std::size_t next = 0;
    NumericPattern* pattern = nullptr;
    for (NumericPattern& p : compiled)
        if (p.Format() == format) pattern = &p;
    if (!pattern) {
        pattern = &compiled[next];
        next = (next + 1) % compiled.size();
        pattern->Compile(format);
    }
    return pattern->Valid() ? pattern->Put(out, tm) : nullptr;
}

void AppendFormatted(const platform::PlatformSettings& regional, std::u16string& text, const std::string& format, std::tm& tm) {
    if (format.empty()) return;
    char ascii[kDateTimeTextMax];
    if (const char* end = PutNumericPattern(ascii, format, tm)) {
        text.append(static_cast<const char*>(ascii), end);
        return;
    }
    if (tm.tm_yday < 0)
        tm.tm_yday = DayNumberFromDate(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday) - DayNumberFromDate(tm.tm_year + 1900, 1, 1);
    // Names of months and days come from the settings' locale, whatever the thread's is.
    platform::AppendUtf16(text, platform::TimeText(format, tm, regional.timeLocale));
}

// The broken-down time of a TDateTime; false when it is no date (not finite, or too far).
bool BrokenDown(TDateTime value, std::tm& tm, std::int64_t& ms) {
    if (!std::isfinite(value) || std::fabs(value) > 1e9) return false;
    std::int64_t dayNumber = 0;
    SplitDateTime(value, dayNumber, ms);
    int year = 0, month = 0, day = 0;
    DateFromDayNumber(dayNumber, year, month, day);
    tm = {};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_wday = static_cast<int>(((dayNumber % 7) + 7) % 7);  // day 1 was a Monday
    tm.tm_yday = -1;                                           // computed by AppendFormatted when a pattern needs strftime
    tm.tm_hour = static_cast<int>(ms / 3600000);
    tm.tm_min = static_cast<int>(ms / 60000 % 60);
    tm.tm_sec = static_cast<int>(ms / 1000 % 60);
    return true;
}
}  // namespace

void AppendDateTimeText(const platform::PlatformSettings& regional, std::u16string& text, TDateTime value, bool withTime) {
    std::tm tm{};
    std::int64_t ms = 0;
    if (!BrokenDown(value, tm, ms)) return;
    AppendFormatted(regional, text, regional.shortDateFormat, tm);
    if (withTime && ms != 0) {
        text += u' ';
        AppendFormatted(regional, text, regional.longTimeFormat, tm);
    }
}

void AppendTimeText(const platform::PlatformSettings& regional, std::u16string& text, TDateTime value) {
    std::tm tm{};
    std::int64_t ms = 0;
    if (BrokenDown(value, tm, ms)) AppendFormatted(regional, text, regional.longTimeFormat, tm);
}

char* PutDateText(const platform::PlatformSettings& regional, char* out, int year, int month, int day) {
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_yday = -1;
    const std::string& format = regional.shortDateFormat;
    return format.empty() ? out : PutNumericPattern(out, format, tm);
}

char* PutDateTimeText(const platform::PlatformSettings& settings, char* out, TDateTime value, bool withTime) {
    std::tm tm{};
    std::int64_t ms = 0;
    if (!BrokenDown(value, tm, ms)) return out;
    if (settings.shortDateFormat.empty()) return nullptr;  // the time alone: the general way
    char* end = PutNumericPattern(out, settings.shortDateFormat, tm);
    if (!end || !withTime || ms == 0) return end;
    if (settings.longTimeFormat.empty()) return nullptr;
    *end++ = ' ';
    return PutNumericPattern(end, settings.longTimeFormat, tm);
}

}  // namespace korvane
