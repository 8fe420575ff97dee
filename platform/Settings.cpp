#include "platform/Settings.h"

#include <langinfo.h>

#include <clocale>

#include "platform/Unicode.h"

namespace korvane::platform {

std::string WidenYear(const std::string& format) {
    std::string out;
    out.reserve(format.size());
    for (std::size_t i = 0; i < format.size(); ++i) {
        out += format[i];
        if (format[i] != '%') continue;
        // Copy flags, width and the E/O modifiers, then the conversion letter.
        std::size_t j = i + 1;
        while (j < format.size() && std::string_view("_-0^#").find(format[j]) != std::string_view::npos) out += format[j++];
        while (j < format.size() && format[j] >= '0' && format[j] <= '9') out += format[j++];
        while (j < format.size() && (format[j] == 'E' || format[j] == 'O')) out += format[j++];
        if (j < format.size()) out += format[j] == 'y' ? 'Y' : format[j];
        i = j;
    }
    return out;
}

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
