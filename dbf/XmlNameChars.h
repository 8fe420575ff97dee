// The characters XML 1.0 (fourth edition) allows in names; generated tables.
#pragma once

namespace korvane::dbf {

struct CodePointRange {
    char32_t first;
    char32_t last;
};

// A letter or '_' (':' is left out).
bool IsXmlNameStartChar(char32_t c);
// A name start character, a digit, '.', '-', a combining character or an extender.
bool IsXmlNameChar(char32_t c);

}  // namespace korvane::dbf
