// Attribute values that any XML 1.0 parser reads back as written.
#pragma once

#include <string>
#include <string_view>

namespace korvane {

// Appends `value` escaped for a double-quoted attribute: & < > " as entities, TAB, LF and CR
// as character references, and every character XML 1.0 cannot carry as U+FFFD.
void AppendXmlAttributeValue(std::u16string& out, std::u16string_view value);

}  // namespace korvane
