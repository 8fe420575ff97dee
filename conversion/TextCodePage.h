// The code page a table's text is read in when the user asks for one (dbf2xml --code-page):
// the one the table declares, or a number the user names.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace korvane {

namespace dbf {
class TDbf;
}

struct CodePageRequest {
    bool fromTable = false;    // the code page the table declares
    std::uint32_t number = 0;  // a code page the user names
    bool Active() const { return fromTable || number != 0; }
};

// The code page a .cpg file's first line names, as shapefile writers put it: a number,
// optionally after "ANSI ", "CP" or "windows-"; "UTF-8" or "UTF8"; "ISO-8859-N", "8859-N" or
// "8859N" (taken as 28590 + N); "IBM866" and the like. 0 when it names none of these.
std::uint32_t ParseCodePageName(std::string_view line);

// Where the code page of a table's text comes from.
struct DeclaredCodePage {
    std::uint32_t number = 0;  // the code page
    std::string declaredBy;    // the .cpg file, or empty when the table itself declares it
    bool none = false;         // neither a .cpg file nor the table's driver declares one
    // A .cpg file that names no code page (or cannot be read), passed over, and its first line.
    std::string passedOver;
    std::string passedOverText;
};

// What an open table declares: a .cpg file beside it (found as the memo file is, letter case
// aside) whose first line names a code page, else its language driver, else the system ANSI
// code page.
DeclaredCodePage TableCodePage(dbf::TDbf& table);

}  // namespace korvane
