// The system's settings a conversion reads with: code pages, locale, line breaks and regional
// formats. A value: each program reads it from its locale once at start and hands it to every
// conversion, so conversions on several threads may each have their own.
#pragma once

#include <cstdint>
#include <string>

namespace korvane::platform {

struct PlatformSettings {
    std::uint32_t ansiCodePage = 1250;  // the system's 8-bit code page
    std::uint32_t oemCodePage = 852;    // the DOS code page of the same region
    std::uint32_t userLocale = 0x0405;  // Czech
    bool crlfLineBreak = true;
    // Regional settings of the user: strftime patterns and the decimal separator.
    char16_t decimalSeparator = u'.';
    std::string shortDateFormat = "%m/%d/%Y";
    std::string longTimeFormat = "%H:%M:%S";
    // The locale whose names (months, days, AM and PM) the patterns show; empty: the C locale.
    std::string timeLocale;
};

// The settings with the regional ones read from the process locale (after
// setlocale(LC_ALL, "")): RADIXCHAR, D_FMT and T_FMT, a two-digit year widened to four digits,
// and the LC_TIME locale's name.
PlatformSettings SettingsFromLocale();

// "%y" (with any flags or width) becomes "%Y", so that no date loses its century.
std::string WidenYear(const std::string& format);

// A Windows date or time pattern ("d. M. yyyy", "H:mm:ss", "hh:mm tt") as a strftime pattern
// ("%-d. %-m. %Y", "%-H:%M:%S", "%I:%M %p"): a year of any width is written whole, an era
// ("g") is left out, quoted text stays as it is.
std::string PatternFromWindows(const std::string& pattern);

}  // namespace korvane::platform
