// The regional settings on Linux: the process locale (after setlocale(LC_ALL, "")).
#include <langinfo.h>

#include <clocale>
#include <string_view>

#include "platform/Settings.h"
#include "platform/Unicode.h"

namespace korvane::platform {

PlatformSettings SettingsFromLocale() {
    PlatformSettings s;
    std::u16string radix = Utf8ToUtf16(nl_langinfo(RADIXCHAR));
    s.decimalSeparator = radix.empty() ? u'.' : radix[0];
    s.shortDateFormat = WidenYear(nl_langinfo(D_FMT));
    s.longTimeFormat = WidenYear(nl_langinfo(T_FMT));
    const char* time = std::setlocale(LC_TIME, nullptr);
    if (time && std::string_view(time) != "C" && std::string_view(time) != "POSIX") s.timeLocale = time;
    return s;
}

}  // namespace korvane::platform
