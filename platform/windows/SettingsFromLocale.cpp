// The regional settings on Windows: the system's code pages and the user's regional settings.
// KORVANE_REGIONAL=invariant takes the invariant locale's instead (MM/dd/yyyy, HH:mm:ss, '.',
// ANSI 1250, OEM 852), the settings the Linux build has in the C locale, so that the two builds
// can be compared document for document.
#include <windows.h>

#include <cstdlib>
#include <string_view>

#include "platform/Settings.h"
#include "platform/Unicode.h"
#include "platform/windows/WidePath.h"

namespace korvane::platform {

namespace {
std::string LocaleText(const wchar_t* locale, LCTYPE what) {
    wchar_t buffer[128] = {};
    const int n = ::GetLocaleInfoEx(locale, what, buffer, 128);
    return n > 1 ? Narrow(std::wstring_view(buffer, static_cast<std::size_t>(n - 1))) : std::string();
}
}  // namespace

PlatformSettings SettingsFromLocale() {
    PlatformSettings s;
    const char* regional = std::getenv("KORVANE_REGIONAL");
    const bool invariant = regional && std::string_view(regional) == "invariant";
    const wchar_t* locale = invariant ? LOCALE_NAME_INVARIANT : LOCALE_NAME_USER_DEFAULT;
    if (!invariant) {
        s.ansiCodePage = ::GetACP();
        s.oemCodePage = ::GetOEMCP();
        s.userLocale = ::GetUserDefaultLCID();
    }
    const std::string decimal = LocaleText(locale, LOCALE_SDECIMAL);
    s.decimalSeparator = decimal.empty() ? u'.' : Utf8ToUtf16(decimal)[0];
    if (const std::string date = LocaleText(locale, LOCALE_SSHORTDATE); !date.empty())
        s.shortDateFormat = PatternFromWindows(date);
    if (const std::string time = LocaleText(locale, LOCALE_STIMEFORMAT); !time.empty())
        s.longTimeFormat = PatternFromWindows(time);
    if (!invariant) {
        wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
        if (::GetUserDefaultLocaleName(name, LOCALE_NAME_MAX_LENGTH) > 0) s.timeLocale = Narrow(name);
    }
    return s;
}

}  // namespace korvane::platform
