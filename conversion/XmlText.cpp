#include "conversion/XmlText.h"

#include "platform/Unicode.h"

namespace korvane {

void AppendXmlAttributeValue(std::u16string& out, std::u16string_view value) {
    const std::size_t n = value.size();
    for (std::size_t i = 0; i < n; ++i) {
        const char16_t c = value[i];
        switch (c) {
            case u'&': out += u"&amp;"; continue;
            case u'<': out += u"&lt;"; continue;
            case u'>': out += u"&gt;"; continue;
            case u'"': out += u"&quot;"; continue;
            case u'\t': out += u"&#9;"; continue;
            case u'\n': out += u"&#10;"; continue;
            case u'\r': out += u"&#13;"; continue;
            default: break;
        }
        if (c < 0x20 || c == 0xFFFE || c == 0xFFFF) {
            out += u'\uFFFD';
        } else if (platform::IsHighSurrogate(c) && i + 1 < n && platform::IsLowSurrogate(value[i + 1])) {
            out += c;
            out += value[++i];
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            out += u'\uFFFD';
        } else {
            out += c;
        }
    }
}

}  // namespace korvane
