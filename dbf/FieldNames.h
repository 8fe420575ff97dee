// Field names as the document needs them: XML names, compared without regard to case.
#pragma once

#include <string>
#include <vector>

namespace korvane::dbf {

// Every character that an XML 1.0 (fourth edition) name cannot hold, and ':', becomes '_';
// a name that then cannot start an XML name gets a '_' in front. Usual dBase names come back
// unchanged.
std::u16string ToXmlName(const std::u16string& name);
// The names as the document writes them: each made an XML name, then a name equal to an
// earlier one (without regard to case) gets 2, 3, ... appended, the counter starting anew at 2
// for every field.
std::vector<std::u16string> XmlFieldNames(const std::vector<std::u16string>& names);
// Compares names by simple lower case, character by character.
bool SameFieldName(const std::u16string& a, const std::u16string& b);
char32_t SimpleLowerCase(char32_t c);

}  // namespace korvane::dbf
