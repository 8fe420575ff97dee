#include "platform/CNumbers.h"

#include <locale.h>

#include <cstdlib>

namespace korvane::platform {

double StrToDoubleC(const char* text) {
    // The C library's own handle of the C locale, made once.
#ifdef _WIN32
    static const _locale_t c = _create_locale(LC_ALL, "C");
    return _strtod_l(text, nullptr, c);
#else
    static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return strtod_l(text, nullptr, c);
#endif
}

}  // namespace korvane::platform
