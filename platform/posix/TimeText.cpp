// Dates and times with names, on Linux: strftime_l with the named locale's LC_TIME.
#include "platform/TimeText.h"

#include <locale.h>

#include <ctime>

namespace korvane::platform {

namespace {
// The C library's handle of a named locale, made once per thread and name; null for the C locale.
locale_t TimeLocale(const std::string& name) {
    struct Held {
        std::string name;
        locale_t locale = nullptr;
        ~Held() {
            if (locale) freelocale(locale);
        }
    };
    thread_local Held held;
    if (name.empty()) return nullptr;
    if (!held.locale || held.name != name) {
        if (held.locale) freelocale(held.locale);
        held.locale = newlocale(LC_TIME_MASK, name.c_str(), nullptr);
        held.name = name;
    }
    return held.locale;
}

}  // namespace

std::string TimeText(const std::string& format, const std::tm& tm, const std::string& timeLocale) {
    char buffer[256];
    const locale_t names = TimeLocale(timeLocale);
    const std::size_t n = names ? strftime_l(buffer, sizeof buffer, format.c_str(), &tm, names)
                                : std::strftime(buffer, sizeof buffer, format.c_str(), &tm);
    return std::string(buffer, n);
}

}  // namespace korvane::platform
