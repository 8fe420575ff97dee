#include "dbf/FieldNames.h"

#include <algorithm>
#include <vector>

#include "dbf/XmlNameChars.h"
#include "platform/Unicode.h"

namespace korvane::dbf {

namespace {

// Splits UTF-16 into code points; an unpaired surrogate stays as its own value.
std::vector<char32_t> CodePoints(const std::u16string& s) {
    std::vector<char32_t> out;
    for (std::size_t i = 0; i < s.size(); ++i) out.push_back(platform::NextCodePoint(s, i));
    return out;
}

}  // namespace

std::u16string ToXmlName(const std::u16string& name) {
    const std::vector<char32_t> points = CodePoints(name);
    std::u16string out;
    for (char32_t c : points) platform::AppendCodePoint(out, IsXmlNameChar(c) ? c : U'_');
    if (out.empty() || !IsXmlNameStartChar(CodePoints(out).front())) out.insert(out.begin(), u'_');
    return out;
}

std::vector<std::u16string> XmlFieldNames(const std::vector<std::u16string>& names) {
    std::vector<std::u16string> out;
    out.reserve(names.size());
    for (const std::u16string& read : names) {
        const std::u16string base = ToXmlName(read);
        std::u16string name = base;
        auto taken = [&](const std::u16string& n) {
            return std::any_of(out.begin(), out.end(), [&](const std::u16string& d) { return SameFieldName(d, n); });
        };
        for (int k = 2; taken(name); ++k) {
            name = base;
            for (char c : std::to_string(k)) name += static_cast<char16_t>(c);
        }
        out.push_back(std::move(name));
    }
    return out;
}

char32_t SimpleLowerCase(char32_t c) {
    if (c < 0x80) return c >= 'A' && c <= 'Z' ? c + 32 : c;
    if ((c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 32;
    if (c >= 0x100 && c <= 0x17F) {
        if (c == 0x130) return 'i';
        if (c == 0x178) return 0xFF;
        const bool oddRun = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        if (oddRun) return (c % 2 == 1) ? c + 1 : c;
        return (c % 2 == 0 && c != 0x138) ? c + 1 : c;
    }
    if (c == 0x386) return 0x3AC;
    if (c >= 0x388 && c <= 0x38A) return c + 37;
    if (c == 0x38C) return 0x3CC;
    if (c == 0x38E || c == 0x38F) return c + 63;
    if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return c + 32;
    if (c >= 0x400 && c <= 0x40F) return c + 80;
    if (c >= 0x410 && c <= 0x42F) return c + 32;
    if ((c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF) || (c >= 0x4D0 && c <= 0x52F)) return c % 2 == 0 ? c + 1 : c;
    if (c >= 0xFF21 && c <= 0xFF3A) return c + 32;
    return c;
}

bool SameFieldName(const std::u16string& a, const std::u16string& b) {
    const std::vector<char32_t> x = CodePoints(a);
    const std::vector<char32_t> y = CodePoints(b);
    if (x.size() != y.size()) return false;
    for (std::size_t i = 0; i < x.size(); ++i)
        if (SimpleLowerCase(x[i]) != SimpleLowerCase(y[i])) return false;
    return true;
}

}  // namespace korvane::dbf
