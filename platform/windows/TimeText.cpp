// Dates and times with names, on Windows: the numbers are written here, the names of months
// and days and the AM and PM marks come from the named locale (GetLocaleInfoEx).
#include "platform/TimeText.h"

#include <windows.h>

#include <cstdio>

#include "platform/windows/WidePath.h"

namespace korvane::platform {

namespace {

std::string Name(const std::wstring& locale, LCTYPE what) {
    wchar_t buffer[128] = {};
    const int n = ::GetLocaleInfoEx(locale.empty() ? LOCALE_NAME_INVARIANT : locale.c_str(), what, buffer, 128);
    return n > 1 ? Narrow(std::wstring_view(buffer, static_cast<std::size_t>(n - 1))) : std::string();
}

void Number(std::string& out, int value, int width, char pad) {
    char text[16];
    if (pad == 0)
        std::snprintf(text, sizeof text, "%d", value);
    else if (pad == ' ')
        std::snprintf(text, sizeof text, "%*d", width, value);
    else
        std::snprintf(text, sizeof text, "%0*d", width, value);
    out += text;
}

}  // namespace

std::string TimeText(const std::string& format, const std::tm& tm, const std::string& timeLocale) {
    const std::wstring locale = Wide(timeLocale);
    // Monday is the first of Windows' day names, Sunday the first of tm_wday.
    const int weekday = (tm.tm_wday + 6) % 7;
    std::string out;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%' || i + 1 == format.size()) {
            out += format[i];
            continue;
        }
        char pad = '0';
        if (format[i + 1] == '-' || format[i + 1] == '_') pad = format[++i] == '-' ? 0 : ' ';
        if (i + 1 == format.size()) break;
        switch (format[++i]) {
            case 'd':
                Number(out, tm.tm_mday, 2, pad);
                break;
            case 'e':
                Number(out, tm.tm_mday, 2, pad == '0' ? ' ' : pad);
                break;
            case 'm':
                Number(out, tm.tm_mon + 1, 2, pad);
                break;
            case 'Y':
                Number(out, tm.tm_year + 1900, 1, pad);
                break;
            case 'y':
                Number(out, (tm.tm_year + 1900) % 100, 2, pad);
                break;
            case 'H':
                Number(out, tm.tm_hour, 2, pad);
                break;
            case 'I':
                Number(out, tm.tm_hour % 12 == 0 ? 12 : tm.tm_hour % 12, 2, pad);
                break;
            case 'M':
                Number(out, tm.tm_min, 2, pad);
                break;
            case 'S':
                Number(out, tm.tm_sec, 2, pad);
                break;
            case 'p':
                out += Name(locale, tm.tm_hour < 12 ? LOCALE_S1159 : LOCALE_S2359);
                break;
            case 'a':
                out += Name(locale, static_cast<LCTYPE>(LOCALE_SABBREVDAYNAME1 + weekday));
                break;
            case 'A':
                out += Name(locale, static_cast<LCTYPE>(LOCALE_SDAYNAME1 + weekday));
                break;
            case 'b':
                out += Name(locale, static_cast<LCTYPE>(LOCALE_SABBREVMONTHNAME1 + tm.tm_mon));
                break;
            case 'B':
                out += Name(locale, static_cast<LCTYPE>(LOCALE_SMONTHNAME1 + tm.tm_mon));
                break;
            case 'T':
                out += TimeText("%H:%M:%S", tm, timeLocale);
                break;
            case 'R':
                out += TimeText("%H:%M", tm, timeLocale);
                break;
            case 'D':
                out += TimeText("%m/%d/%y", tm, timeLocale);
                break;
            case 'F':
                out += TimeText("%Y-%m-%d", tm, timeLocale);
                break;
            case 'n':
                out += '\n';
                break;
            case 't':
                out += '\t';
                break;
            case '%':
                out += '%';
                break;
            default:
                out += '%';
                out += format[i];
        }
    }
    return out;
}

}  // namespace korvane::platform
