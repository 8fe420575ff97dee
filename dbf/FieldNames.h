// Field names as the document needs them: XML names, compared without regard to case.
#pragma once

#include <string>

namespace korvane::dbf {

// Every character that an XML 1.0 (fourth edition) name cannot hold, and ':', becomes '_';
// a name that then cannot start an XML name gets a '_' in front. Usual dBase names come back
// unchanged.
std::u16string ToXmlName(const std::u16string& name);
// Compares names by simple lower case, character by character.
bool SameFieldName(const std::u16string& a, const std::u16string& b);
char32_t SimpleLowerCase(char32_t c);

}  // namespace korvane::dbf
