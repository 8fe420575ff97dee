// The process-wide platform settings: code pages, locale, line breaks and regional formats.
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
};

const PlatformSettings& Settings();
// Replaces the settings; tests use it to pin a configuration.
void SetSettings(const PlatformSettings& settings);

// Reads the regional settings from the process locale (after setlocale(LC_ALL, "")):
// RADIXCHAR, D_FMT and T_FMT, with a two-digit year widened to four digits.
void LoadRegionalSettingsFromLocale();

// "%y" (with any flags or width) becomes "%Y", so that no date loses its century.
std::string WidenYear(const std::string& format);

}  // namespace korvane::platform
