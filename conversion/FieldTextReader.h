// The text of a record's character and memo values as the document writes it: read as stored,
// then either repaired from code page 852 or decoded from a code page the user asked for.
#pragma once

#include <string>
#include <vector>

#include "fields/Field.h"
#include "platform/TextDecoder.h"

namespace korvane {

class TStringField;
class TMemoField;

namespace dbf {
class TDbf;
}

class FieldTextReader {
public:
    // `decoder` (may be null) outlives the reader. Character fields are switched to their
    // stored bytes (translation off): the repair is the run's own.
    FieldTextReader(dbf::TDbf& table, platform::TextDecoder* decoder);

    // Whether field i holds text (a character or memo field).
    bool IsText(std::size_t i) const { return FTexts[i] || FMemos[i]; }
    // The text of field i of the current record into `value`.
    void Read(TField& field, std::size_t i, std::u16string& value);

private:
    // A character value whose high bytes all look like code page 852 letters is repaired.
    void RepairCharacterValue(std::u16string& value);

    std::vector<TStringField*> FTexts;
    std::vector<TMemoField*> FMemos;
    platform::TextDecoder* FDecoder;
    std::uint32_t FSystemCodePage;
    std::string FBytes;
};

}  // namespace korvane
