// Character fields.
#pragma once

#include <string>

#include "fields/Field.h"

namespace korvane {

class TStringField : public TField {
public:
    TStringField() : TField(ftString) {}
    void GetText(std::u16string& text) override;
    // The value's bytes as the table delivers them (translated when Transliterate is set),
    // before any code page conversion; empty when the field has no value.
    void GetBytes(std::string& bytes);

    bool Transliterate = true;  // pass the bytes through the table's translation first
    bool FixedChar = false;
};

}  // namespace korvane
