// Attribute values that any XML 1.0 parser reads back as written.
#pragma once

#include <string>
#include <string_view>

namespace korvane {

// Characters an attribute value carries as they are: everything but markup (& < > "),
// controls, surrogates and the two non-characters U+FFFE and U+FFFF.
constexpr bool IsPlainXmlCharacter(char16_t c) {
    return c >= 0x20 && c != u'&' && c != u'<' && c != u'>' && c != u'"' && (c < 0xD800 || (c > 0xDFFF && c < 0xFFFE));
}

// Whether an attribute carries every character of `text`, escaped or as it is: none becomes
// U+FFFD in AppendXmlAttributeValue.
bool XmlCarries(std::u16string_view text);

// Appends `value` escaped for a double-quoted attribute: & < > " as entities, TAB, LF and CR
// as character references, and every character XML 1.0 cannot carry as U+FFFD.
void AppendXmlAttributeValue(std::u16string& out, std::u16string_view value);

// The most bytes WriteXmlAttributeUtf8 writes for `units` UTF-16 units ("&quot;" for one).
constexpr std::size_t XmlAttributeUtf8Room(std::size_t units) {
    return 6 * units;
}
// Writes `value` escaped as above and encoded as UTF-8 at `dest`, which has
// XmlAttributeUtf8Room(value.size()) bytes, and returns the end; `scratch` is a work buffer.
char* WriteXmlAttributeUtf8(std::u16string_view value, std::u16string& scratch, char* dest);

}  // namespace korvane
