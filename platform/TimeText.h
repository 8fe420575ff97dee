// A date or time written by a strftime pattern, with the names (of months and days, AM and PM)
// of a named locale, whatever the calling thread's locale is.
#pragma once

#include <ctime>
#include <string>

namespace korvane::platform {

// `format`'s text of `tm` in UTF-8; `timeLocale` empty: the C locale's names. The locale's
// handle is made once per thread and name.
std::string TimeText(const std::string& format, const std::tm& tm, const std::string& timeLocale);

}  // namespace korvane::platform
