// The typed document (dbf2xml --typed): an inline XML Schema that describes the whole document
// and validates, and values in XML Schema's lexical forms rather than the regional ones. This
// is its schema; its rows are TypedValues'.
#pragma once

#include <string>
#include <vector>

#include "conversion/TextFile.h"
#include "dbf/DbfFieldDef.h"
#include "platform/TextDecoder.h"

namespace korvane {

namespace dbf {
class TDbf;
}

// What a field's values are in the typed document, by its type letter.
enum class Xsd { String, Memo, Decimal, Currency, Integer, Short, Int, Long, Double, Boolean, Date, DateTime, Time, Binary };

Xsd XsdOf(const dbf::TDbfFieldDef& def);

// Writes the head, the schema and the root element's start; `names` are the attribute names,
// `decoder` (or none: the system's code page) what field names are decoded with.
void WriteTypedSchema(TTextRec& out, dbf::TDbf& table, const std::vector<std::u16string>& names, platform::TextDecoder* decoder);

}  // namespace korvane
