#include "platform/Settings.h"

#include <string_view>

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

std::string PatternFromWindows(const std::string& pattern) {
    std::string out;
    for (std::size_t i = 0; i < pattern.size();) {
        const char c = pattern[i];
        if (c == '\'') {
            // Quoted text; '' within it (or alone) is an apostrophe.
            for (++i; i < pattern.size(); ++i) {
                if (pattern[i] != '\'') {
                    out += pattern[i] == '%' ? std::string("%%") : std::string(1, pattern[i]);
                } else if (i + 1 < pattern.size() && pattern[i + 1] == '\'') {
                    out += '\'';
                    ++i;
                } else {
                    break;
                }
            }
            ++i;
            continue;
        }
        std::size_t run = 1;
        while (i + run < pattern.size() && pattern[i + run] == c) ++run;
        const bool one = run == 1;
        switch (c) {
            case 'd':
                out += run == 1 ? "%-d" : run == 2 ? "%d" : run == 3 ? "%a" : "%A";
                break;
            case 'M':
                out += run == 1 ? "%-m" : run == 2 ? "%m" : run == 3 ? "%b" : "%B";
                break;
            case 'y':
                out += "%Y";
                break;
            case 'H':
                out += one ? "%-H" : "%H";
                break;
            case 'h':
                out += one ? "%-I" : "%I";
                break;
            case 'm':
                out += one ? "%-M" : "%M";
                break;
            case 's':
                out += one ? "%-S" : "%S";
                break;
            case 't':
                out += "%p";
                break;
            case 'g':
                // The era: the year is written whole instead.
                while (!out.empty() && out.back() == ' ') out.pop_back();
                while (i + run < pattern.size() && pattern[i + run] == ' ') ++run;
                break;
            default:
                for (std::size_t k = 0; k < run; ++k) out += c == '%' ? std::string("%%") : std::string(1, c);
        }
        i += run;
    }
    return out;
}

}  // namespace korvane::platform
