#include "conversion/XmlText.h"

#include "platform/Unicode.h"

namespace korvane {

namespace {
// Characters that are written as they are: everything but markup, controls, surrogates
// and the two non-characters U+FFFE and U+FFFF.
inline bool IsPlain(char16_t c) {
    return c >= 0x20 && c != u'&' && c != u'<' && c != u'>' && c != u'"' && (c < 0xD800 || (c > 0xDFFF && c < 0xFFFE));
}
}  // namespace

void AppendXmlAttributeValue(std::u16string& out, std::u16string_view value) {
    const std::size_t n = value.size();
    std::size_t i = 0;
    while (i < n) {
        std::size_t run = i;
        while (run < n && IsPlain(value[run])) ++run;
        out.append(value.data() + i, run - i);
        if (run == n) break;
        i = run;
        const char16_t c = value[i];
        switch (c) {
            case u'&': out += u"&amp;"; break;
            case u'<': out += u"&lt;"; break;
            case u'>': out += u"&gt;"; break;
            case u'"': out += u"&quot;"; break;
            case u'\t': out += u"&#9;"; break;
            case u'\n': out += u"&#10;"; break;
            case u'\r': out += u"&#13;"; break;
            default:
                if (platform::IsHighSurrogate(c) && i + 1 < n && platform::IsLowSurrogate(value[i + 1])) {
                    out += c;
                    out += value[++i];
                } else {
                    out += u'\uFFFD';
                }
                break;
        }
        ++i;
    }
}

}  // namespace korvane
